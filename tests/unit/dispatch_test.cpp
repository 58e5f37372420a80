// The "qv" dispatcher: argument kinds, defaults, required arguments and the
// commands it carries out itself.
#include <gtest/gtest.h>

#include "fakes/fake_host.h"

namespace qv {
namespace {

using fake::FakeWebView;
using fake::Rig;

struct DispatchTest : ::testing::Test {
  Rig rig;
  void SetUp() override { rig.launch(); }
  // Places a video pane through the fakes without depending on colocaVideo.
};

TEST_F(DispatchTest, AbrirHandsParsableUrlsToTheBrowserAndDropsTheRest) {
  rig.post(R"({"cmd":"abrir","url":"https://example.com/a?b=1"})");
  rig.post(R"({"cmd":"abrir","url":"mailto:x@y.z"})");
  rig.post(R"({"cmd":"abrir","url":"not a url"})");
  rig.post(R"({"cmd":"abrir","url":""})");
  rig.post(R"({"cmd":"abrir","url":5})");
  rig.post(R"({"cmd":"abrir"})");
  EXPECT_EQ(rig.browser.opened,
            (std::vector<std::string>{"https://example.com/a?b=1", "mailto:x@y.z"}));
  // A dropped "abrir" never turns into a web pane.
  EXPECT_TRUE(rig.delegate->panesWeb().empty());
  EXPECT_EQ(rig.app.views.size(), 1u);
}

TEST_F(DispatchTest, MalformedBodiesAndUnknownCommandsChangeNothing) {
  for (const char* body :
       {R"("web")", "5", "null", "[1,2]", R"(["cmd","abrir"])", "{}", R"({"cmd":5})",
        R"({"cmd":"Fetch","url":"https://a.b","id":"1"})", R"({"cmd":"ABRIR","url":"https://a.b"})",
        R"({"cmd":null})", R"({"cmd":["abrir"],"url":"https://a.b"})", R"({"cmd":" abrir"})"}) {
    rig.post(body);
  }
  EXPECT_TRUE(rig.browser.opened.empty());
  EXPECT_TRUE(rig.http.sent.empty());
  EXPECT_TRUE(rig.mainView().scripts.empty());
  EXPECT_EQ(rig.app.views.size(), 1u);
}

}  // namespace
}  // namespace qv
