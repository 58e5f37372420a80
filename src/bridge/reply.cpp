#include "bridge/reply.h"

#include <algorithm>
#include <atomic>
#include <nlohmann/json.hpp>

#include "util/encode.h"

namespace qv {
namespace {

constexpr std::string_view kGuardStart =
    "if (location.protocol === 'file:' && location.pathname === ";
constexpr std::string_view kGuardBody = ") { ";
constexpr std::string_view kGuardEnd = " }";

// Ids and error texts may hold anything, NUL and broken UTF-8 included: they
// go as JSON texts in ASCII, which the body reads back.
std::string jsonText(std::string_view text) {
  return nlohmann::json(std::string(text))
      .dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
}

constexpr std::string_view kCall =
    "window.__qvFetch && window.__qvFetch(JSON.parse(id), data, JSON.parse(error));";
constexpr std::string_view kFirstPiece =
    "(window.__qvPartes = window.__qvPartes || new Map()).set(clave, [data]);";
constexpr std::string_view kNextPiece =
    "const p = window.__qvPartes, a = p && p.get(clave); if (a) a.push(data);";
constexpr std::string_view kLastPiece =
    "const p = window.__qvPartes, a = p && p.get(clave); if (a) { a.push(data); p.delete(clave);"
    " window.__qvFetch && window.__qvFetch(JSON.parse(id), a.join(\"\"), JSON.parse(error)); }";
constexpr std::string_view kNotice =
    "window.__qvAviso && (valor === '' ? window.__qvAviso(nombre)"
    " : window.__qvAviso(nombre, JSON.parse(valor)));";

}  // namespace

std::string onlyInFile(std::string_view path, std::string_view script) {
  std::string guarded(kGuardStart);
  appendJsString(guarded, path);
  guarded += kGuardBody;
  guarded += script;
  guarded += kGuardEnd;
  return guarded;
}

PageCall noticeCall(std::string_view path, std::string_view name, std::string_view jsonValue) {
  return {onlyInFile(path, kNotice),
          {{"nombre", std::string(name)}, {"valor", std::string(jsonValue)}}};
}

std::vector<PageCall> replyCalls(std::string_view path, std::string_view id, std::string_view data,
                                 std::string_view error) {
  std::vector<PageCall> calls;
  if (data.size() <= kReplyPieceBytes) {
    calls.push_back(
        {onlyInFile(path, kCall),
         {{"id", jsonText(id)}, {"data", std::string(data)}, {"error", jsonText(error)}}});
    return calls;
  }
  // The pieces are kept under a number of their own: two replies in flight
  // with the same id must not mix.
  static std::atomic<unsigned long long> replies = 0;
  const std::string key = std::to_string(++replies);
  while (!data.empty()) {
    const size_t n = std::min(data.size(), kReplyPieceBytes);
    const std::string piece(data.substr(0, n));
    data.remove_prefix(n);
    if (calls.empty()) {
      calls.push_back({onlyInFile(path, kFirstPiece), {{"clave", key}, {"data", piece}}});
    } else if (!data.empty()) {
      calls.push_back({onlyInFile(path, kNextPiece), {{"clave", key}, {"data", piece}}});
    } else {
      calls.push_back(
          {onlyInFile(path, kLastPiece),
           {{"clave", key}, {"data", piece}, {"id", jsonText(id)}, {"error", jsonText(error)}}});
    }
  }
  return calls;
}

}  // namespace qv
