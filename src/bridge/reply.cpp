#include "bridge/reply.h"

#include <algorithm>
#include <atomic>

#include "util/encode.h"

namespace qv {
namespace {

constexpr std::string_view kPrefix = "window.__qvFetch && window.__qvFetch(";
constexpr std::string_view kNoticePrefix = "window.__qvAviso && window.__qvAviso(";
constexpr std::string_view kGuardStart =
    "if (location.protocol === 'file:' && location.pathname === ";
constexpr std::string_view kGuardBody = ") { ";
constexpr std::string_view kGuardEnd = " }";

void appendGuardStart(std::string& out, std::string_view path) {
  out += kGuardStart;
  appendJsString(out, path);
  out += kGuardBody;
}

// The one call of the page's reply function; `data` appends its second argument.
template <class Data>
void appendCall(std::string& out, std::string_view id, Data data, std::string_view error) {
  out += kPrefix;
  appendJsString(out, id);
  out += ", ";
  data(out);
  out += ", ";
  appendJsString(out, error);
  out += ')';
}

void appendReply(std::string& out, std::string_view id, std::string_view data,
                 std::string_view error) {
  appendCall(
      out, id, [&](std::string& o) { appendJsString(o, data); }, error);
}

// Ordinary values need no escapes; room for the three of them plus quotes.
size_t replySize(std::string_view id, std::string_view data, std::string_view error) {
  return kPrefix.size() + id.size() + data.size() + error.size() + 12;
}

}  // namespace

std::string replyScript(std::string_view id, std::string_view data, std::string_view error) {
  std::string script;
  script.reserve(replySize(id, data, error));
  appendReply(script, id, data, error);
  return script;
}

std::string noticeScript(std::string_view name, std::string_view jsonValue) {
  std::string script(kNoticePrefix);
  appendJsString(script, name);
  if (!jsonValue.empty()) {
    script += ", ";
    script += jsonValue;
  }
  script += ')';
  return script;
}

std::string onlyInFile(std::string_view path, std::string_view script) {
  std::string guarded;
  guarded.reserve(kGuardStart.size() + path.size() + kGuardBody.size() + script.size() +
                  kGuardEnd.size() + 2);
  appendGuardStart(guarded, path);
  guarded += script;
  guarded += kGuardEnd;
  return guarded;
}

std::vector<std::string> replyScriptsInFile(std::string_view path, std::string_view id,
                                            std::string_view data, std::string_view error) {
  const size_t guardSize =
      kGuardStart.size() + path.size() + kGuardBody.size() + kGuardEnd.size() + 2;
  auto script = [&](size_t room, auto&& body) {
    std::string guarded;
    guarded.reserve(guardSize + room);
    appendGuardStart(guarded, path);
    body(guarded);
    guarded += kGuardEnd;
    return guarded;
  };
  std::vector<std::string> scripts;
  if (data.size() <= kReplyPieceBytes) {
    scripts.push_back(script(replySize(id, data, error),
                             [&](std::string& out) { appendReply(out, id, data, error); }));
    return scripts;
  }
  // The pieces are kept under a number of their own: two replies in flight
  // with the same id must not mix.
  static std::atomic<unsigned long long> replies = 0;
  const std::string key = std::to_string(++replies);
  while (!data.empty()) {
    size_t n = std::min(data.size(), kReplyPieceBytes);
    // Never inside a UTF-8 sequence (Base64 has none): each piece is escaped alone.
    while (n < data.size() && n > 1 && (static_cast<unsigned char>(data[n]) & 0xC0) == 0x80) --n;
    const auto piece = data.substr(0, n);
    data.remove_prefix(n);
    const bool first = scripts.empty(), last = data.empty();
    scripts.push_back(script(piece.size() + id.size() + error.size() + 200, [&](std::string& out) {
      if (first) {
        out += "(window.__qvPartes = window.__qvPartes || new Map()).set(";
        out += key;
        out += ", [";
        appendJsString(out, piece);
        out += "]);";
        return;
      }
      out += "{ const p = window.__qvPartes, a = p && p.get(";
      out += key;
      out += "); if (a) { a.push(";
      appendJsString(out, piece);
      out += ");";
      if (last) {
        out += " p.delete(";
        out += key;
        out += "); ";
        appendCall(
            out, id, [](std::string& o) { o += "a.join(\"\")"; }, error);
        out += ';';
      }
      out += " } }";
    }));
  }
  return scripts;
}

}  // namespace qv
