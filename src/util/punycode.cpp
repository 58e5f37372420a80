#include "util/punycode.h"

#include <cstdint>
#include <limits>

namespace qv {
namespace {

constexpr std::uint32_t kBase = 36, kTMin = 1, kTMax = 26, kSkew = 38, kDamp = 700;
constexpr std::uint32_t kInitialBias = 72, kInitialN = 128;

char digit(std::uint32_t d) { return static_cast<char>(d < 26 ? 'a' + d : '0' + (d - 26)); }

std::uint32_t adapt(std::uint32_t delta, std::uint32_t points, bool first) {
  delta = first ? delta / kDamp : delta / 2;
  delta += delta / points;
  std::uint32_t k = 0;
  while (delta > ((kBase - kTMin) * kTMax) / 2) {
    delta /= kBase - kTMin;
    k += kBase;
  }
  return k + (kBase - kTMin + 1) * delta / (delta + kSkew);
}

}  // namespace

std::optional<std::string> punycode(const std::u32string& label) {
  constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();
  std::string out;
  for (char32_t c : label)
    if (c < 0x80) out += static_cast<char>(c);
  const auto basic = static_cast<std::uint32_t>(out.size());
  if (basic > 0) out += '-';

  std::uint32_t n = kInitialN, delta = 0, bias = kInitialBias, handled = basic;
  while (handled < label.size()) {
    std::uint32_t m = kMax;
    for (char32_t c : label)
      if (c >= n && c < m) m = c;
    if ((m - n) > (kMax - delta) / (handled + 1)) return std::nullopt;
    delta += (m - n) * (handled + 1);
    n = m;
    for (char32_t c : label) {
      if (c < n && ++delta == 0) return std::nullopt;
      if (c != n) continue;
      std::uint32_t q = delta;
      for (std::uint32_t k = kBase;; k += kBase) {
        std::uint32_t t = k <= bias ? kTMin : k >= bias + kTMax ? kTMax : k - bias;
        if (q < t) break;
        out += digit(t + (q - t) % (kBase - t));
        q = (q - t) / (kBase - t);
      }
      out += digit(q);
      bias = adapt(delta, handled + 1, handled == basic);
      delta = 0;
      ++handled;
    }
    ++delta;
    ++n;
  }
  return out;
}

}  // namespace qv
