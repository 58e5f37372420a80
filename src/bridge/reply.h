// The one script that answers a fetch: a call of the page's `__qvFetch`
// with the id, the data text and the error text.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// The error text of a fetch that failed inside the application itself.
inline constexpr char kErrorInterno[] = "error interno";

// window.__qvFetch && window.__qvFetch("ID", "DATA", "ERROR")
// Safe to build on any thread: it touches nothing but its arguments.
std::string replyScript(std::string_view id, std::string_view data, std::string_view error);

// `script` run only if the document it lands in still has the path `path`
// (as the engine writes it) under file:. The location getters cannot be
// replaced by a page, so another document that took the view's place gets
// nothing even when the script was sent before the view moved.
std::string onlyInFile(std::string_view path, std::string_view script);

}  // namespace qv
