// JSON text written as it is made, into a buffer handed on to a sink in large pieces:
// for a report of hundreds of thousands of items, which is never held whole. Strings
// come out as nlohmann::json's dump writes them (no ASCII escaping of other
// characters, the control characters escaped, any invalid UTF-8 replaced), so that a
// document written here reads byte for byte as one built whole and dumped.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

#include "screening/screen_text.h"

namespace qoru::screening {

class JsonWriter {
 public:
  using Sink = std::function<void(std::string_view)>;
  // The buffer goes to `sink` each time it holds `piece` bytes or more, and at Finish.
  explicit JsonWriter(Sink sink, std::size_t piece = std::size_t{1} << 20)
      : sink_(std::move(sink)), piece_(piece) {
    buffer_.reserve(piece + piece / 4);
  }

  // Text already in JSON form (punctuation, line breaks, indentation, a value dumped).
  void Raw(std::string_view text) { buffer_.append(text); }
  void Raw(char c) { buffer_.push_back(c); }
  // A quoted string.
  void String(std::string_view text) {
    bool ascii = true, plain = true;
    for (const char ch : text) {
      const auto c = static_cast<unsigned char>(ch);
      if (c >= 0x80)
        ascii = false;
      else if (c < 0x20 || c == '"' || c == '\\')
        plain = false;
    }
    if (!ascii && !IsValidUtf8(text)) {
      // The replacement of invalid sequences is the library's own.
      buffer_ += nlohmann::ordered_json(std::string(text))
                     .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
      return;
    }
    buffer_.push_back('"');
    if (plain) {
      buffer_.append(text);
    } else {
      for (const char ch : text) Escaped(ch);
    }
    buffer_.push_back('"');
  }
  void Integer(std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    buffer_.append(digits, end);
  }
  // The buffer, for a writer that appends its own forms (an amount's digits).
  std::string& buffer() { return buffer_; }

  // Hands the buffer on once it holds a piece's worth.
  void Pass() {
    if (buffer_.size() >= piece_) {
      sink_(buffer_);
      buffer_.clear();
    }
  }
  // Hands on what remains.
  void Finish() {
    if (!buffer_.empty()) sink_(buffer_);
    buffer_.clear();
  }

 private:
  void Escaped(char ch) {
    switch (ch) {
      case '"':
        buffer_ += "\\\"";
        return;
      case '\\':
        buffer_ += "\\\\";
        return;
      case '\b':
        buffer_ += "\\b";
        return;
      case '\t':
        buffer_ += "\\t";
        return;
      case '\n':
        buffer_ += "\\n";
        return;
      case '\f':
        buffer_ += "\\f";
        return;
      case '\r':
        buffer_ += "\\r";
        return;
      default:
        break;
    }
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20) {
      buffer_.push_back(ch);
      return;
    }
    constexpr char kHex[] = "0123456789abcdef";
    const char code[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
    buffer_.append(code, sizeof code);
  }

  Sink sink_;
  std::size_t piece_;
  std::string buffer_;
};

}  // namespace qoru::screening
