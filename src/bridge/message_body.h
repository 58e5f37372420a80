// The text the engine hands over for one "qv" message, read back as JSON.
#pragma once

#include <nlohmann/json.hpp>
#include <string_view>

namespace qv {

// JSON text as the page's JSON.stringify writes it. Lone UTF-16 surrogates
// (a string cut in the middle of an emoji) are written by the engine as
// "\udXXX" escapes that no strict parser takes, and bytes that are not UTF-8
// cannot come from a string at all; both become U+FFFD, so the message is
// still a command. Text that is not JSON gives a discarded value.
nlohmann::json messageBody(std::string_view text);

}  // namespace qv
