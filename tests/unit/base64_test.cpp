// Base64 as fetch replies and "bodyB64" use it: RFC 4648 vectors, every tail
// length, and the strict rejections the network route relies on.
#include "util/base64.h"

#include <gtest/gtest.h>

#include <iterator>

namespace qv {
namespace {

TEST(Base64Test, StandardVectorsAndTheSameTextWhereverABodyIsCut) {
  const char* rfc4648[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
  for (size_t n = 0; n < std::size(rfc4648); ++n)
    EXPECT_EQ(base64Encode(std::string("foobar", n)), rfc4648[n]);
  EXPECT_EQ(base64Encode("\xfb\xff\xbf"), "+/+/");
  for (size_t n = 0; n < 300; ++n) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((i * 151 + n) & 0xFF);
    // Pieces as a body arrives: the same text, wherever the cuts fall.
    Base64Writer pieces;
    for (size_t at = 0, cut = 1; at < n; at += cut, cut = cut % 5 + 1)
      pieces.add(bytes.substr(at, cut));
    ASSERT_EQ(std::move(pieces).finish(), base64Encode(bytes)) << n;
  }
}

TEST(Base64Test, RejectsAnythingButPureBase64) {
  for (std::string_view bad : {
           "Zm9v\nYmFy", "Zm9vYmFy\n", "Zm9v\r\nYmFy", "Zm9v YmFy",  // breaks and blanks
           "Zm9", "Zm9vY",                                           // length
           "Zm9v-_Fy", "Zm9v*mFy", "Zm9v\xc3\xa9mF",                 // alphabet
           "Z===", "====", "Zg=a", "Z=g=", "Zg==Zm8=", "Zm=vYmFy",   // misplaced fill
       })
    EXPECT_EQ(base64Decode(bad), std::nullopt) << bad;
  EXPECT_EQ(base64Decode(std::string_view("Zm9v\0mFy", 8)), std::nullopt);
}

}  // namespace
}  // namespace qv
