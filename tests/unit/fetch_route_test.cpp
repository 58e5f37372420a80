// Intake and routing of "fetch": which messages are answered at all, and
// which route each url takes.
#include "bridge/fetch_route.h"

#include <gtest/gtest.h>

#include "fakes/fake_host.h"

namespace qv {
namespace {

TEST(FetchRouteTest, RoutesOnTheRawTextCaseSensitively) {
  const std::pair<const char*, FetchRoute> cases[] = {
      {"qv-web://exness/pa/x", FetchRoute::Sitio}, {"qv-exness://", FetchRoute::Sitio},
      {"qv-mt5://estado", FetchRoute::Estado},     {"qv-mt5://estado/", FetchRoute::Red},
      {"qv-mt5://Estado", FetchRoute::Red},        {"QV-WEB://exness/x", FetchRoute::Red},
      {"Qv-exness://x", FetchRoute::Red},          {"https://a.b/qv-web://", FetchRoute::Red},
  };
  for (const auto& [url, route] : cases) EXPECT_EQ(fetchRoute(url), route) << url;
}

struct FetchIntakeTest : ::testing::Test {
  fake::Rig rig;
  void SetUp() override {
    rig.config.mt5Prefixes = {"/nonexistent-quorvex-test"};
    rig.launch();
  }
};

TEST_F(FetchIntakeTest, UnusableUrlOrIdGetsNoAnswerAtAll) {
  for (const char* body : {
           R"({"cmd":"fetch","url":"","id":"1"})",
           R"({"cmd":"fetch","url":"qv-mt5://estado x","id":"1"})",
           R"({"cmd":"fetch","url":"https://ex.com/\u00fc","id":"1"})",
           R"({"cmd":"fetch","url":5,"id":"1"})",
           R"({"cmd":"fetch","url":"https://example.com/"})",
           R"({"cmd":"fetch","url":"qv-mt5://estado","id":7})",
       }) {
    rig.post(body);
  }
  EXPECT_TRUE(rig.http.sent.empty());
  EXPECT_TRUE(rig.mainView().scripts.empty());
}

TEST_F(FetchIntakeTest, EachUrlReachesItsRouteOnly) {
  rig.post(R"({"cmd":"fetch","url":"qv-exness://pa/trading","id":"s"})");
  ASSERT_TRUE(rig.http.sent.empty());

  // The site route answers in its own way; the status route adds one reply.
  const auto before = rig.mainView().scripts.size();
  rig.post(R"({"cmd":"fetch","url":"qv-mt5://estado","id":"m"})");
  ASSERT_EQ(rig.mainView().scripts.size(), before + 1);
  EXPECT_EQ(rig.mainView().scripts.back(),
            fake::Rig::toPage(R"(window.__qvFetch && window.__qvFetch("m", "", "sin MT5"))"));

  rig.post(R"({"cmd":"fetch","url":"qv-mt5://estado/","id":"n"})");
  rig.post(R"({"cmd":"fetch","url":"QV-WEB://exness/x","id":"n"})");
  ASSERT_EQ(rig.http.sent.size(), 2u);
  EXPECT_EQ(rig.http.sent[0].request.url, "qv-mt5://estado/");
  EXPECT_EQ(rig.http.sent[1].request.url, "QV-WEB://exness/x");
}

}  // namespace
}  // namespace qv
