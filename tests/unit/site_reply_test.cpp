// The reply that a settled in-page site fetch turns into.
#include "bridge/site_reply.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(SiteReplyTest, DecisionTable) {
  struct Case {
    std::optional<std::string> result;
    const char* data;
    const char* error;
  };
  for (const auto& c : std::initializer_list<Case>{
           {std::nullopt, "", "sin respuesta"},
           {"", "", "sin respuesta"},
           {"[200, \"a\"", "", "sin respuesta"},
           {"{\"status\":200}", "", "sin respuesta"},
           {"\"[200,\\\"a\\\"]\"", "", "sin respuesta"},
           {"[]", "", "sin respuesta"},
           {"[200.5,\"a\"]", "", "sin respuesta"},
           {"[\"200\",\"a\"]", "", "sin respuesta"},
           {"[200]", "", "sin respuesta"},
           {"[200,5]", "", "sin respuesta"},
           {"[200,\"a\",null]", "", "sin respuesta"},
           {"[401,\"no\"]", "", "login"},
           {"[403,\"\"]", "", "login"},
           {"[0,\"\"]", "", "HTTP 0"},
           {"[302,\"moved\"]", "", "HTTP 302"},
           {"[199,\"x\"]", "", "HTTP 199"},
           {"[300,\"x\"]", "", "HTTP 300"},
           {"[200,\"\"]", "", ""},
           {"[200,\"hola\"]", "aG9sYQ==", ""},
           {"[299,\"{\\\"k\\\":1}\"]", "eyJrIjoxfQ==", ""},
           // The text is whatever the last element holds.
           {"[204,\"a\",\"hola\"]", "aG9sYQ==", ""},
           {"[200,\"\\u00f1\"]", "w7E=", ""},
       }) {
    auto r = siteReply(c.result);
    EXPECT_EQ(r.data, c.data) << c.result.value_or("(none)");
    EXPECT_EQ(r.error, c.error) << c.result.value_or("(none)");
  }
}

}  // namespace
}  // namespace qv
