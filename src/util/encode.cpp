#include "util/encode.h"

#include <array>

#include "util/utf8.h"

namespace qv {
namespace {

enum Context : unsigned char { kScript = 1, kAttribute = 2, kText = 4 };

// The contexts in which each byte is not written as it is. Bytes from 0x80
// are looked at as UTF-8 in all of them; 0xE2 may lead U+2028 or U+2029.
constexpr std::array<unsigned char, 256> contextTable() {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 0x20; ++c) t[c] = kScript;
  t['\\'] = kScript;
  t['"'] = t['\''] = kScript | kAttribute;
  t['<'] = kScript | kAttribute | kText;
  t['&'] = t['>'] = kAttribute | kText;
  for (int c = 0x80; c < 0x100; ++c) t[c] = kScript | kAttribute | kText;
  return t;
}
constexpr auto kEscapedIn = contextTable();

void appendScriptEscape(std::string& out, unsigned char c) {
  switch (c) {
    case '"':
    case '\'':
    case '\\':
      out += '\\';
      out += static_cast<char>(c);
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

void appendReference(std::string& out, char c) {
  switch (c) {
    case '&':
      out += "&amp;";
      return;
    case '"':
      out += "&quot;";
      return;
    case '\'':
      out += "&#39;";
      return;
    case '<':
      out += "&lt;";
      return;
    default:
      out += "&gt;";
  }
}

// Plain runs are found by a tight scan and copied whole; only the bytes the
// context escapes, or must read as UTF-8, break the scan.
template <Context C>
void encode(std::string& out, std::string_view text) {
  const size_t size = text.size();
  size_t plainFrom = 0, i = 0;
  for (;;) {
    // Eight bytes a turn, with one test of their entries or-ed: a Base64
    // reply is megabytes without a byte to escape.
    while (i + 8 <= size) {
      unsigned char entries = 0;
      for (size_t j = 0; j < 8; ++j) entries |= kEscapedIn[static_cast<unsigned char>(text[i + j])];
      if (entries & C) break;
      i += 8;
    }
    while (i < size && !(kEscapedIn[static_cast<unsigned char>(text[i])] & C)) ++i;
    if (i == size) break;
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out.append(text, plainFrom, i - plainFrom);
      if constexpr (C == kScript)
        appendScriptEscape(out, c);
      else
        appendReference(out, text[i]);
      plainFrom = ++i;
      continue;
    }
    const size_t n = utf8Length(text, i);
    const bool terminator = C == kScript && n == 3 && c == 0xE2 && text[i + 1] == '\x80' &&
                            (text[i + 2] == '\xA8' || text[i + 2] == '\xA9');
    if (n && !terminator) {
      i += n;
      continue;
    }
    out.append(text, plainFrom, i - plainFrom);
    out += terminator ? (text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029") : kReplacementUtf8;
    plainFrom = i += terminator ? 3 : 1;
  }
  out.append(text, plainFrom);
}

}  // namespace

void appendJsEscaped(std::string& out, std::string_view text) { encode<kScript>(out, text); }

void appendJsString(std::string& out, std::string_view text) {
  out += '"';
  encode<kScript>(out, text);
  out += '"';
}

void appendHtmlAttribute(std::string& out, std::string_view text) { encode<kAttribute>(out, text); }

void appendHtmlText(std::string& out, std::string_view text) { encode<kText>(out, text); }

}  // namespace qv
