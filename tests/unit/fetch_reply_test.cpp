// The reply script: exact bytes for the values the page has always received,
// and hostile values kept inside their string literal.
#include <gtest/gtest.h>

#include "bridge/reply.h"

namespace qv {
namespace {

TEST(FetchReplyTest, OrdinaryValuesComeOutAsThePlainFormat) {
  const std::string id = "a-b_c.d:e/f?g=h&i#j(k)[l]{m}@n!o$p%q*r+s,t;u<v>w|x~y`z'";
  const std::string data = "+/+/AAAA09az==";
  const std::string error = "Could not connect to 'api.example.com': conexión rechazada";
  EXPECT_EQ(replyScript(id, data, error), "window.__qvFetch && window.__qvFetch(\"" + id +
                                              "\", \"" + data + "\", \"" + error + "\")");
  EXPECT_EQ(replyScript("7", "", "sin MT5"),
            R"(window.__qvFetch && window.__qvFetch("7", "", "sin MT5"))");
}

TEST(FetchReplyTest, EscapesWhatWouldEndTheLiteralOrTheScript) {
  const std::pair<std::string, std::string> cases[] = {
      {"\"); alert(1); (\"", R"("\"); alert(1); (\"")"},
      {"a\\b\\\"", R"("a\\b\\\"")"},
      {"l1\nl2\r\n\t", R"("l1\nl2\r\n\t")"},
      {std::string("nul\0\x01\x1f\x7f", 7), "\"nul\\u0000\\u0001\\u001f\x7f\""},
      {"ls\xE2\x80\xA8ps\xE2\x80\xA9", R"("ls\u2028ps\u2029")"},
      // Other characters led by the same byte are ordinary text.
      {"\xE2\x82\xAC \xE2\x80\x94 \xE2\x80", "\"\xE2\x82\xAC \xE2\x80\x94 \xE2\x80\""},
  };
  for (const auto& [raw, literal] : cases) {
    std::string out;
    appendJsString(out, raw);
    EXPECT_EQ(out, literal);
  }
}

}  // namespace
}  // namespace qv
