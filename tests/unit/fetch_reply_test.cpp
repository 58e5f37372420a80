// The reply script: exact bytes for the values the page has always received
// (the escapes are the encoder's, tested with it).
#include <gtest/gtest.h>

#include "bridge/reply.h"

namespace qv {
namespace {

TEST(FetchReplyTest, OrdinaryValuesComeOutAsThePlainFormat) {
  const std::string id = "a-b_c.d:e/f?g=h&i#j(k)[l]{m}@n!o$p%q*r+s,t;u>w|x~y`z";
  const std::string data = "+/+/AAAA09az==";
  const std::string error = "Could not connect to api.example.com: conexión rechazada";
  EXPECT_EQ(replyScript(id, data, error), "window.__qvFetch && window.__qvFetch(\"" + id +
                                              "\", \"" + data + "\", \"" + error + "\")");
  EXPECT_EQ(replyScript("7", "", "sin MT5"),
            R"(window.__qvFetch && window.__qvFetch("7", "", "sin MT5"))");
}

}  // namespace
}  // namespace qv
