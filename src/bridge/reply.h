// The scripts the page is sent: the one that answers a fetch, a call of the
// page's `__qvFetch` with the id, the data text and the error text, and the
// notices, calls of its one entry point for them, `__qvAviso`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The error text of a fetch that failed inside the application itself.
inline constexpr char kErrorInterno[] = "error interno";

// window.__qvFetch && window.__qvFetch("ID", "DATA", "ERROR")
// Safe to build on any thread: it touches nothing but its arguments.
std::string replyScript(std::string_view id, std::string_view data, std::string_view error);

// window.__qvAviso && window.__qvAviso("NAME", VALUE), VALUE a JSON text
// written by the caller, left out when empty.
std::string noticeScript(std::string_view name, std::string_view jsonValue);

// `script` run only if the document it lands in still has the path `path`
// (as the engine writes it) under file:. The location getters cannot be
// replaced by a page, so another document that took the view's place gets
// nothing even when the script was sent before the view moved.
std::string onlyInFile(std::string_view path, std::string_view script);

// The most Base64 one script carries: the engine copies a script on the
// main thread as it takes it, so a larger reply goes in several, one per turn
// of the main loop, and no turn holds the loop long.
inline constexpr size_t kReplyPieceBytes = size_t{1} << 21;

// onlyInFile(path, replyScript(id, data, error)), built whole on a worker so
// the main thread never copies a large body. Data longer than
// kReplyPieceBytes comes as several scripts, to be run in order: the first
// ones keep their pieces in the page (`window.__qvPartes`, under a number of
// the reply's own), the last makes the same call with the whole text. A later
// piece finds nothing, and does nothing, in a document that did not get the
// first.
std::vector<std::string> replyScriptsInFile(std::string_view path, std::string_view id,
                                            std::string_view data, std::string_view error);

}  // namespace qv
