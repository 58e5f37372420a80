// The value of one hexadecimal digit, for the readers of escapes.
#pragma once

namespace qv {

// -1 when `c` is not a hexadecimal digit.
constexpr int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace qv
