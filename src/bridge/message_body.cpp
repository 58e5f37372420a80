#include "bridge/message_body.h"

#include <string>

#include "util/hex.h"
#include "util/utf8.h"

namespace qv {
namespace {

constexpr std::string_view kReplacementEscape = "\\ufffd";

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
