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
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace qv
