// The site route end to end over the fakes: from a "fetch" message to the
// reply evaluated in the main page, the window shown and the cookies kept.
#include <gtest/gtest.h>

#include "bridge/reply.h"
#include "fakes/fake_host.h"

namespace qv {
namespace {

using fake::FakeWebView;
using fake::Rig;

struct SiteFetchTest : ::testing::Test {
  Rig rig;
  void SetUp() override { rig.launch(); }

  void fetch(const std::string& url, const std::string& id = "7") {
    rig.post(nlohmann::json{{"cmd", "fetch"}, {"url", url}, {"id", id}}.dump());
  }
  FakeWebView& site(const std::string& key) {
    return static_cast<FakeWebView&>(*rig.delegate->sitioWeb(key));
  }
  // The site view, loaded on its start page.
  FakeWebView& ready(const std::string& key) {
    auto& v = site(key);
    v.currentUrl =
        key == "exness" ? "https://my.exness.com/pa/trading/accounts" : "https://app.tradeify.co/";
    return v;
  }
  std::vector<std::string>& replies() { return rig.mainView().scripts; }
  static std::string reply(const std::string& data, const std::string& error,
                           const std::string& id = "7") {
    return Rig::toPage(replyScript(id, data, error));
  }
};

TEST_F(SiteFetchTest, LoginShowsTheSiteWindowAndRepliesEmpty) {
  fetch("qv-web://exness/login", "a");
  fetch("qv-exness://login", "b");
  ASSERT_EQ(rig.app.windows.size(), 2u);
  EXPECT_EQ(rig.app.windows[1]->shape.title, "Exness · inicia sesión una vez");
  EXPECT_EQ(rig.app.windows[1]->presented, 2);
  EXPECT_EQ(replies(), (std::vector<std::string>{reply("", "", "a"), reply("", "", "b")}));
  EXPECT_TRUE(site("exness").asyncCalls.empty());
}

TEST_F(SiteFetchTest, UnknownSitesAreAnsweredWithoutCreatingAnything) {
  fetch("qv-web://nosuchsite/x");
  fetch("qv-web://");
  fetch("qv-web://nosuchsite/login");
  EXPECT_EQ(replies(),
            (std::vector<std::string>{reply("", "sitio desconocido"),
                                      reply("", "sitio desconocido"), reply("", "", "7")}));
  EXPECT_EQ(rig.app.views.size(), 1u);
  EXPECT_EQ(rig.app.windows.size(), 1u);
}

TEST_F(SiteFetchTest, ViewNotOnItsSiteYetAnswersCargando) {
  fetch("qv-web://tradeify/api");  // creates the view, still on no page
  ASSERT_EQ(rig.app.views.size(), 2u);
  auto& v = site("tradeify");
  EXPECT_EQ(v.loads, (std::vector<std::string>{"request https://app.tradeify.co/"}));

  for (const char* url : {"https://app.tradeify.co.evil.net/", "https://tradeify.co/",
                          "https://APP.TRADEIFY.CO/", "about:blank", "file:///x"}) {
    v.currentUrl = url;
    fetch("qv-web://tradeify/api");
  }
  ready("tradeify").loading = true;
  fetch("qv-web://tradeify/api");

  EXPECT_EQ(replies(), std::vector<std::string>(7, reply("", "cargando")));
  EXPECT_TRUE(v.asyncCalls.empty());
  EXPECT_EQ(v.loads.size(), 1u);  // fetches never navigate the view
}

TEST_F(SiteFetchTest, ReadyViewRunsTheInPageFetchWithThePath) {
  auto& ex = ready("exness");
  auto& tr = ready("tradeify");
  fetch("qv-exness://pa/trading/accounts");
  fetch("qv-web://exness/pa/trading/accounts?x=1#y");
  fetch("qv-web://tradeify");
  ASSERT_EQ(ex.asyncCalls.size(), 2u);
  ASSERT_EQ(tr.asyncCalls.size(), 1u);
  EXPECT_EQ(ex.asyncCalls[0].body,
            "const r = await fetch(p, { credentials: 'include' }); "
            "return JSON.stringify([r.status, await r.text()]);");
  EXPECT_EQ(ex.asyncCalls[0].argName, "p");
  EXPECT_EQ(ex.asyncCalls[0].argValue, "/pa/trading/accounts");
  EXPECT_EQ(ex.asyncCalls[1].argValue, "/pa/trading/accounts?x=1#y");
  EXPECT_EQ(tr.asyncCalls[0].argValue, "");
  EXPECT_TRUE(replies().empty());  // nothing until the page's fetch settles
}

TEST_F(SiteFetchTest, SettledFetchRepliesAndKeepsTheSessionOnSuccessOnly) {
  struct Case {
    std::optional<std::string> result;
    std::string data, error;
    bool keepsSession;
  };
  for (const auto& c : std::initializer_list<Case>{
           {std::nullopt, "", "sin respuesta", false},
           {"[403,\"\"]", "", "login", false},
           {"[0,\"\"]", "", "HTTP 0", false},
           {"[500,\"boom\"]", "", "HTTP 500", false},
           {"[200,\"\"]", "", "", true},
           {"[200,\"hola\"]", "aG9sYQ==", "", true},
       }) {
    Rig r;
    r.launch();
    auto& v = static_cast<FakeWebView&>(*r.delegate->sitioWeb("exness"));
    v.currentUrl = "https://my.exness.com/";
    r.post(R"({"cmd":"fetch","url":"qv-exness://x","id":"9"})");
    ASSERT_EQ(v.asyncCalls.size(), 1u);
    v.asyncCalls[0].done(c.result);
    const auto label = c.result.value_or("(none)");
    EXPECT_EQ(r.mainView().scripts,
              (std::vector<std::string>{Rig::toPage(replyScript("9", c.data, c.error))}))
        << label;
    EXPECT_EQ(r.cookies.pending.size(), c.keepsSession ? 1u : 0u) << label;
    EXPECT_EQ(r.app.windows.size(), 1u) << label;  // "login" opens no window
  }
}

}  // namespace
}  // namespace qv
