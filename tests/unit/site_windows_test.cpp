// Site web views and the log-in windows that show them.
#include <gtest/gtest.h>

#include "fakes/fake_host.h"
#include "sites/site_title.h"

namespace qv {
namespace {

using fake::FakeWebView;
using fake::FakeWindow;
using fake::Rig;

TEST(SiteTitleTest, CapitalisesEveryWord) {
  EXPECT_EQ(siteWindowTitle("exness"), "Exness · inicia sesión una vez");
  EXPECT_EQ(siteWindowTitle("tradeify"), "Tradeify · inicia sesión una vez");
  EXPECT_EQ(siteWindowTitle("mY sITE\tdos"), "My Site\tDos · inicia sesión una vez");
  EXPECT_EQ(siteWindowTitle("a-b 2x"), "A-b 2x · inicia sesión una vez");
  EXPECT_EQ(siteWindowTitle(""), " · inicia sesión una vez");
}

struct SiteWindowsTest : ::testing::Test {
  Rig rig;
  void SetUp() override { rig.launch(); }
  FakeWebView& view(const std::string& key) {
    return static_cast<FakeWebView&>(*rig.delegate->sitioWeb(key));
  }
  const std::string exnessStart = "https://my.exness.com/pa/trading/accounts";
};

TEST_F(SiteWindowsTest, SitioWebCreatesOneLoadingViewPerSite) {
  WebView* first = rig.delegate->sitioWeb("exness");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(rig.delegate->sitioWeb("exness"), first);
  EXPECT_NE(rig.delegate->sitioWeb("tradeify"), first);
  ASSERT_EQ(rig.app.views.size(), 3u);  // the main view and the two sites

  auto& v = view("exness");
  EXPECT_EQ(v.loads, (std::vector<std::string>{"request " + exnessStart}));
  EXPECT_TRUE(v.config.safariUserAgent);
  EXPECT_EQ(v.config.policy, nullptr);
  EXPECT_EQ(v.config.bridge, nullptr);
  EXPECT_FALSE(v.config.mediaWithoutGesture);
  EXPECT_EQ(rig.app.windows.size(), 1u);  // no window of its own
}

TEST(SiteWindowsUnknownTest, UnknownKeysAndUnparsableStartUrlsCreateNothing) {
  Rig rig;
  rig.config.sitios["roto"] = {"https://bad host/", "bad host"};
  rig.launch();
  const auto activations = rig.app.activations;
  for (const char* key : {"nosuchsite", "Exness", "", "roto"}) {
    EXPECT_EQ(rig.delegate->sitioWeb(key), nullptr) << key;
    rig.delegate->sitioMostrar(key);
  }
  EXPECT_EQ(rig.app.views.size(), 1u);
  EXPECT_EQ(rig.app.windows.size(), 1u);
  EXPECT_EQ(rig.app.activations, activations);
}

TEST_F(SiteWindowsTest, SitioMostrarShowsOneWindowHoldingTheSiteView) {
  const auto activations = rig.app.activations;
  rig.delegate->sitioMostrar("exness");
  rig.delegate->sitioMostrar("exness");
  ASSERT_EQ(rig.app.windows.size(), 2u);
  FakeWindow& w = *rig.app.windows[1];
  EXPECT_EQ(w.shape.title, "Exness · inicia sesión una vez");
  EXPECT_EQ(w.shape.width, 1100);
  EXPECT_EQ(w.shape.height, 780);
  EXPECT_FALSE(w.shape.autosaveName);
  EXPECT_FALSE(w.shape.minimumSize);
  EXPECT_EQ(&w.content, rig.delegate->sitioWeb("exness"));
  // Presented each time; activating would raise the main window over it.
  EXPECT_EQ(w.presented, 2);
  EXPECT_EQ(rig.app.activations, activations);
}

TEST_F(SiteWindowsTest, SitioMostrarSendsTheViewBackOnlyWhenOffTheSitesHost) {
  struct Case {
    std::optional<std::string> current;
    bool sentBack;
  };
  for (const auto& c : std::initializer_list<Case>{
           {std::nullopt, true},
           {"about:blank", true},
           {"https://accounts.google.com/signin", true},
           {"https://exness.com/", true},
           {"https://MY.EXNESS.COM/", true},
           {"not a url", true},
           {"https://my.exness.com/pa/trading/accounts", false},
           {"https://my.exness.com/other/page?x=1", false},
           {"https://user@my.exness.com:8443/", false},
       }) {
    auto& v = view("exness");
    v.currentUrl = c.current;
    v.loads.clear();
    rig.delegate->sitioMostrar("exness");
    EXPECT_EQ(v.loads, c.sentBack ? std::vector<std::string>{"request " + exnessStart}
                                  : std::vector<std::string>{})
        << c.current.value_or("(none)");
  }
  EXPECT_EQ(rig.app.windows.size(), 2u);
}

}  // namespace
}  // namespace qv
