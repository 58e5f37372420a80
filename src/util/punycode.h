// The ASCII form of an internationalized host name label.
#pragma once

#include <optional>
#include <string>

namespace qv {

// Bootstring encoding with the parameters of RFC 3492, without the "xn--"
// prefix; nothing when the label is too long to encode.
std::optional<std::string> punycode(const std::u32string& label);

}  // namespace qv
