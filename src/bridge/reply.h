// The one script that answers a fetch: a call of the page's `__qvFetch`
// with the id, the data text and the error text.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// Appends `text` as a double-quoted JavaScript string literal. Letters,
// digits, ordinary punctuation and any non-ASCII text pass unchanged; the
// backslash, the double quote, control characters and the two JavaScript
// line terminators U+2028 and U+2029 are escaped, so that no value can end
// the literal or break the script.
void appendJsString(std::string& out, std::string_view text);

// window.__qvFetch && window.__qvFetch("ID", "DATA", "ERROR")
// Safe to build on any thread: it touches nothing but its arguments.
std::string replyScript(std::string_view id, std::string_view data, std::string_view error);

}  // namespace qv
