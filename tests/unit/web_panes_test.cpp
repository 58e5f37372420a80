// Web panes: created once per slot, then only moved and shown; the last
// channel shown in a slot is remembered for the next launch.
#include <gtest/gtest.h>

#include "fakes/fake_host.h"
#include "panes/pane_rules.h"

namespace qv {
namespace {

using fake::FakeWebView;

TEST(WebStartAddressTest, StoredAddressWinsOnlyWhenItParses) {
  struct Case {
    std::optional<std::string> stored;
    std::string requested;
    std::optional<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"https://d.app/channels/1/2", "https://d.app/app", "https://d.app/channels/1/2"},
      {std::nullopt, "https://d.app/app", "https://d.app/app"},
      {"not a url", "https://d.app/app", "https://d.app/app"},
      {"", "https://d.app/app", "https://d.app/app"},
      {"not a url", "neither one", std::nullopt},
      {std::nullopt, "", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(webStartAddress(c.stored, c.requested), c.expected) << c.requested;
}

struct WebPanesTest : ::testing::Test {
  fake::Rig rig;
  void SetUp() override { rig.launch(); }
  FakeWebView& pane(const std::string& slot) {
    return static_cast<FakeWebView&>(*rig.delegate->panesWeb().at(slot));
  }
};

TEST_F(WebPanesTest, FirstPlacementCreatesLoadsAndShowsThePane) {
  rig.post(R"({"cmd":"web","x":10,"y":20.5,"w":300,"h":0})");
  auto& p = pane("web");
  EXPECT_TRUE(p.config.mediaWithoutGesture);
  EXPECT_TRUE(p.config.safariUserAgent);
  EXPECT_FALSE(p.config.transparent);
  EXPECT_EQ(p.config.cornerRadius, 0);
  EXPECT_EQ(p.config.policy, rig.delegate.get());
  EXPECT_EQ(p.config.bridge, nullptr);
  EXPECT_EQ(p.loads, std::vector<std::string>{"request https://discord.com/app"});
  EXPECT_EQ(p.frame->x, 10);
  EXPECT_EQ(p.frame->y, 20.5);
  EXPECT_EQ(p.frame->w, 300);
  EXPECT_EQ(p.frame->h, 0);
  EXPECT_FALSE(p.hidden);
}

TEST_F(WebPanesTest, StartsAtTheStoredChannelUnlessItNoLongerParses) {
  rig.settings.values["web.a"] = "https://discord.com/channels/1/2";
  rig.settings.values["web.b"] = "https://discord.com/channels/ 1";
  rig.post(R"({"cmd":"web","slot":"a","url":"https://x.test/"})");
  rig.post(R"({"cmd":"web","slot":"b","url":"https://x.test/"})");
  EXPECT_EQ(pane("a").loads, std::vector<std::string>{"request https://discord.com/channels/1/2"});
  EXPECT_EQ(pane("b").loads, std::vector<std::string>{"request https://x.test/"});
}

TEST_F(WebPanesTest, RemembersOnlyChannelAddressesPerSlot) {
  rig.post(R"({"cmd":"web","slot":"a"})");
  rig.post(R"({"cmd":"web","slot":"b"})");
  pane("a").navigate("https://discord.com/channels/7/8");
  pane("a").navigate("https://discord.com/settings");
  pane("a").navigate("https://discord.com/CHANNELS/9");
  pane("b").navigate("https://discord.com/channels/3");
  EXPECT_EQ(rig.settings.values,
            (std::map<std::string, std::string>{{"web.a", "https://discord.com/channels/7/8"},
                                                {"web.b", "https://discord.com/channels/3"}}));
}

TEST_F(WebPanesTest, WithNothingToLoadThePaneStaysBlankButIsObserved) {
  rig.settings.values["web.web"] = "bad address";
  rig.post(R"({"cmd":"web","url":"also bad"})");
  EXPECT_TRUE(pane("web").loads.empty());
  EXPECT_FALSE(pane("web").hidden);
  pane("web").navigate("https://discord.com/channels/5");
  EXPECT_EQ(rig.settings.values["web.web"], "https://discord.com/channels/5");
}

TEST_F(WebPanesTest, LaterPlacementsOnlyMoveAndShowThePane) {
  rig.post(R"({"cmd":"web","url":"https://x.test/one","w":100})");
  FakeWebView* first = &pane("web");
  rig.post(R"({"cmd":"webOcultar"})");
  EXPECT_TRUE(first->hidden);
  rig.post(R"({"cmd":"webOcultar","slot":"nadie"})");
  rig.post(R"({"cmd":"web","url":"https://x.test/two","x":5,"w":200})");
  EXPECT_EQ(&pane("web"), first);
  EXPECT_EQ(first->loads, std::vector<std::string>{"request https://x.test/one"});
  EXPECT_EQ(first->reloads, 0);
  EXPECT_EQ(first->observers.size(), 1u);
  EXPECT_EQ(first->frame->x, 5);
  EXPECT_EQ(first->frame->w, 200);
  EXPECT_FALSE(first->hidden);
  EXPECT_EQ(rig.app.views.size(), 2u);
}

TEST_F(WebPanesTest, PanesStackInCreationOrderWhateverIsPlacedLater) {
  rig.post(R"({"cmd":"web","slot":"a"})");
  rig.post(R"({"cmd":"video","id":"v1"})");
  rig.post(R"({"cmd":"web","slot":"b"})");
  rig.post(R"({"cmd":"web","slot":"a","x":9})");
  EXPECT_EQ(
      rig.mainWindow().panes,
      (std::vector<WebView*>{&pane("a"), rig.delegate->panesVideo().at("0").get(), &pane("b")}));
}

TEST(WebPanesWithoutWindowTest, PlacingBeforeLaunchDoesNothing) {
  fake::Rig rig;
  Delegate d({rig.app, rig.cookies, rig.browser, rig.settings, rig.clock, rig.http, rig.dialogs,
              rig.mainQueue, rig.log},
             rig.config);
  d.colocaWeb("web", "https://x.test/", {});
  d.colocaVideo("0", "id", "yt", "", 0, {});
  EXPECT_TRUE(rig.app.views.empty());
  EXPECT_TRUE(d.panesWeb().empty());
  EXPECT_TRUE(d.panesVideo().empty());
}

// The chat notifies only once allowed from the page; the choice is stored
// and given to the engine, the page hears of each notification, and a click
// on any brings the main window back. Other views never notify.
TEST_F(WebPanesTest, ChatNotifiesOnlyOnceAllowedAndEachOneReachesThePage) {
  rig.post(R"({"cmd":"web"})");
  auto& chat = pane("web");
  auto& main = rig.mainView();
  using Origins = std::pair<std::vector<std::string>, std::vector<std::string>>;
  const std::vector<std::string> chatApp{rig.config.chatAppURL};
  EXPECT_EQ(rig.app.notificationOrigins, Origins{});
  EXPECT_TRUE(rig.delegate->grantsNotifications(main));
  EXPECT_FALSE(rig.delegate->grantsNotifications(chat));

  const auto choice = [](const char* v) {
    return fake::Rig::toPage(std::string("window.__qvAvisosChat && window.__qvAvisosChat(") + v +
                             ")");
  };
  const std::string counted = fake::Rig::toPage("window.__qvAvisoChat && window.__qvAvisoChat()");
  struct Step {
    const char* message;
    bool granted;
    Origins origins;
    std::optional<std::string> stored;
    const char* reply;
  };
  for (const auto& s : std::vector<Step>{
           {R"({"cmd":"avisosChat"})", false, {}, std::nullopt, "false"},
           {R"({"cmd":"avisosChat","permitir":"si"})", false, {}, std::nullopt, "false"},
           {R"({"cmd":"avisosChat","permitir":true})", true, {chatApp, {}}, "permitidos", "true"},
           {R"({"cmd":"avisosChat","permitir":false})", false, {{}, chatApp}, "denegados", "false"},
       }) {
    main.scripts.clear();
    rig.post(s.message);
    EXPECT_EQ(rig.delegate->grantsNotifications(chat), s.granted) << s.message;
    EXPECT_EQ(rig.app.notificationOrigins, s.origins) << s.message;
    EXPECT_EQ(rig.settings.string("avisos.chat"), s.stored) << s.message;
    EXPECT_EQ(main.scripts, std::vector<std::string>{choice(s.reply)}) << s.message;
  }

  main.scripts.clear();
  rig.delegate->notificationShown(main);
  rig.delegate->notificationShown(chat);
  EXPECT_EQ(main.scripts, std::vector<std::string>{counted});
  const int before = rig.mainWindow().presented;
  rig.delegate->notificationClicked(chat);
  EXPECT_EQ(rig.mainWindow().presented, before + 1);

  // The stored choice is the engine's again at the next start.
  rig.launch();
  EXPECT_EQ(rig.app.notificationOrigins, (Origins{{}, chatApp}));
  rig.mainView().navigate("https://elsewhere.example/");
  EXPECT_FALSE(rig.delegate->grantsNotifications(rig.mainView()));
}

}  // namespace
}  // namespace qv
