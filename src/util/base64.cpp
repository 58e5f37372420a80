#include "util/base64.h"

#include <array>
#include <cstdint>

namespace qv {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Two output characters per 12 input bits: half the table look-ups of the
// one-character table on bodies of tens of megabytes.
constexpr std::array<char, 2 * 4096> pairTable() {
  std::array<char, 2 * 4096> t{};
  for (int i = 0; i < 4096; ++i) {
    t[2 * i] = kAlphabet[i >> 6];
    t[2 * i + 1] = kAlphabet[i & 63];
  }
  return t;
}
constexpr auto kPairs = pairTable();

// Sextet value of each byte; 0x80 marks a byte outside the alphabet, so that
// or-ing four looked-up values tells at once whether a group is clean.
constexpr std::array<std::uint8_t, 256> sextetTable() {
  std::array<std::uint8_t, 256> t{};
  for (auto& v : t) v = 0x80;
  for (int i = 0; i < 64; ++i)
    t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::uint8_t>(i);
  return t;
}
constexpr auto kSextet = sextetTable();

void append(std::string& text, std::string_view bytes) {
  const size_t start = text.size();
  text.resize(start + (bytes.size() + 2) / 3 * 4, '=');
  auto in = reinterpret_cast<const unsigned char*>(bytes.data());
  char* o = text.data() + start;
  const size_t n = bytes.size();
  size_t i = 0;
  for (; i + 3 <= n; i += 3, o += 4) {
    const std::uint32_t v =
        (std::uint32_t{in[i]} << 16) | (std::uint32_t{in[i + 1]} << 8) | in[i + 2];
    const char* hi = &kPairs[2 * (v >> 12)];
    const char* lo = &kPairs[2 * (v & 4095)];
    o[0] = hi[0];
    o[1] = hi[1];
    o[2] = lo[0];
    o[3] = lo[1];
  }
  if (const size_t left = n - i; left > 0) {
    std::uint32_t v = std::uint32_t{in[i]} << 16;
    if (left == 2) v |= std::uint32_t{in[i + 1]} << 8;
    o[0] = kAlphabet[v >> 18];
    o[1] = kAlphabet[(v >> 12) & 63];
    if (left == 2) o[2] = kAlphabet[(v >> 6) & 63];
  }
}

}  // namespace

std::string base64Encode(std::string_view bytes) {
  std::string text;
  append(text, bytes);
  return text;
}

void Base64Writer::add(std::string_view bytes) {
  // Whole groups only, so that no fill lands in the middle of the text.
  while (heldCount_ > 0 && heldCount_ < 3 && !bytes.empty()) {
    held_[heldCount_++] = bytes.front();
    bytes.remove_prefix(1);
  }
  if (heldCount_ == 3) {
    append(text_, {held_, 3});
    heldCount_ = 0;
  }
  const size_t whole = heldCount_ ? 0 : bytes.size() - bytes.size() % 3;
  append(text_, bytes.substr(0, whole));
  for (char c : bytes.substr(whole)) held_[heldCount_++] = c;
}

std::string Base64Writer::finish() && {
  append(text_, {held_, heldCount_});
  return std::move(text_);
}

std::optional<std::string> base64Decode(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  if (text.empty()) return std::string();

  // Only the last group may hold fill: "xx==" or "xxx=".
  size_t fill = 0;
  if (text.back() == '=') fill = text[text.size() - 2] == '=' ? 2 : 1;

  auto in = reinterpret_cast<const unsigned char*>(text.data());
  const size_t groups = text.size() / 4;
  std::string out(groups * 3 - fill, '\0');
  char* o = out.data();

  for (size_t g = 0; g + 1 < groups; ++g, in += 4, o += 3) {
    const std::uint8_t a = kSextet[in[0]], b = kSextet[in[1]], c = kSextet[in[2]],
                       d = kSextet[in[3]];
    if ((a | b | c | d) & 0x80) return std::nullopt;
    const std::uint32_t v = (std::uint32_t{a} << 18) | (std::uint32_t{b} << 12) | (c << 6) | d;
    o[0] = static_cast<char>(v >> 16);
    o[1] = static_cast<char>(v >> 8);
    o[2] = static_cast<char>(v);
  }

  // The last group: its fill places count as zero sextets.
  const std::uint8_t a = kSextet[in[0]], b = kSextet[in[1]];
  const std::uint8_t c = fill >= 2 ? 0 : kSextet[in[2]];
  const std::uint8_t d = fill >= 1 ? 0 : kSextet[in[3]];
  if ((a | b | c | d) & 0x80) return std::nullopt;
  const std::uint32_t v = (std::uint32_t{a} << 18) | (std::uint32_t{b} << 12) | (c << 6) | d;
  o[0] = static_cast<char>(v >> 16);
  if (fill < 2) o[1] = static_cast<char>(v >> 8);
  if (fill < 1) o[2] = static_cast<char>(v);
  return out;
}

}  // namespace qv
