// Fixed sessions: the base domain, which cookies are made persistent, and
// the per-site throttle of the passes.
#include <gtest/gtest.h>

#include <tuple>

#include "fakes/fake_host.h"
#include "sites/fixed_session.h"

namespace qv {
namespace {

using fake::Rig;

TEST(FixedSessionRulesTest, BaseDomainKeepsTheLastTwoLabels) {
  for (const auto& [host, base] : std::initializer_list<std::pair<const char*, const char*>>{
           {"my.exness.com", "exness.com"},
           {"a.b.app.tradeify.co", "tradeify.co"},
           {"exness.com", "exness.com"},
           {"localhost", "localhost"},
           {".my.exness.com.", "exness.com"},
           {"my..exness..com", "exness.com"},
           {"...", ""},
           {"", ""},
       })
    EXPECT_EQ(baseDomain(host), base) << host;
}

TEST(FixedSessionRulesTest, OnlySessionCookiesOfTheBaseDomainAreCopied) {
  const Instant now = 5'000;
  struct Case {
    const char* domain;
    std::optional<Instant> expires;
    bool copied;
  };
  for (const auto& c : std::initializer_list<Case>{
           {"exness.com", std::nullopt, true},
           {".exness.com", std::nullopt, true},
           {"my.exness.com", std::nullopt, true},
           {"xexness.com", std::nullopt, true},
           {"exness.com", now + 1, false},
           {"exness.com", 0.0, false},
           {"com", std::nullopt, false},
           {".com", std::nullopt, false},
           {"exness.co", std::nullopt, false},
           {"exness.com.evil.net", std::nullopt, false},
           {"EXNESS.COM", std::nullopt, false},
           {"", std::nullopt, false},
       }) {
    Cookie cookie{.name = "s", .value = "v", .domain = c.domain, .expires = c.expires};
    auto copy = persistentCopy(cookie, "exness.com", now);
    ASSERT_EQ(copy.has_value(), c.copied) << c.domain;
    if (copy) {
      EXPECT_EQ(copy->expires, now + 2'592'000) << c.domain;
    }
  }
  // A site without a host must not claim every session cookie there is.
  EXPECT_FALSE(persistentCopy({.name = "s", .domain = "example.org"}, "", now));
}

TEST(FixedSessionRulesTest, CopyKeepsEveryOtherAttribute) {
  const Cookie c{.name = "sid",
                 .value = "abc=1",
                 .domain = ".exness.com",
                 .path = "/pa",
                 .secure = true,
                 .httpOnly = true,
                 .sameSite = "Lax"};
  auto copy = persistentCopy(c, "exness.com", 10);
  ASSERT_TRUE(copy);
  auto fields = [](const Cookie& k) {
    return std::tie(k.name, k.value, k.domain, k.path, k.secure, k.httpOnly, k.sameSite);
  };
  EXPECT_EQ(fields(*copy), fields(c));
}

struct SesionFijaTest : ::testing::Test {
  Rig rig;
  void SetUp() override {
    rig.cookies.cookies = {
        {.name = "ex", .domain = ".exness.com"},
        {.name = "own", .domain = "my.exness.com"},
        {.name = "kept", .domain = "exness.com", .expires = 1.0},
        {.name = "tr", .domain = "app.tradeify.co"},
        {.name = "other", .domain = "discord.com"},
    };
    rig.launch();
  }
  // Runs a pass for `key` to its end; returns the names written.
  std::vector<std::string> pass(const std::string& key) {
    rig.cookies.writes.clear();
    rig.delegate->sesionFija(key);
    rig.cookies.deliver();
    std::vector<std::string> names;
    for (const auto& c : rig.cookies.writes) names.push_back(c.name);
    return names;
  }
  using Names = std::vector<std::string>;
};

TEST_F(SesionFijaTest, APassRewritesTheSitesSessionCookiesThirtyDaysAhead) {
  EXPECT_EQ(pass("exness"), (Names{"ex", "own"}));
  for (const auto& c : rig.cookies.writes) EXPECT_EQ(c.expires, rig.clock.time + 2'592'000);
  EXPECT_EQ(rig.cookies.cookies[2].name, "kept");
  EXPECT_EQ(rig.cookies.cookies[2].expires, 1.0);
}

TEST_F(SesionFijaTest, ExpiryIsCountedFromWhenTheListArrives) {
  rig.delegate->sesionFija("tradeify");
  rig.clock.time += 42;
  rig.cookies.deliver();
  ASSERT_EQ(rig.cookies.writes.size(), 1u);
  EXPECT_EQ(rig.cookies.writes[0].expires, rig.clock.time + 2'592'000);
}

TEST_F(SesionFijaTest, SitesAreThrottledIndependently) {
  const Instant start = rig.clock.time;
  EXPECT_EQ(pass("exness"), (Names{"ex", "own"}));
  EXPECT_EQ(pass("tradeify"), (Names{"tr"}));

  // The site sets its session cookies again; only a due pass rewrites them.
  auto resetSession = [&] {
    for (auto& c : rig.cookies.cookies)
      if (c.name != "kept") c.expires.reset();
  };
  resetSession();
  rig.clock.time = start + 599;
  EXPECT_TRUE(pass("exness").empty());
  EXPECT_TRUE(pass("tradeify").empty());
  rig.clock.time = start + 600;
  EXPECT_EQ(pass("exness"), (Names{"ex", "own"}));
  resetSession();
  rig.clock.time = start + 1199;
  EXPECT_TRUE(pass("exness").empty());
  EXPECT_EQ(pass("tradeify"), (Names{"tr"}));
}

TEST_F(SesionFijaTest, ClockSetBackWaitsUntilTheStampPlusTheInterval) {
  const Instant start = rig.clock.time;
  pass("exness");
  for (auto& c : rig.cookies.cookies)
    if (c.name == "ex") c.expires.reset();
  rig.clock.time = start - 3600;
  EXPECT_TRUE(pass("exness").empty());
  rig.clock.time = start + 599;
  EXPECT_TRUE(pass("exness").empty());
  rig.clock.time = start + 600;
  EXPECT_EQ(pass("exness"), (Names{"ex"}));
}

TEST_F(SesionFijaTest, StampIsTakenEvenWhenThePassFindsNothing) {
  rig.cookies.cookies.clear();
  const Instant start = rig.clock.time;
  EXPECT_TRUE(pass("exness").empty());
  rig.cookies.cookies = {{.name = "late", .domain = "exness.com"}};
  rig.clock.time = start + 300;
  rig.delegate->sesionFija("exness");
  EXPECT_TRUE(rig.cookies.pending.empty());
  rig.clock.time = start + 600;
  EXPECT_EQ(pass("exness"), (Names{"late"}));
}

TEST_F(SesionFijaTest, SecondCallWhileTheListIsPendingStartsNoPass) {
  rig.delegate->sesionFija("exness");
  rig.delegate->sesionFija("exness");
  EXPECT_EQ(rig.cookies.pending.size(), 1u);
}

TEST_F(SesionFijaTest, UnknownSiteReadsNoCookies) {
  rig.delegate->sesionFija("nosuchsite");
  rig.delegate->sesionFija("Exness");
  EXPECT_TRUE(rig.cookies.pending.empty());
}

}  // namespace
}  // namespace qv
