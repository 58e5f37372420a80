#include "util/base64.h"

#include <array>
#include <cstdint>

namespace qv {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> decodeTable() {
  std::array<std::int8_t, 256> t{};
  for (auto& v : t) v = -1;
  for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
  return t;
}
constexpr auto kDecode = decodeTable();

}  // namespace

std::string base64Encode(std::string_view bytes) {
  std::string out((bytes.size() + 2) / 3 * 4, '=');
  auto in = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t n = bytes.size(), i = 0, o = 0;
  for (; i + 3 <= n; i += 3) {
    std::uint32_t v = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
    out[o++] = kAlphabet[v >> 18];
    out[o++] = kAlphabet[(v >> 12) & 63];
    out[o++] = kAlphabet[(v >> 6) & 63];
    out[o++] = kAlphabet[v & 63];
  }
  if (size_t left = n - i; left > 0) {
    std::uint32_t v = in[i] << 16;
    if (left == 2) v |= in[i + 1] << 8;
    out[o++] = kAlphabet[v >> 18];
    out[o++] = kAlphabet[(v >> 12) & 63];
    if (left == 2) out[o++] = kAlphabet[(v >> 6) & 63];
  }
  return out;
}

std::optional<std::string> base64Decode(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  size_t pad = 0;
  while (pad < 2 && pad < text.size() && text[text.size() - 1 - pad] == '=') ++pad;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  size_t body = text.size() - pad;
  std::uint32_t acc = 0;
  int bits = 0;
  for (size_t i = 0; i < body; ++i) {
    std::int8_t v = kDecode[static_cast<unsigned char>(text[i])];
    if (v < 0) return std::nullopt;
    acc = (acc << 6) | static_cast<std::uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((acc >> bits) & 0xFF));
    }
  }
  // Fill must only replace whole missing characters of the last group.
  if (pad > 0 && (body % 4) + pad != 4) return std::nullopt;
  return out;
}

}  // namespace qv
