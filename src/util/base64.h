// Standard Base64 (RFC 4648 alphabet, "=" fill, no line breaks). Decoding is
// strict: a length that is not a multiple of 4, any character outside the
// alphabet (line breaks and blanks included) or a "=" anywhere but the one or
// two last places of the text makes it fail.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

std::string base64Encode(std::string_view bytes);
// The Base64 of bytes that come in pieces: the same text base64Encode gives
// for all of them, built as they arrive.
class Base64Writer {
 public:
  // Room for the text of `bytes` bytes, so that it grows without copies.
  void reserve(size_t bytes) { text_.reserve((bytes + 2) / 3 * 4); }
  void add(std::string_view bytes);
  std::string finish() &&;

 private:
  std::string text_;
  char held_[3] = {};  // bytes short of a whole group of three
  size_t heldCount_ = 0;
};
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace qv
