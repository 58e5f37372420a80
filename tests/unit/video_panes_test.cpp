// Video panes: placing, the rule that decides when a page is replaced, and
// the bridge commands that act on the panes.
#include <gtest/gtest.h>

#include <set>

#include "fakes/fake_host.h"
#include "panes/pane_rules.h"
#include "panes/video_pages.h"

namespace qv {
namespace {

using fake::FakeWebView;

struct VideoPanesTest : ::testing::Test {
  fake::Rig rig;
  void SetUp() override { rig.launch(); }
  FakeWebView& pane(const std::string& slot) {
    return static_cast<FakeWebView&>(*rig.delegate->panesVideo().at(slot));
  }
  size_t pageLoads(const std::string& slot) { return pane(slot).loads.size(); }
};

TEST_F(VideoPanesTest, FirstPlacementLoadsThePageOverTheAppOrigin) {
  rig.post(R"({"cmd":"video","id":"abc","vol":30,"x":1,"y":2,"w":3,"h":4})");
  auto& p = pane("0");
  EXPECT_TRUE(p.config.mediaWithoutGesture);
  EXPECT_TRUE(p.config.safariUserAgent);
  EXPECT_TRUE(p.config.transparent);
  EXPECT_TRUE(p.config.roundedCorners);
  EXPECT_EQ(p.config.policy, nullptr);
  EXPECT_EQ(p.config.bridge, nullptr);
  EXPECT_EQ(p.loads, std::vector<std::string>{"html https://quorvex.app/"});
  EXPECT_EQ(p.lastHtml, youTubePage(rig.config.youTubeApiScript, "abc", 30));
  EXPECT_EQ(rig.delegate->videoKeys().at("0"), "ytabc");
  EXPECT_EQ(p.frame->h, 4);
  EXPECT_FALSE(p.hidden);
}

TEST(VideoPanesBaseTest, AnUnparsableBaseAddressLoadsWithoutOne) {
  fake::Rig rig;
  rig.config.videoBaseURL = "no base";
  rig.launch();
  rig.post(R"({"cmd":"video","id":"c","tipo":"kick"})");
  EXPECT_EQ(static_cast<FakeWebView&>(*rig.delegate->panesVideo().at("0")).loads,
            std::vector<std::string>{"html (none)"});
}

TEST_F(VideoPanesTest, PageIsReplacedOnlyWhenTheContentKeyChanges) {
  struct Step {
    const char* message;
    size_t loadsAfter;
  };
  const std::vector<Step> steps = {
      {R"({"cmd":"video","id":"abc"})", 1},
      {R"({"cmd":"video","id":"abc","vol":80,"x":50})", 1},
      {R"({"cmd":"video","id":"abd"})", 2},
      {R"({"cmd":"video","id":"abd","tipo":"kick"})", 3},
      {R"({"cmd":"video","id":"abd","tipo":"kick","hls":"https://h/x.m3u8"})", 4},
      {R"({"cmd":"videoOcultar","quedan":["x"]})", 4},  // hidden, not unloaded
      {R"({"cmd":"video","id":"abd","tipo":"kick","hls":"https://h/x.m3u8"})", 4},
      {R"({"cmd":"videoOcultar"})", 5},  // the unload itself
      {R"({"cmd":"video","id":"abd","tipo":"kick","hls":"https://h/x.m3u8"})", 6},
      // A plain concatenation: "yt"+"abc" and "ytab"+"c" are the same content.
      {R"({"cmd":"video","id":"abc","tipo":"yt"})", 7},
      {R"({"cmd":"video","id":"c","tipo":"ytab"})", 7},
  };
  for (const auto& s : steps) {
    rig.post(s.message);
    EXPECT_EQ(pageLoads("0"), s.loadsAfter) << s.message;
  }
  EXPECT_FALSE(pane("0").hidden);
  EXPECT_EQ(pane("0").lastHtml, youTubePage(rig.config.youTubeApiScript, "abc", 0));
}

TEST_F(VideoPanesTest, VolumeGoesToTheSlotsPageAsAWholeNumber) {
  rig.post(R"({"cmd":"video","id":"abc","slot":"a"})");
  for (const char* message :
       {R"({"cmd":"videoVol","slot":"a","v":40})", R"({"cmd":"videoVol","slot":"a","v":40.5})",
        R"({"cmd":"videoVol","slot":"a"})", R"({"cmd":"videoVol","slot":"a","v":-3})",
        R"({"cmd":"videoVol","v":40})", R"({"cmd":"videoVol","slot":"b","v":40})"})
    rig.post(message);
  EXPECT_EQ(pane("a").scripts,
            (std::vector<std::string>{"setVol(40)", "setVol(0)", "setVol(0)", "setVol(-3)"}));
}

struct OcultarCase {
  const char* message;
  std::set<std::string> hidden, unloaded;
};

class VideoOcultarTest : public VideoPanesTest,
                         public ::testing::WithParamInterface<OcultarCase> {};

TEST_P(VideoOcultarTest, HidesAndUnloadsThePanesNotKept) {
  for (const char* slot : {"a", "b", "c"})
    rig.post(std::string(R"({"cmd":"video","id":"i","slot":")") + slot + "\"}");
  rig.post(GetParam().message);
  for (const std::string slot : {"a", "b", "c"}) {
    const bool unloaded = GetParam().unloaded.contains(slot);
    EXPECT_EQ(pane(slot).hidden, GetParam().hidden.contains(slot)) << slot;
    EXPECT_EQ(pane(slot).loads.size(), unloaded ? 2u : 1u) << slot;
    if (unloaded) {
      EXPECT_EQ(pane(slot).loads.back(), "html (none)") << slot;
      EXPECT_EQ(pane(slot).lastHtml, "") << slot;
    }
    EXPECT_EQ(rig.delegate->videoKeys().contains(slot), !unloaded) << slot;
  }
  EXPECT_EQ(rig.delegate->panesVideo().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, VideoOcultarTest,
    ::testing::Values(
        OcultarCase{R"({"cmd":"videoOcultar"})", {"a", "b", "c"}, {"a", "b", "c"}},
        OcultarCase{R"({"cmd":"videoOcultar","quedan":[]})", {"a", "b", "c"}, {"a", "b", "c"}},
        OcultarCase{R"({"cmd":"videoOcultar","quedan":["b"]})", {"a", "c"}, {}},
        OcultarCase{R"({"cmd":"videoOcultar","quedan":["b","b","zz"],"quitar":true})",
                    {"a", "c"},
                    {"a", "c"}},
        OcultarCase{R"({"cmd":"videoOcultar","quedan":["b"],"quitar":"yes"})", {"a", "c"}, {}},
        OcultarCase{
            R"({"cmd":"videoOcultar","quedan":["b",5]})", {"a", "b", "c"}, {"a", "b", "c"}}));

}  // namespace
}  // namespace qv
