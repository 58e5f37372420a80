// The "qv" dispatcher: argument kinds, defaults, required arguments, the
// commands it carries out itself, and whom it serves.
#include <gtest/gtest.h>

#include "bridge/message_body.h"
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

TEST_F(DispatchTest, OnlyTheLocalPageIsServedAndAnswered) {
  auto& main = rig.mainView();
  rig.post(R"({"cmd":"fetch","url":"https://example.com/slow","id":"antes"})");
  ASSERT_EQ(rig.http.sent.size(), 1u);

  main.navigate("https://evil.example/res/web/index.html");
  rig.post(R"({"cmd":"fetch","url":"qv-mt5://estado","id":"m"})");
  rig.post(R"({"cmd":"abrir","url":"https://example.com/"})");
  rig.post(R"({"cmd":"web","slot":"x"})");
  rig.http.sent[0].done({200, "secreto", std::nullopt});
  rig.mainQueue.runAll();
  rig.delegate->downloadFinished();
  EXPECT_TRUE(main.scripts.empty());
  EXPECT_TRUE(rig.browser.opened.empty());
  EXPECT_TRUE(rig.delegate->panesWeb().empty());

  main.navigate("file:///res/web/index.html?vuelta#arriba");
  rig.post(R"({"cmd":"fetch","url":"qv-mt5://estado","id":"m"})");
  EXPECT_EQ(main.scripts, std::vector<std::string>{Rig::toPage(replyScript("m", "", "sin MT5"))});
}

TEST_F(DispatchTest, MessageTextWithBrokenUnicodeIsStillACommand) {
  const std::string head = R"({"cmd":"fetch","url":"qv-mt5://estado","id":")";
  struct Case {
    std::string id, expected;
  } cases[] = {
      {R"(a\ud83d)", "a\xEF\xBF\xBD"},
      {R"(\ude00b)",
       "\xEF\xBF\xBD"
       "b"},
      {R"(\ud83d\ud83d\ude00)", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
      {R"(\\ud83d)", R"(\ud83d)"},
      {R"(\"\ud800)", "\"\xEF\xBF\xBD"},
      {"c\xC3", "c\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    rig.mainView().scripts.clear();
    rig.delegate->scriptMessage(messageBody(head + c.id + "\"}"));
    EXPECT_EQ(rig.mainView().scripts,
              std::vector<std::string>{Rig::toPage(replyScript(c.expected, "", "sin MT5"))})
        << c.id;
  }
  for (const char* notJson : {"", "{", R"({"cmd":"fetch",})", R"(\ud800)"})
    EXPECT_TRUE(messageBody(notJson).is_discarded()) << notJson;
}

TEST_F(DispatchTest, AFetchThatFailsInsideIsStillAnswered) {
  rig.http.refuses = true;
  rig.post(R"({"cmd":"fetch","url":"https://example.com/","id":"r"})");
  EXPECT_EQ(rig.mainView().scripts,
            std::vector<std::string>{Rig::toPage(replyScript("r", "", kErrorInterno))});
}

}  // namespace
}  // namespace qv
