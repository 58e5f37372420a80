// Base64 as the fetch replies and "bodyB64" use it: RFC 4648 vectors, every
// tail length, and the strict rejections the network route relies on.
#include "util/base64.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Base64Test, EncodesAndDecodesTheStandardVectors) {
  const std::pair<const char*, const char*> vectors[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {"\xfb\xff\xbf", "+/+/"},
  };
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(base64Encode(plain), encoded) << plain;
    EXPECT_EQ(base64Decode(encoded), plain) << encoded;
  }
}

TEST(Base64Test, RoundTripsEveryByteAtEveryTailLength) {
  for (size_t n = 0; n < 300; ++n) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((i * 151 + n) & 0xFF);
    const auto text = base64Encode(bytes);
    ASSERT_EQ(text.size() % 4, 0u);
    ASSERT_EQ(base64Decode(text), bytes) << n;
  }
}

TEST(Base64Test, RejectsAnythingButPureBase64) {
  for (const char* bad : {
           "Zm9v\nYmFy",  // line break
           "Zm9vYmFy\n",  // trailing line break
           "Zm9v\r\nYmFy", "Zm9v YmFy", " Zm9v",
           "Zm9",       // length not a multiple of 4
           "Zm9vY",     //
           "Zm9v-_Fy",  // URL-safe alphabet
           "Zm9v*mFy",  // outside any alphabet
           "Z===",      // too much fill
           "====",      //
           "Zg=a",      // fill inside the last group
           "Z=g=",      //
           "Zg==Zm8=",  // fill before the last group
           "Zm=vYmFy",  //
       }) {
    EXPECT_EQ(base64Decode(bad), std::nullopt) << '"' << bad << '"';
  }
  EXPECT_EQ(base64Decode(std::string_view("Zm9v\0mFy", 8)), std::nullopt);
  EXPECT_EQ(base64Decode(std::string("Zm9v") + "\xc3\xa9" + "Fy"), std::nullopt);
}

}  // namespace
}  // namespace qv
