// Splitting a site-route URL into the site key and the in-page path.
#include "bridge/site_url.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(SiteUrlTest, SplitsBothFormsIntoKeyAndPath) {
  struct Case {
    const char* url;
    const char* key;
    const char* path;
  };
  for (const auto& c : std::initializer_list<Case>{
           {"qv-web://exness/pa/trading/accounts", "exness", "/pa/trading/accounts"},
           {"qv-exness://pa/trading/accounts", "exness", "/pa/trading/accounts"},
           {"qv-web://tradeify/api/x?y=1#f", "tradeify", "/api/x?y=1#f"},
           {"qv-web://tradeify", "tradeify", ""},
           {"qv-web://tradeify/", "tradeify", "/"},
           {"qv-web://tradeify?y=1", "tradeify?y=1", ""},
           {"qv-web://exness/login", "exness", "/login"},
           {"qv-exness://login", "exness", "/login"},
           {"qv-exness://", "exness", "/"},
           {"qv-exness:///a", "exness", "//a"},
           {"qv-web://", "", ""},
           {"qv-web:////", "", ""},
           // Slashes before the key are skipped, never taken out of the path.
           {"qv-web:///exness/x", "exness", "/x"},
       }) {
    auto t = splitSiteUrl(c.url);
    ASSERT_TRUE(t) << c.url;
    EXPECT_EQ(t->key, c.key) << c.url;
    EXPECT_EQ(t->path, c.path) << c.url;
  }
}

TEST(SiteUrlTest, OtherUrlsAreNotSiteUrls) {
  for (const char* url : {"QV-WEB://exness/x", "qv-web:/exness", "https://my.exness.com/",
                          "qv-mt5://estado", "", " qv-web://exness"})
    EXPECT_FALSE(splitSiteUrl(url)) << url;
}

}  // namespace
}  // namespace qv
