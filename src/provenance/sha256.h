// SHA-256 (FIPS 180-4), fed in pieces of any size: the digest of a file read in blocks
// without holding it. On a processor with the SHA extensions (x86, found at run time)
// the blocks are compressed by them, several times faster than the portable code, which
// serves everywhere else; both give the same digest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qoru::provenance {

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, std::size_t size);
  void Update(std::string_view text) { Update(text.data(), text.size()); }
  // The digest of everything given; the object is then spent (Reset to use it again).
  std::array<std::uint8_t, 32> Finish();
  void Reset();

  // The digest as 64 lower-case hexadecimal digits.
  static std::string Hex(const std::array<std::uint8_t, 32>& digest);
  // The digest of `text` as hexadecimal digits.
  static std::string Of(std::string_view text);

  // Whether the processor's SHA extensions are used; tests may turn them off.
  static bool HardwareUsed();
  static void UseHardware(bool use);

 private:
  void Compress(const std::uint8_t* blocks, std::size_t count);

  std::uint32_t state_[8];
  std::uint8_t buffer_[64];
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;  // bytes given
};

}  // namespace qoru::provenance
