#include "bridge/reply.h"

#include <array>
#include <cstdint>

namespace qv {
namespace {

constexpr std::string_view kPrefix = "window.__qvFetch && window.__qvFetch(";

// Bytes that never appear unchanged inside the literal. 0xE2 leads U+2028
// and U+2029 and is looked at more closely.
constexpr std::array<bool, 256> specialTable() {
  std::array<bool, 256> t{};
  for (int c = 0; c < 0x20; ++c) t[c] = true;
  t['"'] = t['\\'] = t[0xE2] = true;
  return t;
}
constexpr auto kSpecial = specialTable();

void appendEscape(std::string& out, unsigned char c) {
  switch (c) {
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    default: {
      constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
}

bool isLineTerminator(std::string_view text, size_t i) {
  return i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
         (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
          static_cast<unsigned char>(text[i + 2]) == 0xA9);
}

}  // namespace

void appendJsString(std::string& out, std::string_view text) {
  out += '"';
  size_t plainFrom = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!kSpecial[c]) continue;
    if (c == 0xE2) {
      if (!isLineTerminator(text, i)) continue;
      out.append(text, plainFrom, i - plainFrom);
      out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
      i += 2;
    } else {
      out.append(text, plainFrom, i - plainFrom);
      appendEscape(out, c);
    }
    plainFrom = i + 1;
  }
  out.append(text, plainFrom);
  out += '"';
}

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
