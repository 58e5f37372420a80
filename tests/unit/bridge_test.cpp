// The "qv" channel: whom it serves, how arguments are read, and each fetch
// route from the message to the reply the main page gets.
#include <gtest/gtest.h>

#include <thread>

#include "bridge/args.h"
#include "bridge/message_body.h"
#include "bridge/network_request.h"
#include "bridge/site_fetch.h"
#include "fakes/fake_host.h"
#include "util/base64.h"

namespace qv {
namespace {

using fake::Rig;
using nlohmann::json;
using Strings = std::vector<std::string>;
using namespace std::string_literals;

struct BridgeTest : ::testing::Test {
  Rig rig;
  void SetUp() override {
    rig.config.mt5Prefixes = {"/nonexistent-quorvex-test"};
    rig.launch();
  }
  void fetch(const std::string& url, const std::string& id = "7") {
    rig.post(json{{"cmd", "fetch"}, {"url", url}, {"id", id}}.dump());
  }
};

TEST_F(BridgeTest, AbrirOpensWebAndMailAddressesAsABrowserWritesThem) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"mailto:x@y.z", "mailto:x@y.z"},
      {"https://host.example/p?f[a]=1|2&q=100%", "https://host.example/p?f[a]=1|2&q=100%"},
      {" HTTPS://Bücher.Example:443/a b/../c#ñ", "https://xn--bcher-kva.example/c#%C3%B1"},
      {"http://[::1]:8080\\x", "http://[::1]:8080/x"},
      {"http://日本語.jp/ü", "http://xn--wgv71a119e.jp/%C3%BC"},
      {"file:///etc/passwd", std::nullopt},
      {"javascript:alert(1)", std::nullopt},
      {"ftp://example.com/", std::nullopt},
      {"not a url", std::nullopt},
      {"https://", std::nullopt},
      {"https://exa mple.com/", std::nullopt},
      {"https://example.com:99999/", std::nullopt},
  };
  for (const auto& [url, expected] : cases) {
    rig.opened.clear();
    rig.post(json{{"cmd", "abrir"}, {"url", url}}.dump());
    EXPECT_EQ(rig.opened, expected ? Strings{*expected} : Strings{}) << url;
  }
  // Message text with broken UTF-16 or UTF-8 is still read, as U+FFFD.
  const std::pair<std::string, const char*> ids[] = {
      {R"(a\ud83d)", "a\uFFFD"}, {R"(\\ud83d)", R"(\ud83d)"}, {"c\xC3", "c\uFFFD"}};
  for (const auto& [raw, id] : ids) {
    rig.replies().clear();
    rig.delegate->scriptMessage(
        messageBody(R"({"cmd":"fetch","url":"qv-mt5://estado","id":")" + raw + "\"}"));
    EXPECT_EQ(rig.replies(), Strings{Rig::reply(id, "", "sin MT5")}) << raw;
  }
  for (const char* notJson : {"{", R"(\ud800)"}) EXPECT_TRUE(messageBody(notJson).is_discarded());
}

TEST_F(BridgeTest, OnlyTheLocalPageIsServedAndAnswered) {
  auto& main = rig.mainView();
  fetch("https://example.com/slow", "antes");
  main.navigate("https://evil.example/res/web/index.html");
  fetch("qv-mt5://estado", "m");
  rig.post(R"({"cmd":"abrir","url":"https://example.com/"})");
  rig.post(R"({"cmd":"web","slot":"x"})");
  rig.sent.at(0).done({200, "secreto", std::nullopt});
  rig.runAll();
  rig.delegate->downloadFinished();
  EXPECT_TRUE(main.scripts.empty() && rig.opened.empty() && rig.delegate->panesWeb().empty());

  main.navigate("file:///res/web/index.html?vuelta#arriba");
  // While a load is pending the page still shows, and is heard and answered.
  main.startLoad("https://example.com/adjunto-lento");
  fetch("qv-mt5://estado", "pendiente");
  EXPECT_EQ(rig.replies(), Strings{Rig::reply("pendiente", "", "sin MT5")});
  main.scripts.clear();
  // An answer for the page as it was before a reload finds a new document: dropped.
  fetch("https://example.com/slow", "viejo");
  main.navigate("file:///res/web/index.html");
  rig.sent.at(1).done({200, "viejo", std::nullopt});
  rig.runAll();
  EXPECT_TRUE(main.scripts.empty());
  fetch("qv-mt5://estado", "m");
  rig.delegate->downloadFinished();
  EXPECT_EQ(main.scripts, (Strings{Rig::reply("m", "", "sin MT5"),
                                   Rig::notice("toast", "\"Guardado en Descargas\"")}));
}

// Nothing is dropped without a line that says why, and a dropped message
// has no other effect.
TEST_F(BridgeTest, EveryDroppedMessageIsLoggedWithItsReason) {
  const std::pair<const char*, const char*> cases[] = {
      {R"({"cmd":"fetch","url":"","id":"1"})", "\"fetch\" sin una \"url\" utilizable"},
      {R"({"cmd":"fetch","url":"qv-mt5://estado x","id":"1"})",
       "\"fetch\" sin una \"url\" utilizable"},
      {R"({"cmd":"fetch","url":5,"id":"1"})", "\"fetch\" sin una \"url\" utilizable"},
      {R"({"cmd":"fetch","url":"https://example.com/"})", "\"fetch\" sin \"id\""},
      {R"({"cmd":"fetch","url":"qv-mt5://estado","id":7})", "\"fetch\" sin \"id\""},
      {R"({"cmd":"videoVol","v":5})", "\"videoVol\" sin \"slot\""},
      {R"({"cmd":"videoVol","slot":"0","v":5})", "\"videoVol\" de un panel que no existe"},
      {R"({"cmd":"video","slot":"0"})", "\"video\" sin \"id\""},
      {R"({"cmd":"abrir","url":"file:///etc/passwd"})", "\"abrir\" sin una dirección web"},
      {R"({"cmd":"Fetch","url":"https://a.b","id":"1"})", "orden desconocida \"Fetch\""},
      {R"({"url":"https://a.b"})", "sin \"cmd\""},
      {"[1,2]", "no es un objeto"},
  };
  for (const auto& [body, why] : cases) {
    rig.debugLines.clear();
    rig.post(body);
    EXPECT_EQ(rig.debugLines, Strings{"puente: mensaje descartado: "s + why}) << body;
  }
  EXPECT_TRUE(rig.sent.empty() && rig.replies().empty() && rig.opened.empty());
  EXPECT_TRUE(rig.delegate->panesVideo().empty());
}

// Routes go by the raw text, case-sensitively.
TEST_F(BridgeTest, EveryFetchWithUrlAndIdIsAnsweredByItsRouteOnly) {
  fetch("qv-exness://pa/trading", "s");  // the site route, still loading
  fetch("qv-web://exness/pa/x", "s");
  fetch("qv-mt5://estado", "m");
  fetch("qv-mt5://cuentas", "c");
  for (const char* network : {"qv-mt5://estado/", "QV-WEB://exness/x", "https://a.b/qv-web://",
                              "qv-mt5://cuentas/", "qv-mt5://Cuentas"})
    fetch(network, "n");
  EXPECT_EQ(rig.replies(), (Strings{Rig::reply("s", "", "cargando"),
                                    Rig::reply("s", "", "cargando"), Rig::reply("m", "", "sin MT5"),
                                    Rig::reply("c", base64Encode(R"({"cuentas":[]})"), "")}));
  ASSERT_EQ(rig.sent.size(), 5u);
  EXPECT_EQ(rig.sent[1].request.url, "QV-WEB://exness/x");

  rig.refuses = true;
  fetch("https://example.com/", "r");
  EXPECT_EQ(rig.replies().back(), Rig::reply("r", "", "error interno"));
}

TEST(NetworkRequestTest, AgentHeadersMethodAndBody) {
  using Headers = std::map<std::string, std::string>;
  const Headers safari{{"User-Agent", kUserAgentSafari}};
  struct Case {
    std::string url;
    json body;
    Headers headers;
    std::string method = "GET";
    std::optional<std::string> sent;
  };
  const Case cases[] = {
      {"https://nfs.faireconomy.media/ff.json", json::object(), {{"User-Agent", kUserAgentShort}}},
      {"https://example.com/faireconomy", json::object(), safari},
      {"https://e.com/", {{"headers", {{"Accept", "x/y"}}}}, {{"Accept", "x/y"}, *safari.begin()}},
      {"https://e.com/", {{"headers", {{"user-agent", "Mine/1"}}}}, {{"user-agent", "Mine/1"}}},
      {"https://e.com/", {{"headers", {{"Accept", "x/y"}, {"X-N", 5}}}}, safari},
      {"https://e.com/", {{"method", "POST"}, {"body", 5}}, safari, "POST"},
      {"https://e.com/", {{"body", "t"}, {"bodyB64", "AP8K"}}, safari, "GET", "\0\xff\n"s},
      {"https://e.com/", {{"body", "t"}, {"bodyB64", "AP8K\n"}}, safari, "GET", "t"},
  };
  const Config config = Config::standard("/home/u");
  for (const auto& c : cases) {
    const auto r = networkRequest(c.url, c.body, config);
    EXPECT_EQ(std::tie(r.headers, r.method, r.body), std::tie(c.headers, c.method, c.sent))
        << c.body;
  }
}

TEST_F(BridgeTest, NetworkRepliesAreBuiltOnTheWorkerAndDeliveredOnlyByTheMainQueue) {
  // The message itself is the request's description: its method goes along.
  rig.post(R"({"cmd":"fetch","url":"https://example.com/a","id":"a","method":"PUT"})");
  fetch("https://example.com/b", "b");
  ASSERT_EQ(rig.sent.size(), 2u);
  EXPECT_EQ(rig.sent[0].request.method, "PUT");
  std::thread([&] { rig.sent[1].done({404, "gone", std::nullopt}); }).join();
  std::thread([&] { rig.sent[0].done({200, "b2s=", std::nullopt}); }).join();
  EXPECT_TRUE(rig.replies().empty());
  rig.runAll();
  EXPECT_EQ(rig.replies(), (Strings{Rig::reply("b", "", "HTTP 404"), Rig::reply("a", "b2s=", "")}));
}

TEST(SiteUrlTest, SplitsBothFormsIntoKeyAndPath) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"qv-exness://pa/trading/accounts", "exness", "/pa/trading/accounts"},
      {"qv-web://tradeify?y=1", "tradeify?y=1", ""},
      {"qv-exness://", "exness", "/"},
      {"qv-web:////", "", ""},
      {"qv-web:///exness/x", "exness", "/x"},
  };
  for (const auto& [url, key, path] : cases) {
    auto t = splitSiteUrl(url);
    ASSERT_TRUE(t) << url;
    EXPECT_EQ(std::tie(t->key, t->path), std::tie(key, path)) << url;
  }
  for (const char* url : {"QV-WEB://exness/x", "qv-web:/exness"})
    EXPECT_FALSE(splitSiteUrl(url)) << url;
}

// A network reply passes on only a 2xx body; a site reply's text is the last
// element of the page's [status, text].
TEST(ReplyTest, TextsByDecisionTableAndTheGuardAroundEveryScript) {
  const auto texts = [](const auto& r) { return std::pair{r.data, r.error}; };
  using P = std::pair<std::string, std::string>;
  const std::pair<P, P> cases[] = {
      {texts(networkReply({299, "aGk=", std::nullopt})), {"aGk=", ""}},
      {texts(networkReply({200, "", std::nullopt})), {"", "HTTP 200"}},
      {texts(networkReply({300, "x", std::nullopt})), {"", "HTTP 300"}},
      {texts(networkReply({0, "stray", std::nullopt})), {"", "sin respuesta"}},
      {texts(networkReply({0, std::nullopt, "Could not connect: \"refused\""})),
       {"", "Could not connect: 'refused'"}},
      {texts(networkReply({200, "aGk=", "stream reset"})), {"aGk=", "stream reset"}},
      {texts(siteReply(std::nullopt)), {"", "sin respuesta"}},
      {texts(siteReply("[200, \"a\"")), {"", "sin respuesta"}},
      {texts(siteReply("[200.5,\"a\"]")), {"", "sin respuesta"}},
      {texts(siteReply("[401,\"no\"]")), {"", "login"}},
      {texts(siteReply("[403,\"\"]")), {"", "login"}},
      {texts(siteReply("[199,\"x\"]")), {"", "HTTP 199"}},
      {texts(siteReply("[200,\"\"]")), {"", ""}},
      {texts(siteReply("[299,\"{\\\"k\\\":1}\"]")), {"eyJrIjoxfQ==", ""}},
      {texts(siteReply("[204,\"a\",\"hola\"]")), {"aG9sYQ==", ""}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].first, cases[i].second) << i;
  // The one place the guard's text is pinned (every expected script elsewhere
  // is built by the same code): both tests must hold for the script to run.
  EXPECT_EQ(onlyInFile("/a \"b\"", "x()"),
            R"(if (location.protocol === 'file:' && location.pathname === "/a \"b\"") { x() })");
}

TEST_F(BridgeTest, SiteFetchAnswersItsStatesAndRunsInsideTheReadySitePage) {
  fetch("qv-web://nosuchsite/x", "u");
  fetch("qv-exness://login", "l");
  ASSERT_EQ(rig.windows.size(), 2u);  // the log-in window
  auto& ex = rig.site("exness");
  const auto loads = ex.loads;
  for (const char* url : {"https://my.exness.com.evil.net/", "about:blank"}) {
    ex.currentUrl = url;
    fetch("qv-web://exness/api", "c");
  }
  ex.currentUrl = "https://my.exness.com/pa/";
  ex.loading = true;
  fetch("qv-web://exness/api", "c");
  const auto loading = Rig::reply("c", "", "cargando");
  EXPECT_EQ(rig.replies(), (Strings{Rig::reply("u", "", "sitio desconocido"),
                                    Rig::reply("l", "", ""), loading, loading, loading}));
  EXPECT_TRUE(ex.asyncCalls.empty());
  EXPECT_EQ(ex.loads, loads);  // fetches never navigate the view

  ex.loading = false;
  fetch("qv-web://exness/pa/x?y=1#z", "f");
  fetch("qv-exness://x", "g");
  ASSERT_EQ(ex.asyncCalls.size(), 2u);
  EXPECT_EQ(ex.asyncCalls[0].argValue, "/pa/x?y=1#z");
  // Settled, each replies; only a success keeps the session, and "login"
  // opens no window.
  rig.replies().clear();
  ex.asyncCalls[0].done("[403,\"\"]");
  EXPECT_TRUE(rig.cookieReads.empty());
  ex.asyncCalls[1].done("[200,\"hola\"]");
  EXPECT_EQ(rig.replies(),
            (Strings{Rig::reply("f", "", "login"), Rig::reply("g", "aG9sYQ==", "")}));
  EXPECT_EQ(rig.cookieReads.size(), 1u);
  EXPECT_EQ(rig.windows.size(), 2u);
}

// Page numbers arrive as JSON numbers of any kind: only a whole one inside
// the signed 64-bit range is an integer.
TEST(ArgsTest, IntegersAreWholeNumbersInsideTheSigned64BitRange) {
  const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
      {"5", 5},
      {"-0", 0},
      {"5.0", 5},
      {"5.5", std::nullopt},
      {"-9223372036854775808", INT64_MIN},
      {"9223372036854775806", std::nullopt},      // read as unsigned, then as the double 2^63
      {"9223372036854775295", INT64_MAX - 1023},  // the last double below 2^63
      {"9.223372036854775807e18", std::nullopt},  // a double, rounded up to 2^63
      {"-9.223372036854775808e18", INT64_MIN},
      {"-9.3e18", std::nullopt},
      {"\"5\"", std::nullopt},
      {"true", std::nullopt},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(args::integer(json::parse(R"({"v":)"s + text + "}"), "v"), expected) << text;
  EXPECT_EQ(args::integer(json::array({1}), "v"), std::nullopt);
}

// The platform may finish what a Delegate started after the Delegate is
// gone: nothing of it may then be touched.
TEST_F(BridgeTest, WorkFinishedAfterTheDelegateIsGoneDoesNothing) {
  rig.cookies = {{.name = "s", .value = "v", .domain = ".exness.com", .path = "/"}};
  auto& ex = *static_cast<fake::FakeWebView*>(rig.delegate->sitioWeb("exness"));
  ex.currentUrl = "https://my.exness.com/pa/";
  fetch("https://example.com/pending");
  fetch("https://example.com/posted");
  fetch("qv-web://exness/a");
  fetch("qv-web://exness/b");
  ex.asyncCalls.at(1).done("[200,\"\"]");  // its cookie read is left pending
  ASSERT_EQ(rig.cookieReads.size(), 1u);
  auto siteCall = std::move(ex.asyncCalls.at(0).done);
  rig.sent.at(1).done({200, "eA==", std::nullopt});  // its task is left in the queue
  ASSERT_FALSE(rig.tasks.empty());

  rig.delegate.reset();
  rig.views.clear();
  rig.windows.clear();
  std::thread([&] { rig.sent.at(0).done({200, "eQ==", std::nullopt}); }).join();
  rig.runAll();
  siteCall("[200,\"\"]");
  rig.deliverCookies();
  EXPECT_TRUE(rig.cookieWrites.empty());
}

}  // namespace
}  // namespace qv
