// Logged-in sites: one view per site, one log-in window that shows it, and
// the fixed session that makes the site's session cookies last 30 days.
#include "sites/sites.h"

#include <gtest/gtest.h>

#include "fakes/fake_host.h"
#include "sites/fixed_session.h"

namespace qv {
namespace {

using fake::Rig;
using Names = std::vector<std::string>;

TEST(FixedSessionRulesTest, OnlySessionCookiesOfTheBaseDomainAreCopied) {
  for (const auto& [host, base] : std::initializer_list<std::pair<const char*, const char*>>{
           {"a.b.app.tradeify.co", "tradeify.co"}, {".my..exness.com.", "exness.com"}, {"...", ""}})
    EXPECT_EQ(baseDomain(host), base) << host;

  const Instant now = 5'000;
  const auto fields = [](const Cookie& k) {
    return std::tie(k.name, k.value, k.domain, k.path, k.expires, k.secure, k.httpOnly, k.sameSite);
  };
  for (const auto& [domain, expires, copied] :
       std::initializer_list<std::tuple<const char*, std::optional<Instant>, bool>>{
           {".exness.com", std::nullopt, true},
           {"my.exness.com", std::nullopt, true},
           {"exness.com", 0.0, false},
           {".com", std::nullopt, false},
           {"exness.com.evil.net", std::nullopt, false},
           {"EXNESS.COM", std::nullopt, false},
       }) {
    Cookie c{"sid", "v=1", domain, "/pa", expires, true, true, "Lax"};
    auto copy = persistentCopy(c, "exness.com", now);
    ASSERT_EQ(copy.has_value(), copied) << domain;
    if (!copy) continue;
    c.expires =
        now + kPersistentLifetime;  // its length is the end-to-end suite's, on the real store
    EXPECT_EQ(fields(*copy), fields(c)) << domain;
  }
  // A site without a host must not claim every session cookie there is.
  EXPECT_FALSE(persistentCopy({.name = "s", .domain = "example.org"}, "", now));
}

struct SitesTest : ::testing::Test {
  Rig rig;
  void SetUp() override {
    rig.cookies = {{.name = "ex", .domain = ".exness.com"},
                   {.name = "kept", .domain = "exness.com", .expires = 1.0},
                   {.name = "tr", .domain = "app.tradeify.co"},
                   {.name = "other", .domain = "discord.com"}};
    rig.config.sitios["roto"] = {"https://bad host/", "bad host"};
    rig.launch();
  }
  // Asks for a pass at `time`, lets the cookie list arrive `late` seconds
  // later; returns the names written back.
  Names pass(const std::string& key, Instant time, Instant late = 0) {
    rig.cookieWrites.clear();
    rig.time = time;
    rig.delegate->sesionFija(key);
    rig.time += late;
    rig.deliverCookies();
    Names names;
    for (const auto& c : rig.cookieWrites) {
      names.push_back(c.name);
      EXPECT_EQ(c.expires, rig.time + kPersistentLifetime);  // from when the list arrived
    }
    return names;
  }
};

TEST_F(SitesTest, PassesAreThrottledPerSiteAndStampedBeforeTheCookiesArrive) {
  const Instant t = rig.time;
  EXPECT_EQ(pass("exness", t, 42), Names{"ex"});
  EXPECT_EQ(pass("tradeify", t + 1), Names{"tr"});
  EXPECT_EQ(pass("exness", t + 599), Names{});
  EXPECT_EQ(pass("exness", t - 3600), Names{});  // a clock set back waits as well
  EXPECT_EQ(pass("exness", t + 600), Names{"ex"});
  EXPECT_EQ(pass("tradeify", t + 600), Names{});
  EXPECT_EQ(pass("nosuchsite", t), Names{});

  rig.time = t + 2000;
  for (const char* key : {"exness", "exness", "Exness"}) rig.delegate->sesionFija(key);
  EXPECT_EQ(rig.cookieReads.size(), 1u);
}

TEST_F(SitesTest, OneViewPerSiteAndOneLogInWindowThatBringsItBackToTheSite) {
  WebView* view = rig.delegate->sitioWeb("exness");
  EXPECT_EQ(rig.delegate->sitioWeb("exness"), view);
  auto& v = static_cast<fake::FakeWebView&>(*view);
  const std::string start = "request https://my.exness.com/pa/trading/accounts";
  EXPECT_EQ(v.loads, Names{start});
  EXPECT_TRUE(v.config.safariUserAgent);
  EXPECT_FALSE(v.config.policy || v.config.bridge);
  EXPECT_EQ(rig.windows.size(), 1u);  // no window until shown

  for (const auto& [current, sentBack] : std::initializer_list<std::pair<const char*, bool>>{
           {"https://accounts.google.com/signin", true},
           {"https://MY.EXNESS.COM/", true},
           {"https://my.exness.com/other/page?x=1", false},
           {"https://user@my.exness.com:8443/", false}}) {
    v.currentUrl = current;
    v.loads.clear();
    rig.delegate->sitioMostrar("exness");
    EXPECT_EQ(v.loads, sentBack ? Names{start} : Names{}) << current;
  }
  ASSERT_EQ(rig.windows.size(), 2u);
  auto& w = *rig.windows[1];
  EXPECT_EQ(siteWindowTitle("mY sITE\tdos"), "My Site\tDos · inicia sesión una vez");
  EXPECT_EQ(siteWindowTitle("a-b 2x"), "A-b 2x · inicia sesión una vez");
  EXPECT_FALSE(w.shape.autosaveName);
  EXPECT_EQ(&w.content, view);
  // Presented each time; activating would raise the main window over it.
  EXPECT_EQ(w.presented, 4);
  EXPECT_EQ(rig.activations, 1);  // the launch's own

  // Unknown keys and unparsable start URLs create nothing.
  for (const char* key : {"nosuchsite", "Exness", "roto"}) {
    EXPECT_EQ(rig.delegate->sitioWeb(key), nullptr) << key;
    rig.delegate->sitioMostrar(key);
  }
  EXPECT_EQ(std::tuple(rig.views.size(), rig.windows.size()), std::tuple(2u, 2u));
}

}  // namespace
}  // namespace qv
