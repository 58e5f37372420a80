// What the page is sent: the answer to a fetch, a call of the page's
// `__qvFetch` with the id, the data text and the error text, and the
// notices, calls of its one entry point for them, `__qvAviso`.
//
// Each goes as a call of a function whose body never changes and whose
// values travel as its arguments. The engine compiles a body it has seen
// once; a script with the values written into it would be a new program on
// every reply, and the engine keeps what it compiled of each for a long time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/web_view.h"

namespace qv {

// The error text of a fetch that failed inside the application itself.
inline constexpr char kErrorInterno[] = "error interno";

// A function body and the values handed to it by name, each text UTF-8
// without NUL.
struct PageCall {
  std::string body;
  WebView::Args args;
};

// `script` run only if the document it lands in still has the path `path`
// (as the engine writes it) under file:. The location getters cannot be
// replaced by a page, so another document that took the view's place gets
// nothing even when the call was sent before the view moved.
std::string onlyInFile(std::string_view path, std::string_view script);

// window.__qvAviso && window.__qvAviso(NAME, VALUE) in the page at `path`,
// VALUE a JSON text written by the caller, left out when empty.
PageCall noticeCall(std::string_view path, std::string_view name, std::string_view jsonValue);

// The most Base64 one call carries: the engine converts and copies its
// arguments on the main thread as it takes them (about 1 ms a MB, three
// times what a script of the same size cost), so a larger reply goes in
// several, one per turn of the main loop, and no turn holds the loop long.
inline constexpr size_t kReplyPieceBytes = size_t{1} << 18;

// window.__qvFetch && window.__qvFetch(ID, DATA, ERROR) in the page at
// `path`, DATA being Base64. Safe to build on any thread: it touches nothing
// but its arguments, and a worker builds it so that the main thread never
// copies a large body. Data longer than kReplyPieceBytes comes as several
// calls, to be made in order: the first ones keep their pieces in the page
// (`window.__qvPartes`, under a number of the reply's own), the last makes
// the same call with the whole text. A later piece finds nothing, and does
// nothing, in a document that did not get the first.
std::vector<PageCall> replyCalls(std::string_view path, std::string_view id, std::string_view data,
                                 std::string_view error);

}  // namespace qv
