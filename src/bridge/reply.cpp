#include "bridge/reply.h"

#include "util/encode.h"

namespace qv {
namespace {

constexpr std::string_view kPrefix = "window.__qvFetch && window.__qvFetch(";

}  // namespace

std::string replyScript(std::string_view id, std::string_view data, std::string_view error) {
  std::string script;
  // Ordinary values need no escapes; room for the three of them plus quotes.
  script.reserve(kPrefix.size() + id.size() + data.size() + error.size() + 12);
  script += kPrefix;
  appendJsString(script, id);
  script += ", ";
  appendJsString(script, data);
  script += ", ";
  appendJsString(script, error);
  script += ')';
  return script;
}

std::string onlyInFile(std::string_view path, std::string_view script) {
  std::string guarded = "if (location.protocol === 'file:' && location.pathname === ";
  appendJsString(guarded, path);
  guarded += ") { ";
  guarded += script;
  guarded += " }";
  return guarded;
}

}  // namespace qv
