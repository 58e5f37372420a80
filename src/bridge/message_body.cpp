#include "bridge/message_body.h"

#include <string>

#include "util/hex.h"

namespace qv {
namespace {

constexpr std::string_view kReplacementEscape = "\\ufffd";
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// The code unit of a "\uXXXX" escape at `i`, or -1.
long escapedUnit(std::string_view s, size_t i) {
  if (i + 6 > s.size() || s[i] != '\\' || s[i + 1] != 'u') return -1;
  long unit = 0;
  for (size_t k = i + 2; k < i + 6; ++k) {
    int h = hexValue(s[k]);
    if (h < 0) return -1;
    unit = unit * 16 + h;
  }
  return unit;
}

bool isHigh(long unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLow(long unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Length of the well-formed UTF-8 sequence at `i`, or 0.
size_t utf8Length(std::string_view s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  size_t n;
  unsigned min;
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) {
    n = 2, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    n = 3, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    n = 4, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  unsigned cp = b & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

std::string repaired(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  bool inString = false;
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (inString && c == '\\' && i + 1 < s.size()) {
      const long unit = escapedUnit(s, i);
      if (isHigh(unit) && isLow(escapedUnit(s, i + 6))) {
        out.append(s, i, 12);
        i += 12;
      } else if (isHigh(unit) || isLow(unit)) {
        out += kReplacementEscape;
        i += 6;
      } else {  // any other escape is copied whole, so an escaped quote stays inside
        out.append(s, i, 2);
        i += 2;
      }
      continue;
    }
    if (c == '"') inString = !inString;
    const size_t n = utf8Length(s, i);
    if (n == 0) {
      out += kReplacementUtf8;
      ++i;
    } else {
      out.append(s, i, n);
      i += n;
    }
  }
  return out;
}

}  // namespace

nlohmann::json messageBody(std::string_view text) {
  return nlohmann::json::parse(repaired(text), nullptr, false);
}

}  // namespace qv
