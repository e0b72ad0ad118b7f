// SHA-256 (FIPS 180-4), for the digests that tie a workpaper to the files it was drawn
// from and to its own sample. Fed in pieces; Hex() ends the message.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qoru::sampling {

class Sha256 {
 public:
  Sha256();
  void Add(const void* data, std::size_t size);
  void Add(std::string_view text) { Add(text.data(), text.size()); }
  // The digest as 64 lower-case hexadecimal digits; the object is spent afterwards.
  std::string Hex();

 private:
  void Block(const unsigned char* p);

  std::array<std::uint32_t, 8> h_;
  std::array<unsigned char, 64> buffer_{};
  std::size_t used_ = 0;
  std::uint64_t length_ = 0;  // bytes added
};

// The digest of a text.
std::string Sha256Hex(std::string_view text);

}  // namespace qoru::sampling
