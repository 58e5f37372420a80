// Logged-in sites: one view per site, one log-in window that shows it, and
// the fixed session that makes the site's session cookies last 30 days.
#include <gtest/gtest.h>

#include "fakes/fake_host.h"
#include "sites/fixed_session.h"
#include "sites/site_title.h"

namespace qv {
namespace {

using fake::Rig;
using Names = std::vector<std::string>;

TEST(FixedSessionRulesTest, OnlySessionCookiesOfTheBaseDomainAreCopied) {
  for (const auto& [host, base] : std::initializer_list<std::pair<const char*, const char*>>{
           {"my.exness.com", "exness.com"},
           {"a.b.app.tradeify.co", "tradeify.co"},
           {"localhost", "localhost"},
           {".my..exness.com.", "exness.com"},
           {"...", ""}})
    EXPECT_EQ(baseDomain(host), base) << host;

  const Instant now = 5'000;
  for (const auto& [domain, expires, copied] :
       std::initializer_list<std::tuple<const char*, std::optional<Instant>, bool>>{
           {".exness.com", std::nullopt, true},
           {"my.exness.com", std::nullopt, true},
           {"exness.com", 0.0, false},
           {".com", std::nullopt, false},
           {"exness.com.evil.net", std::nullopt, false},
           {"EXNESS.COM", std::nullopt, false},
       }) {
    const Cookie c{.name = "sid",
                   .value = "v=1",
                   .domain = domain,
                   .path = "/pa",
                   .expires = expires,
                   .secure = true,
                   .httpOnly = true,
                   .sameSite = "Lax"};
    auto copy = persistentCopy(c, "exness.com", now);
    ASSERT_EQ(copy.has_value(), copied) << domain;
    if (!copy) continue;
    Cookie expected = c;
    expected.expires = now + 30 * 86400;
    auto fields = [](const Cookie& k) {
      return std::tie(k.name, k.value, k.domain, k.path, k.expires, k.secure, k.httpOnly,
                      k.sameSite);
    };
    EXPECT_EQ(fields(*copy), fields(expected)) << domain;
  }
  // A site without a host must not claim every session cookie there is.
  EXPECT_FALSE(persistentCopy({.name = "s", .domain = "example.org"}, "", now));
}

struct SitesTest : ::testing::Test {
  Rig rig;
  void SetUp() override {
    rig.cookies.cookies = {{.name = "ex", .domain = ".exness.com"},
                           {.name = "kept", .domain = "exness.com", .expires = 1.0},
                           {.name = "tr", .domain = "app.tradeify.co"},
                           {.name = "other", .domain = "discord.com"}};
    rig.launch();
  }
  // Asks for a pass at `time`, lets the cookie list arrive `late` seconds
  // later; returns the names written back.
  Names pass(const std::string& key, Instant time, Instant late = 0) {
    rig.cookies.writes.clear();
    rig.clock.time = time;
    rig.delegate->sesionFija(key);
    rig.clock.time += late;
    rig.cookies.deliver();
    Names names;
    for (const auto& c : rig.cookies.writes) {
      names.push_back(c.name);
      EXPECT_EQ(c.expires, rig.clock.time + 2'592'000);
    }
    return names;
  }
};

TEST_F(SitesTest, PassesAreThrottledPerSiteAndStampedBeforeTheCookiesArrive) {
  const Instant t = rig.clock.time;
  EXPECT_EQ(pass("exness", t, 42), Names{"ex"});
  EXPECT_EQ(pass("tradeify", t + 1), Names{"tr"});
  EXPECT_EQ(pass("exness", t + 599), Names{});
  EXPECT_EQ(pass("exness", t - 3600), Names{});  // a clock set back waits as well
  EXPECT_EQ(pass("exness", t + 600), Names{"ex"});
  EXPECT_EQ(pass("tradeify", t + 600), Names{});
  EXPECT_EQ(pass("nosuchsite", t), Names{});

  rig.clock.time = t + 2000;
  rig.delegate->sesionFija("exness");
  rig.delegate->sesionFija("exness");
  rig.delegate->sesionFija("Exness");
  EXPECT_EQ(rig.cookies.pending.size(), 1u);
}

TEST(SiteTitleTest, CapitalisesEveryWord) {
  EXPECT_EQ(siteWindowTitle("mY sITE\tdos"), "My Site\tDos · inicia sesión una vez");
  EXPECT_EQ(siteWindowTitle("a-b 2x"), "A-b 2x · inicia sesión una vez");
}

TEST_F(SitesTest, OneViewPerSiteAndOneLogInWindowThatBringsItBackToTheSite) {
  WebView* view = rig.delegate->sitioWeb("exness");
  EXPECT_EQ(rig.delegate->sitioWeb("exness"), view);
  auto& v = static_cast<fake::FakeWebView&>(*view);
  const std::string start = "request https://my.exness.com/pa/trading/accounts";
  EXPECT_EQ(v.loads, Names{start});
  EXPECT_TRUE(v.config.safariUserAgent);
  EXPECT_EQ(v.config.policy, nullptr);
  EXPECT_EQ(v.config.bridge, nullptr);
  EXPECT_EQ(rig.app.windows.size(), 1u);  // no window until shown

  const auto activations = rig.app.activations;
  for (const auto& [current, sentBack] : std::initializer_list<std::pair<const char*, bool>>{
           {"https://accounts.google.com/signin", true},
           {"https://exness.com/", true},
           {"https://MY.EXNESS.COM/", true},
           {"https://my.exness.com/other/page?x=1", false},
           {"https://user@my.exness.com:8443/", false}}) {
    v.currentUrl = current;
    v.loads.clear();
    rig.delegate->sitioMostrar("exness");
    EXPECT_EQ(v.loads, sentBack ? Names{start} : Names{}) << current;
  }
  ASSERT_EQ(rig.app.windows.size(), 2u);
  auto& w = *rig.app.windows[1];
  EXPECT_EQ(w.shape.title, "Exness · inicia sesión una vez");
  EXPECT_FALSE(w.shape.autosaveName);
  EXPECT_EQ(&w.content, view);
  // Presented each time; activating would raise the main window over it.
  EXPECT_EQ(w.presented, 5);
  EXPECT_EQ(rig.app.activations, activations);
}

TEST(SiteWindowsTest, UnknownKeysAndUnparsableStartUrlsCreateNothing) {
  Rig rig;
  rig.config.sitios["roto"] = {"https://bad host/", "bad host"};
  rig.launch();
  for (const char* key : {"nosuchsite", "Exness", "roto"}) {
    EXPECT_EQ(rig.delegate->sitioWeb(key), nullptr) << key;
    rig.delegate->sitioMostrar(key);
  }
  EXPECT_EQ(rig.app.views.size(), 1u);
  EXPECT_EQ(rig.app.windows.size(), 1u);
}

}  // namespace
}  // namespace qv
