// Web and video panes: created once per slot and stacked in creation order,
// then only moved, shown and hidden; what decides a reload or an unload.
#include <gtest/gtest.h>

#include <set>

#include "fakes/fake_host.h"
#include "panes/pane_rules.h"

namespace qv {
namespace {

using fake::FakeWebView;
using Strings = std::vector<std::string>;

struct PanesTest : ::testing::Test {
  fake::Rig rig;
  void SetUp() override { rig.launch(); }
  FakeWebView& web(const std::string& slot) { return rig.view(rig.delegate->panesWeb(), slot); }
  FakeWebView& video(const std::string& slot) { return rig.view(rig.delegate->panesVideo(), slot); }
};

TEST(WebStartAddressTest, StoredAddressWinsOnlyWhenItParses) {
  const std::optional<std::string> none;
  EXPECT_EQ(webStartAddress("https://d.app/channels/1", "https://d.app/"),
            "https://d.app/channels/1");
  EXPECT_EQ(webStartAddress(none, "https://d.app/"), "https://d.app/");
  EXPECT_EQ(webStartAddress("not a url", "https://d.app/"), "https://d.app/");
  EXPECT_EQ(webStartAddress("", "https://d.app/"), "https://d.app/");
  EXPECT_EQ(webStartAddress("not a url", "neither one"), none);
}

TEST_F(PanesTest, AWebPaneIsMadeOnceThenOnlyMovedShownAndHidden) {
  rig.settings.values["web.b"] = "https://discord.com/channels/1/2";
  rig.post(R"({"cmd":"web","x":10,"y":20.5,"w":300})");
  rig.post(R"({"cmd":"web","slot":"b","url":"https://x.test/"})");
  auto& p = web("web");
  EXPECT_TRUE(p.config.mediaWithoutGesture && p.config.safariUserAgent);
  EXPECT_FALSE(p.config.transparent || p.config.sharesVideoProcess);
  EXPECT_EQ(p.config.policy, rig.delegate.get());
  EXPECT_EQ(p.config.bridge, nullptr);
  EXPECT_EQ(p.loads, Strings{"request https://discord.com/app"});
  EXPECT_EQ(web("b").loads, Strings{"request https://discord.com/channels/1/2"});
  EXPECT_EQ(p.frame.y, 20.5);

  rig.post(R"({"cmd":"webOcultar"})");
  EXPECT_TRUE(p.hidden);
  EXPECT_FALSE(web("b").hidden);
  rig.post(R"({"cmd":"web","url":"https://x.test/two","x":5,"w":200})");
  EXPECT_EQ(&web("web"), &p);
  EXPECT_EQ(p.loads.size(), 1u);
  EXPECT_EQ(p.reloads, 0);
  EXPECT_EQ((std::pair{p.frame.x, p.frame.w}), (std::pair{5.0, 200.0}));
  EXPECT_FALSE(p.hidden);
  EXPECT_EQ(rig.app.views.size(), 3u);
}

TEST_F(PanesTest, AWebPaneRemembersOnlyChannelAddressesInItsSlot) {
  rig.settings.values["web.web"] = "bad address";
  rig.post(R"({"cmd":"web","url":"also bad"})");
  rig.post(R"({"cmd":"web","slot":"b"})");
  EXPECT_TRUE(web("web").loads.empty());  // blank, yet observed
  web("web").navigate("https://discord.com/channels/7/8");
  web("web").navigate("https://discord.com/settings");
  web("web").navigate("https://discord.com/CHANNELS/9");
  web("b").navigate("https://discord.com/channels/3");
  EXPECT_EQ(rig.settings.values,
            (std::map<std::string, std::string>{{"web.web", "https://discord.com/channels/7/8"},
                                                {"web.b", "https://discord.com/channels/3"}}));
}

TEST_F(PanesTest, PanesStackInCreationOrderAndNeedTheMainWindow) {
  rig.post(R"({"cmd":"web","slot":"a"})");
  rig.post(R"({"cmd":"video","id":"v1"})");
  rig.post(R"({"cmd":"web","slot":"b"})");
  rig.post(R"({"cmd":"web","slot":"a","x":9})");
  EXPECT_EQ(rig.app.windows.at(0)->panes,
            (std::vector<WebView*>{&web("a"), &video("0"), &web("b")}));

  // A pane whose process ended is left as it is; only the main page comes back.
  rig.delegate->contentProcessEnded(web("a"));
  EXPECT_EQ(rig.mainView().reloads, 0);
  rig.delegate->contentProcessEnded(rig.mainView());
  EXPECT_EQ(rig.mainView().reloads, 1);

  fake::Rig early;  // not launched: no window yet
  Delegate d({early.app, early.cookies, early.browser, early.settings, early.clock, early.http,
              early.dialogs, early.mainQueue, early.log},
             early.config);
  d.colocaWeb("web", "https://x.test/", {});
  d.colocaVideo("0", "id", "yt", "", 0, {});
  EXPECT_TRUE(early.app.views.empty());
}

TEST_F(PanesTest, AVideoPageIsReplacedOnlyWhenWhatItPlaysChanges) {
  struct Step {
    const char* message;
    size_t loadsAfter;
  };
  const Step steps[] = {
      {R"({"cmd":"video","id":"abc","vol":30,"x":1,"h":4})", 1},
      {R"({"cmd":"video","id":"abc","vol":80,"x":50})", 1},
      {R"({"cmd":"video","id":"abd"})", 2},
      {R"({"cmd":"video","id":"abd","tipo":"kick"})", 3},
      {R"({"cmd":"video","id":"abd","tipo":"kick","hls":"https://h/x.m3u8"})", 4},
      {R"({"cmd":"videoOcultar","quedan":["x"]})", 4},  // hidden, not unloaded
      {R"({"cmd":"video","id":"abd","tipo":"kick","hls":"https://h/x.m3u8"})", 4},
      {R"({"cmd":"videoOcultar"})", 5},  // the unload itself
      {R"({"cmd":"video","id":"abd","tipo":"kick","hls":"https://h/x.m3u8"})", 6},
  };
  for (const auto& s : steps) {
    rig.post(s.message);
    EXPECT_EQ(video("0").loads.size(), s.loadsAfter) << s.message;
  }
  auto& p = video("0");
  EXPECT_TRUE(p.config.mediaWithoutGesture && p.config.transparent && p.config.roundedCorners &&
              p.config.sharesVideoProcess);
  EXPECT_EQ(p.config.policy, nullptr);
  EXPECT_EQ(p.loads.front(), "html https://quorvex.app/");
  EXPECT_FALSE(p.hidden);
  rig.post(R"({"cmd":"video","id":"abc"})");
  EXPECT_EQ(rig.delegate->videoKeys().at("0"), "ytabc");
  EXPECT_NE(p.lastHtml.find("videoId:'abc'"), std::string::npos);

  fake::Rig noBase;
  noBase.config.videoBaseURL = "no base";
  noBase.launch();
  noBase.post(R"({"cmd":"video","id":"c","tipo":"kick"})");
  EXPECT_EQ(noBase.view(noBase.delegate->panesVideo(), "0").loads, Strings{"html (none)"});
}

TEST_F(PanesTest, VolumeGoesToTheSlotsPageAsAWholeNumber) {
  rig.post(R"({"cmd":"video","id":"abc","slot":"a"})");
  for (const char* message :
       {R"({"cmd":"videoVol","slot":"a","v":40})", R"({"cmd":"videoVol","slot":"a","v":40.5})",
        R"({"cmd":"videoVol","slot":"a"})", R"({"cmd":"videoVol","slot":"a","v":-3})",
        R"({"cmd":"videoVol","v":40})", R"({"cmd":"videoVol","slot":"b","v":40})"})
    rig.post(message);
  EXPECT_EQ(video("a").scripts, (Strings{"setVol(40)", "setVol(0)", "setVol(0)", "setVol(-3)"}));
}

TEST_F(PanesTest, VideoOcultarHidesAndUnloadsThePanesNotKept) {
  using Set = std::set<std::string>;
  const std::tuple<const char*, Set, Set> cases[] = {
      {R"({"cmd":"videoOcultar"})", {"a", "b", "c"}, {"a", "b", "c"}},
      {R"({"cmd":"videoOcultar","quedan":["b"]})", {"a", "c"}, {}},
      {R"({"cmd":"videoOcultar","quedan":["b","b","zz"],"quitar":true})", {"a", "c"}, {"a", "c"}},
      {R"({"cmd":"videoOcultar","quedan":["b"],"quitar":"yes"})", {"a", "c"}, {}},
      {R"({"cmd":"videoOcultar","quedan":["b",5]})", {"a", "b", "c"}, {"a", "b", "c"}},
  };
  for (const auto& [message, hidden, unloaded] : cases) {
    fake::Rig r;
    r.launch();
    for (const char* slot : {"a", "b", "c"})
      r.post(std::string(R"({"cmd":"video","id":"i","slot":")") + slot + "\"}");
    r.post(message);
    for (const std::string slot : {"a", "b", "c"}) {
      auto& p = r.view(r.delegate->panesVideo(), slot);
      EXPECT_EQ(p.hidden, hidden.contains(slot)) << message << slot;
      EXPECT_EQ(p.loads.back(),
                unloaded.contains(slot) ? "html (none)" : "html https://quorvex.app/")
          << message << slot;
      EXPECT_EQ(r.delegate->videoKeys().contains(slot), !unloaded.contains(slot))
          << message << slot;
    }
  }
}

// The chat notifies only once allowed from the page; the choice is stored
// and given to the engine, the page hears of each notification, and a click
// on any brings the main window back. Other views never notify.
TEST_F(PanesTest, ChatNotifiesOnlyOnceAllowedAndEachOneReachesThePage) {
  rig.post(R"({"cmd":"web"})");
  auto& chat = web("web");
  auto& main = rig.mainView();
  using Origins = std::pair<std::vector<std::string>, std::vector<std::string>>;
  const std::vector<std::string> chatApp{rig.config.chatAppURL}, page{"file:///"},
      pageAndChat{"file:///", rig.config.chatAppURL};
  EXPECT_EQ(rig.app.notificationOrigins, (Origins{page, {}}));
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
           {R"({"cmd":"avisosChat"})", false, {page, {}}, std::nullopt, "false"},
           {R"({"cmd":"avisosChat","permitir":"si"})", false, {page, {}}, std::nullopt, "false"},
           {R"({"cmd":"avisosChat","permitir":true})",
            true,
            {pageAndChat, {}},
            "permitidos",
            "true"},
           {R"({"cmd":"avisosChat","permitir":false})",
            false,
            {page, chatApp},
            "denegados",
            "false"},
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
  const int before = rig.app.windows.at(0)->presented;
  rig.delegate->notificationClicked(chat);
  EXPECT_EQ(rig.app.windows.at(0)->presented, before + 1);

  // The stored choice is the engine's again at the next start.
  rig.launch();
  EXPECT_EQ(rig.app.notificationOrigins, (Origins{page, chatApp}));
  rig.mainView().navigate("https://elsewhere.example/");
  EXPECT_FALSE(rig.delegate->grantsNotifications(rig.mainView()));
}

}  // namespace
}  // namespace qv
