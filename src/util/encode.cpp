#include "util/encode.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "util/utf8.h"

namespace qv {
namespace {

enum Context : unsigned char { kScript = 1, kAttribute = 2, kText = 4 };

// The contexts in which each byte is not written as it is. Bytes from 0x80
// are looked at as UTF-8 in all of them.
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

void appendUnitEscape(std::string& out, unsigned unit) {
  constexpr char kHex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 15];
}

// In a script, text beyond ASCII is written as escapes too: the engine keeps
// a script that is all ASCII at one byte a character, where one other
// character would have a whole megabyte reply converted, and doubled, on
// the main thread. A character beyond U+FFFF is written as its two halves.
void appendCharacterEscape(std::string& out, char32_t cp) {
  if (cp < 0x10000) return appendUnitEscape(out, cp);
  cp -= 0x10000;
  appendUnitEscape(out, 0xD800 + (cp >> 10));
  appendUnitEscape(out, 0xDC00 + (cp & 0x3FF));
}

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
    default:
      appendUnitEscape(out, c);
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

using Block = signed char __attribute__((vector_size(16)));

// The bytes of the table above in any context, and nothing else, marked in
// a block of sixteen. The compilers turn this into a few vector
// instructions, SSE2 or NEON alike.
Block marked(const char* bytes) {
  Block b;
  std::memcpy(&b, bytes, sizeof b);
  // Signed, the bytes from 0x80 are below zero: one comparison takes them
  // with the control characters.
  return (b < 0x20) | (b == '\\') | (b == '"') | (b == '\'') | (b == '<') | (b == '&') | (b == '>');
}

// Whether any of 64 bytes is one that some context escapes or reads as UTF-8.
bool needsALook(const char* bytes) {
  const Block hits = marked(bytes) | marked(bytes + 16) | marked(bytes + 32) | marked(bytes + 48);
  std::uint64_t halves[2];
  std::memcpy(halves, &hits, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

// Plain runs are found by a tight scan and copied whole; only the bytes the
// context escapes, or must read as UTF-8, break the scan. A Base64 reply is
// megabytes without a byte to escape: 64 bytes go by at once while none could
// need one (as fast as a copy), and the table decides the rest byte by byte.
template <Context C>
void encode(std::string& out, std::string_view text) {
  const size_t size = text.size();
  size_t plainFrom = 0, i = 0;
  for (;;) {
    while (i + 64 <= size && !needsALook(text.data() + i)) i += 64;
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
    const auto [n, cp] = utf8At(text, i);
    if (C != kScript && n) {  // markup takes UTF-8 as it is
      i += n;
      continue;
    }
    out.append(text, plainFrom, i - plainFrom);
    if constexpr (C == kScript) {
      if (n)
        appendCharacterEscape(out, cp);
      else
        appendUnitEscape(out, 0xFFFD);
    } else {
      out += kReplacementUtf8;
    }
    plainFrom = i += n ? n : 1;
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
