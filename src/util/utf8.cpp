#include "util/utf8.h"

namespace qv {

Utf8Character utf8At(std::string_view s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  size_t n;
  unsigned min;
  if (b < 0x80) return {1, b};
  if ((b & 0xE0) == 0xC0) {
    n = 2, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    n = 3, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    n = 4, min = 0x10000;
  } else {
    return {0, 0};
  }
  if (i + n > s.size()) return {0, 0};
  unsigned cp = b & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return {0, 0};
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {0, 0};
  return {n, cp};
}

}  // namespace qv
