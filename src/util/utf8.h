// Reading text as UTF-8, for the places that must hand the engine text it
// reads whole.
#pragma once

#include <cstddef>
#include <string_view>

namespace qv {

// What stands in for bytes that are not UTF-8.
inline constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// The well-formed UTF-8 sequence at `i`: its length (1 for ASCII, 0 when the
// bytes there are not UTF-8) and the character it stands for.
struct Utf8Character {
  size_t length;
  char32_t codePoint;
};
Utf8Character utf8At(std::string_view s, size_t i);

inline size_t utf8Length(std::string_view s, size_t i) { return utf8At(s, i).length; }

}  // namespace qv
