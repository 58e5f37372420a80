// Intake and routing of "fetch": which messages are answered at all, and
// which route each url takes.
#include "bridge/fetch_route.h"

#include <gtest/gtest.h>

#include "fakes/fake_host.h"

namespace qv {
namespace {

TEST(FetchRouteTest, RoutesOnTheRawTextCaseSensitively) {
  const std::pair<const char*, FetchRoute> cases[] = {
      {"qv-web://exness/pa/x", FetchRoute::Sitio},
      {"qv-web://", FetchRoute::Sitio},
      {"qv-exness://pa/trading/accounts", FetchRoute::Sitio},
      {"qv-exness://", FetchRoute::Sitio},
      {"qv-mt5://estado", FetchRoute::Estado},
      {"qv-mt5://estado/", FetchRoute::Red},
      {"qv-mt5://estado?x", FetchRoute::Red},
      {"qv-mt5://Estado", FetchRoute::Red},
      {"qv-mt5://", FetchRoute::Red},
      {"QV-WEB://exness/x", FetchRoute::Red},
      {"Qv-exness://x", FetchRoute::Red},
      {"qv-web:/exness", FetchRoute::Red},
      {"https://example.com/qv-web://", FetchRoute::Red},
  };
  for (const auto& [url, route] : cases) EXPECT_EQ(fetchRoute(url), route) << url;
}

struct FetchIntakeTest : ::testing::Test {
  fake::Rig rig;
  void SetUp() override {
    rig.config.mt5UsersFolders = {"/nonexistent-quorvex-test/"};
    rig.launch();
  }
};

TEST_F(FetchIntakeTest, UnusableUrlOrIdGetsNoAnswerAtAll) {
  for (const char* body : {
           R"({"cmd":"fetch","url":"","id":"1"})",
           R"({"cmd":"fetch","url":"a b","id":"1"})",
           R"({"cmd":"fetch","url":"qv-mt5://estado x","id":"1"})",
           R"({"cmd":"fetch","url":"https://ex.com/\u00fc","id":"1"})",
           R"({"cmd":"fetch","url":5,"id":"1"})",
           R"({"cmd":"fetch","id":"1"})",
           R"({"cmd":"fetch","url":"https://example.com/"})",
           R"({"cmd":"fetch","url":"qv-mt5://estado","id":7})",
           R"({"cmd":"fetch","url":"qv-exness://pa","id":null})",
       }) {
    rig.post(body);
  }
  rig.mainQueue.runAll();
  EXPECT_TRUE(rig.http.sent.empty());
  EXPECT_TRUE(rig.mainView().scripts.empty());
}

TEST_F(FetchIntakeTest, EachUrlReachesItsRouteOnly) {
  rig.post(R"({"cmd":"fetch","url":"qv-exness://pa/trading","id":"s1"})");
  rig.post(R"({"cmd":"fetch","url":"qv-web://tradeify/api","id":"s2"})");
  ASSERT_TRUE(rig.http.sent.empty());

  // The site route answers in its own way; the status route adds one reply.
  const auto before = rig.mainView().scripts.size();
  rig.post(R"({"cmd":"fetch","url":"qv-mt5://estado","id":"m"})");
  ASSERT_EQ(rig.mainView().scripts.size(), before + 1);
  EXPECT_EQ(rig.mainView().scripts.back(),
            R"(window.__qvFetch && window.__qvFetch("m", "", "sin MT5"))");
  ASSERT_TRUE(rig.http.sent.empty());

  for (const char* url : {"qv-mt5://estado/", "QV-WEB://exness/x", "https://example.com/a"}) {
    rig.post(nlohmann::json{{"cmd", "fetch"}, {"url", url}, {"id", "n"}}.dump());
  }
  ASSERT_EQ(rig.http.sent.size(), 3u);
  EXPECT_EQ(rig.http.sent[0].request.url, "qv-mt5://estado/");
  EXPECT_EQ(rig.http.sent[1].request.url, "QV-WEB://exness/x");
  EXPECT_EQ(rig.http.sent[2].request.url, "https://example.com/a");
}

}  // namespace
}  // namespace qv
