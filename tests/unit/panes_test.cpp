// Web and video panes: created once per slot, then only moved, shown and
// hidden; what decides a reload or an unload.
#include <gtest/gtest.h>

#include <set>

#include "fakes/fake_host.h"

namespace qv {
namespace {

using fake::Rig;
using nlohmann::json;
using Strings = std::vector<std::string>;

struct PanesTest : ::testing::Test {
  Rig rig;
  void SetUp() override { rig.launch(); }
};

// A stored channel wins only on the host the page asks for; with no usable
// address the pane stays blank. Only a channel on the pane's own host is kept.
// How panes stack is the end-to-end suite's, on the real overlay.
TEST_F(PanesTest, AWebPaneIsMadeOnceThenOnlyMovedShownAndHiddenAndKeepsItsOwnChannel) {
  // slot, stored address, asked address, what loads
  const std::tuple<const char*, const char*, const char*, const char*> starts[] = {
      {"web", "bad address", nullptr, "https://discord.com/app"},
      {"b", "https://discord.com/channels/1/2", nullptr, "https://discord.com/channels/1/2"},
      {"c", "https://evil.example/channels/1", nullptr, "https://discord.com/app"},
      {"d", "https://discord.com/channels/|?[1]", nullptr, "https://discord.com/channels/|?[1]"},
      {"e", nullptr, "https://Bücher.example/a b", "https://xn--bcher-kva.example/a%20b"},
      {"f", "https://discord.com/channels/3", "also bad", nullptr},
      {"g", nullptr, "mailto:x@y.z", nullptr},  // what the browser takes, a pane does not
  };
  for (const auto& [slot, stored, url, loaded] : starts) {
    if (stored) rig.settings["web." + std::string(slot)] = stored;
    json message{{"cmd", "web"}, {"slot", slot}};
    if (url) message["url"] = url;
    rig.post(message.dump());
    EXPECT_EQ(rig.web(slot).loads, loaded ? Strings{"request " + std::string(loaded)} : Strings{})
        << slot;
  }
  auto& p = rig.web("web");
  // Outside pages never get the bridge, the video pages' process or ungoverned
  // navigation; like the main page, they may capture and call.
  EXPECT_TRUE(!p.config.bridge && !p.config.sharesVideoProcess &&
              p.config.policy == rig.delegate.get());
  EXPECT_TRUE(p.config.mediaCapture && rig.mainView().config.mediaCapture);

  rig.post(R"({"cmd":"webOcultar"})");
  EXPECT_TRUE(p.hidden);
  EXPECT_FALSE(rig.web("b").hidden);
  rig.post(R"({"cmd":"web","url":"https://x.test/two","x":5,"y":20.5,"w":200})");
  EXPECT_EQ(&rig.web("web"), &p);
  EXPECT_EQ((std::tuple{p.loads.size(), p.reloads, p.frame.x, p.frame.y, p.frame.w, p.hidden}),
            (std::tuple{1u, 0, 5.0, 20.5, 200.0, false}));
  EXPECT_EQ(rig.views.size(), 8u);

  rig.settings.clear();
  for (const char* url : {"https://discord.com/channels/7/8", "https://discord.com/settings",
                          "https://discord.com/CHANNELS/9", "https://evil.example/channels/9",
                          "https://cdn.discord.com/channels/9"})
    p.navigate(url);
  rig.web("f").navigate("https://discord.com/channels/3");
  EXPECT_EQ(rig.settings,
            (std::map<std::string, std::string>{{"web.web", "https://discord.com/channels/7/8"}}));
}

TEST_F(PanesTest, AVideoPageIsReplacedOnlyWhenWhatItPlaysChangesAndTakesTheVolume) {
  const std::pair<const char*, size_t> steps[] = {
      {R"({"cmd":"video","id":"abc","vol":30,"x":1,"h":4})", 1},
      {R"({"cmd":"video","id":"abc","vol":80,"x":50})", 1},
      {R"({"cmd":"video","id":"abd"})", 2},
      {R"({"cmd":"video","id":"abd","tipo":"kick"})", 3},
      {R"({"cmd":"video","id":"abd","tipo":"kick","hls":"https://h/x.m3u8"})", 4},
      {R"({"cmd":"videoOcultar"})", 5},  // the unload itself
      {R"({"cmd":"video","id":"abd","tipo":"kick","hls":"https://h/x.m3u8"})", 6},
  };
  for (const auto& [message, loadsAfter] : steps) {
    rig.post(message);
    EXPECT_EQ(rig.video("0").loads.size(), loadsAfter) << message;
  }
  auto& p = rig.video("0");
  EXPECT_TRUE(!p.config.bridge && !p.config.mediaCapture && p.config.sharesVideoProcess &&
              !p.hidden);
  rig.post(R"({"cmd":"video","id":"abc"})");
  EXPECT_EQ(rig.delegate->videoKeys().at("0"), "ytabc");

  // The volume goes to the slot's page as a whole number.
  for (const char* message :
       {R"({"cmd":"videoVol","slot":"0","v":40})", R"({"cmd":"videoVol","slot":"0","v":40.5})",
        R"({"cmd":"videoVol","slot":"0"})", R"({"cmd":"videoVol","slot":"0","v":-3})"})
    rig.post(message);
  EXPECT_EQ(p.scripts, (Strings{"setVol(40)", "setVol(0)", "setVol(0)", "setVol(-3)"}));

  Rig noBase;
  noBase.config.videoBaseURL = "no base";
  noBase.launch();
  noBase.post(R"({"cmd":"video","id":"c","tipo":"kick"})");
  EXPECT_EQ(noBase.video("0").loads, Strings{"html (none)"});
}

TEST(VideoOcultarTest, HidesAndUnloadsThePanesNotKept) {
  using Set = std::set<std::string>;
  const std::tuple<const char*, Set, Set> cases[] = {
      {R"({"cmd":"videoOcultar"})", {"a", "b", "c"}, {"a", "b", "c"}},
      {R"({"cmd":"videoOcultar","quedan":["b"]})", {"a", "c"}, {}},
      {R"({"cmd":"videoOcultar","quedan":["b","b","zz"],"quitar":true})", {"a", "c"}, {"a", "c"}},
      {R"({"cmd":"videoOcultar","quedan":["b"],"quitar":"yes"})", {"a", "c"}, {}},
      {R"({"cmd":"videoOcultar","quedan":["b",5]})", {"a", "b", "c"}, {"a", "b", "c"}},
  };
  for (const auto& [message, hidden, unloaded] : cases) {
    Rig r;
    r.launch();
    for (const std::string slot : {"a", "b", "c"})
      r.post(R"({"cmd":"video","id":"i","slot":")" + slot + "\"}");
    r.post(message);
    for (const std::string slot : {"a", "b", "c"}) {
      auto& p = r.video(slot);
      const bool gone = unloaded.contains(slot);
      EXPECT_EQ(p.hidden, hidden.contains(slot)) << message << slot;
      EXPECT_EQ(p.loads.back(), gone ? "html (none)" : "html https://quorvex.app/") << message;
      EXPECT_EQ(r.delegate->videoKeys().contains(slot), !gone) << message << slot;
    }
  }
}

// What a shown or clicked notification does is the end-to-end suite's, on the
// desktop's own notifications.
TEST_F(PanesTest, ChatNotifiesOnlyOnceAllowedAndTheChoiceHoldsAtTheNextStart) {
  rig.post(R"({"cmd":"web"})");
  rig.post(R"({"cmd":"web","slot":"otro","url":"https://otro.example/"})");
  auto& chat = rig.web("web");
  auto& other = rig.web("otro");
  chat.navigate("https://discord.com/channels/1");
  other.navigate("https://otro.example/");
  auto& main = rig.mainView();
  using Origins = std::pair<Strings, Strings>;
  const Strings chatApp{rig.config.chatAppURL}, page{"file:///"},
      both{"file:///", rig.config.chatAppURL};
  EXPECT_EQ(rig.notificationOrigins, (Origins{page, {}}));
  EXPECT_TRUE(rig.delegate->grantsNotifications(main));
  const std::tuple<const char*, bool, Origins> steps[] = {
      {R"({"cmd":"avisosChat"})", false, {page, {}}},
      {R"({"cmd":"avisosChat","permitir":"si"})", false, {page, {}}},
      {R"({"cmd":"avisosChat","permitir":true})", true, {both, {}}},
      {R"({"cmd":"avisosChat","permitir":false})", false, {page, chatApp}},
  };
  for (const auto& [message, granted, origins] : steps) {
    main.scripts.clear();
    rig.post(message);
    EXPECT_EQ(rig.delegate->grantsNotifications(chat), granted) << message;
    EXPECT_FALSE(rig.delegate->grantsNotifications(other)) << message;  // not the chat's site
    EXPECT_EQ(rig.notificationOrigins, origins) << message;
    EXPECT_EQ(main.scripts, Strings{Rig::notice("avisosChat", granted ? "true" : "false")});
  }

  rig.launch();
  EXPECT_EQ(rig.notificationOrigins, (Origins{page, chatApp}));
  rig.mainView().navigate("https://elsewhere.example/");
  EXPECT_FALSE(rig.delegate->grantsNotifications(rig.mainView()));
}

}  // namespace
}  // namespace qv
