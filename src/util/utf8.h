// Reading text as UTF-8, for the places that must hand the engine text it
// reads whole.
#pragma once

#include <cstddef>
#include <string_view>

namespace qv {

// What stands in for bytes that are not UTF-8.
inline constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence at `i` (1 for ASCII), or 0.
size_t utf8Length(std::string_view s, size_t i);

}  // namespace qv
