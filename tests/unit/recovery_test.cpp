// Views that look after themselves: coming back after their web process
// ended, loading again when the network is back, hibernating while hidden.
#include <gtest/gtest.h>

#include "fakes/fake_host.h"
#include "panes/hibernation.h"
#include "panes/video_pages.h"

namespace qv {
namespace {

using fake::FakeWebView;
using fake::Rig;
using Strings = std::vector<std::string>;

struct RecoveryTest : ::testing::Test {
  Rig rig;
  void SetUp() override {
    rig.config.sitios = {{"s", {"https://site.test/", "site.test"}}};
    rig.launch();
    rig.post(R"({"cmd":"web","slot":"a"})");
    rig.web("a").navigate("https://discord.com/channels/1");
  }
  // Whether the view was loaded again exactly when the next delay ran out.
  static bool backAfter(Rig& rig, FakeWebView& view, double seconds) {
    const auto before = view.loads.size();
    rig.advance(seconds - 0.5);
    const bool early = view.loads.size() != before;
    rig.advance(0.5);
    return !early && view.loads.size() == before + 1;
  }
};

TEST_F(RecoveryTest, APaneComesBackThreeTimesSpacedOutThenWaitsForTheUserOnACard) {
  auto& pane = rig.web("a");
  for (double delay : {10, 30, 60}) {
    pane.content(ContentEvent::Crashed);
    EXPECT_TRUE(backAfter(rig, pane, delay)) << delay;
    EXPECT_EQ(pane.loads.back(), "request https://discord.com/channels/1");
  }
  pane.content(ContentEvent::OutOfMemory);
  rig.advance(3600);
  EXPECT_EQ(pane.loads.back(), "html https://discord.com/channels/1");
  EXPECT_NE(pane.lastHtml.find("El panel dejó de funcionar"), std::string::npos);
  EXPECT_NE(pane.lastHtml.find("más memoria"), std::string::npos);
  pane.navigate("https://discord.com/channels/1");
  pane.navigate(std::string("https://discord.com/channels/1") + kRetryFragment);
  EXPECT_EQ(pane.loads.back(), "request https://discord.com/channels/1");
  // The count starts again after the user's retry, and after ten quiet minutes.
  pane.content(ContentEvent::Crashed);
  EXPECT_TRUE(backAfter(rig, pane, 10));
  rig.advance(600);
  pane.content(ContentEvent::Crashed);
  EXPECT_TRUE(backAfter(rig, pane, 10));
  // Nothing of it reloads the main page, which comes back at once by itself.
  EXPECT_EQ(rig.mainView().reloads, 0);
  rig.mainView().content(ContentEvent::Crashed);
  rig.mainView().content(ContentEvent::Unresponsive);
  rig.advance(60);
  EXPECT_EQ((std::pair{rig.mainView().reloads, rig.mainView().ended}), (std::pair{1, 0}));
}

TEST_F(RecoveryTest, AViewThatStopsAnsweringIsEndedOnlyWhenItStaysSo) {
  auto& pane = rig.web("a");
  pane.content(ContentEvent::Unresponsive);
  rig.advance(9);
  pane.content(ContentEvent::Responsive);
  rig.advance(60);
  EXPECT_EQ((std::pair{pane.ended, pane.loads.size()}), (std::pair{0, size_t{1}}));
  pane.content(ContentEvent::Unresponsive);
  rig.advance(10);
  EXPECT_EQ(pane.ended, 1);
  EXPECT_TRUE(backAfter(rig, pane, 10));
}

TEST_F(RecoveryTest, VideoAndSiteViewsComeBackWithWhatTheyShowedAndReloadWhenTheNetworkIsBack) {
  rig.post(R"({"cmd":"video","slot":"v","id":"abc","vol":30})");
  rig.post(R"({"cmd":"videoVol","slot":"v","v":70})");
  auto& video = rig.video("v");
  video.content(ContentEvent::Crashed);
  EXPECT_TRUE(backAfter(rig, video, 10));
  EXPECT_EQ(video.lastHtml, videoPage(rig.config, "yt", "abc", "", 70));
  // An unloaded pane stays unloaded.
  rig.post(R"({"cmd":"videoOcultar"})");
  video.content(ContentEvent::Crashed);
  rig.advance(10);
  EXPECT_EQ(video.loads.back(), "html (none)");

  auto& site = static_cast<FakeWebView&>(*rig.delegate->sitioWeb("s"));
  site.content(ContentEvent::Crashed);
  EXPECT_TRUE(backAfter(rig, site, 10));
  EXPECT_EQ(site.loads.back(), "request https://site.test/");

  // Only views on the error page load again when the network is back.
  rig.post(R"({"cmd":"web","slot":"b"})");
  rig.web("a").loadError = site.loadError = true;
  rig.networkBack();
  EXPECT_EQ((std::tuple{rig.web("a").reloads, rig.web("b").reloads, site.reloads}),
            (std::tuple{1, 0, 1}));
}

TEST(HibernationDelayTest, ReadsMinutesWithTenAsDefaultAndZeroAsNever) {
  const std::pair<std::optional<std::string>, std::optional<double>> cases[] = {
      {std::nullopt, 600}, {"10", 600}, {"0.05", 3},         {"abc", 600},
      {"-1", 600},         {"2x", 600}, {"0", std::nullopt},
  };
  for (const auto& [setting, seconds] : cases)
    EXPECT_EQ(hibernationDelay(setting), seconds) << setting.value_or("(none)");
}

TEST_F(RecoveryTest, AHiddenPaneHibernatesUnlessBusyAndWakesOneAtATime) {
  rig.settings["hibernar.minutos"] = "1";
  rig.post(R"({"cmd":"web","slot":"b","url":"https://b.test/"})");
  auto &a = rig.web("a"), &b = rig.web("b");
  // Sound or the chat's desktop notifications keep a pane up; the user may let
  // the chat go for its slot.
  a.audio = true;
  rig.settings["avisos.chat"] = "permitidos";
  rig.post(R"({"cmd":"webOcultar","slot":"a"})");
  rig.advance(61);
  a.audio = false;
  rig.advance(61);
  EXPECT_EQ(a.ended, 0);
  rig.post(R"({"cmd":"hibernacion","slot":"a","siempre":true})");
  rig.advance(61);
  EXPECT_EQ(a.ended, 1);
  // Shown again before its time, a pane is left as it is.
  rig.post(R"({"cmd":"webOcultar","slot":"b"})");
  rig.advance(30);
  rig.post(R"({"cmd":"web","slot":"b"})");
  rig.advance(61);
  EXPECT_EQ(b.ended, 0);
  rig.post(R"({"cmd":"webOcultar","slot":"b"})");
  rig.advance(61);
  EXPECT_EQ(b.ended, 1);

  rig.post(R"({"cmd":"web","slot":"a"})");
  rig.post(R"({"cmd":"web","slot":"b"})");
  EXPECT_EQ(a.loads.back(), "request https://discord.com/channels/1");
  EXPECT_EQ(b.loads.size(), 1u);
  a.loaded();
  rig.runAll();
  EXPECT_EQ(b.loads.back(), "request https://b.test/");

  // "0" is never.
  rig.post(R"({"cmd":"hibernacion","minutos":0})");
  rig.post(R"({"cmd":"webOcultar","slot":"a"})");
  rig.advance(3600);
  EXPECT_EQ(a.ended, 1);
  rig.post(R"({"cmd":"hibernacion","minutos":1})");
  EXPECT_EQ(rig.replies().back(), Rig::notice("hibernacion", R"({"minutos":1.0})"));
  rig.post(R"({"cmd":"hibernacion","slot":"a"})");
  EXPECT_EQ(rig.replies().back(),
            Rig::notice("hibernacion", R"({"minutos":1.0,"siempre":true,"slot":"a"})"));
}

// One row per view, each with what its process costs; views sharing a
// process count it once. The CPU share is over the time since the page last asked.
TEST_F(RecoveryTest, ResourcesListEveryViewWithItsProcessAndTheirButtonsActOnIt) {
  rig.post(R"({"cmd":"video","slot":"v","id":"abc"})");
  rig.post(R"({"cmd":"video","slot":"k","id":"x"})");
  rig.delegate->sitioWeb("s");
  rig.mainView().process = 10;
  rig.web("a").process = 20;
  rig.video("v").process = rig.video("k").process = 30;
  rig.processUse = {{10, {102400, 4.0}}, {20, {51200, 1.0}}, {30, {81920, 2.0}}};
  auto row = [](const char* tipo, const char* slot, const char* estado, nlohmann::json pid,
                nlohmann::json memoria, nlohmann::json cpu, bool compartido = false) {
    return nlohmann::json{
        {"tipo", tipo},       {"slot", slot}, {"estado", estado},        {"pid", pid},
        {"memoria", memoria}, {"cpu", cpu},   {"compartido", compartido}};
  };
  auto listed = [&](nlohmann::json rows, double memoria, double cpu, bool abrir = false) {
    nlohmann::json state{{"vistas", rows}, {"total", {{"memoria", memoria}, {"cpu", cpu}}}};
    if (abrir) state["abrir"] = true;
    return Rig::notice("recursos", state.dump());
  };
  const nlohmann::json none;
  rig.post(R"({"cmd":"recursos"})");
  EXPECT_EQ(rig.replies().back(), listed({row("pagina", "", "activo", 10, 100.0, none),
                                          row("web", "a", "activo", 20, 50.0, none),
                                          row("video", "k", "activo", 30, 80.0, none, true),
                                          row("video", "v", "activo", 30, 80.0, none, true),
                                          row("sitio", "s", "activo", none, none, none)},
                                         230.0, 0.0));

  rig.advance(2);
  rig.processUse[10].cpuSeconds = 4.5;
  rig.post(R"({"cmd":"webOcultar","slot":"a"})");
  rig.post(R"({"cmd":"videoOcultar","quedan":["v"]})");
  rig.runMenu("recursos");
  // The menu's item opens the panel.
  EXPECT_EQ(rig.replies().back(), listed({row("pagina", "", "activo", 10, 100.0, 25.0),
                                          row("web", "a", "oculto", 20, 50.0, 0.0),
                                          row("video", "k", "oculto", 30, 80.0, 0.0, true),
                                          row("video", "v", "activo", 30, 80.0, 0.0, true),
                                          row("sitio", "s", "activo", none, none, none)},
                                         230.0, 25.0, true));

  // "Reposo" puts a hidden pane to sleep at once, sound or not; never one on show.
  rig.web("a").audio = true;
  rig.post(R"({"cmd":"panelReposo","tipo":"video","slot":"v"})");
  rig.post(R"({"cmd":"panelReposo","tipo":"web","slot":"a"})");
  EXPECT_EQ(rig.web("a").ended, 1);
  EXPECT_EQ(rig.video("v").loads.size(), 1u);
  // "Recargar" wakes a sleeping pane, reloads a view, and plays a video again.
  rig.post(R"({"cmd":"panelRecargar","tipo":"web","slot":"a"})");
  EXPECT_EQ(rig.web("a").loads.back(), "request https://discord.com/channels/1");
  for (auto* message : {R"({"cmd":"panelRecargar","tipo":"pagina"})",
                        R"({"cmd":"panelRecargar","tipo":"sitio","slot":"s"})",
                        R"({"cmd":"panelRecargar","tipo":"video","slot":"v"})",
                        R"({"cmd":"panelRecargar","tipo":"web","slot":"nadie"})"})
    rig.post(message);
  EXPECT_EQ(std::tuple(rig.mainView().reloads, rig.site("s").reloads, rig.video("v").loads.size()),
            std::tuple(1, 1, 2u));
}

// A hidden video pane unloads and plays again when shown; the web process the
// video panes share goes only once none of them holds a stream.
TEST_F(RecoveryTest, HiddenVideoPanesUnloadAndGiveTheirSharedProcessBackTogether) {
  rig.settings["hibernar.minutos"] = "1";
  rig.post(R"({"cmd":"video","slot":"v","id":"abc"})");
  rig.post(R"({"cmd":"video","slot":"k","id":"x"})");
  auto &v = rig.video("v"), &k = rig.video("k");
  rig.post(R"({"cmd":"videoOcultar","quedan":["k"]})");
  rig.advance(61);
  EXPECT_EQ(v.loads.back(), "html (none)");
  EXPECT_EQ((std::tuple{k.loads.size(), v.ended, k.ended}), (std::tuple{size_t{1}, 0, 0}));
  rig.post(R"({"cmd":"videoOcultar","quedan":["zz"]})");
  rig.advance(61);
  EXPECT_EQ((std::tuple{k.loads.back(), v.ended, k.ended}), (std::tuple{"html (none)", 1, 1}));
  rig.post(R"({"cmd":"video","slot":"v","id":"abc"})");
  EXPECT_EQ(v.loads.back(), "html https://quorvex.app/");
}

}  // namespace
}  // namespace qv
