// Standard Base64 (RFC 4648 alphabet, "=" fill, no line breaks). Decoding is
// strict: anything but pure Base64 of a length that is a multiple of 4 fails.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

std::string base64Encode(std::string_view bytes);
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace qv
