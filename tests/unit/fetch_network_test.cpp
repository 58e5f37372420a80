// The network route: the request a "fetch" body turns into, the texts each
// outcome is answered with, and the hand-over from worker to main thread.
#include <gtest/gtest.h>

#include <thread>

#include "bridge/network_request.h"
#include "fakes/fake_host.h"

namespace qv {
namespace {

using nlohmann::json;
using Headers = std::map<std::string, std::string>;

HttpRequest build(const std::string& url, const json& body) {
  Config c = Config::standard("/home/u");
  c.shortUserAgentHostFragment = "faireconomy";
  c.networkTimeoutSeconds = 7;
  return networkRequest(url, body, c);
}

TEST(NetworkRequestTest, UserAgentFollowsTheHostOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"https://nfs.faireconomy.media/ff.json", kUserAgentShort},
      {"https://example.com/faireconomy", kUserAgentSafari},
      {"https://FAIRECONOMY.media/", kUserAgentSafari},
      {"mailto:faireconomy@x.y", kUserAgentSafari},
  };
  for (const auto& [url, agent] : cases)
    EXPECT_EQ(build(url, json::object()).headers, (Headers{{"User-Agent", agent}})) << url;
  const auto plain = build("https://example.com/", json::object());
  EXPECT_EQ(plain.method, "GET");
  EXPECT_EQ(plain.body, std::nullopt);
  EXPECT_EQ(plain.timeoutSeconds, 7);
}

TEST(NetworkRequestTest, HeadersApplyOnlyWhenEveryValueIsAString) {
  const Headers safariOnly{{"User-Agent", kUserAgentSafari}};
  const std::pair<json, Headers> cases[] = {
      {json{{"headers", {{"Accept", "x/y"}}}},
       {{"Accept", "x/y"}, {"User-Agent", kUserAgentSafari}}},
      {json{{"headers", {{"user-agent", "Mine/1"}}}}, {{"user-agent", "Mine/1"}}},
      {json{{"headers", {{"Accept", "x/y"}, {"X-N", 5}}}}, safariOnly},
      {json{{"headers", json::array({"Accept", "x/y"})}}, safariOnly},
  };
  for (const auto& [body, headers] : cases)
    EXPECT_EQ(build("https://example.com/", body).headers, headers) << body;
}

TEST(NetworkRequestTest, MethodAndBody) {
  struct Case {
    json body;
    std::string method;
    std::optional<std::string> sent;
  };
  const Case cases[] = {
      {json{{"method", ""}, {"body", "caf\u00e9"}}, "GET", "caf\xc3\xa9"},
      {json{{"method", "POST"}, {"body", 5}}, "POST", std::nullopt},
      {json{{"body", "text"}, {"bodyB64", "AP8K"}}, "GET", std::string("\0\xff\n", 3)},
      {json{{"body", "text"}, {"bodyB64", "AP8K\n"}}, "GET", "text"},
      {json{{"bodyB64", "AP8"}}, "GET", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto r = build("https://example.com/", c.body);
    EXPECT_EQ(r.method, c.method) << c.body;
    EXPECT_EQ(r.body, c.sent) << c.body;
  }
}

TEST(NetworkReplyTest, CompletionRules) {
  struct Case {
    HttpResponse response;
    std::string data, error;
  };
  const Case cases[] = {
      {{200, "hi", std::nullopt}, "aGk=", ""},
      {{200, "", std::nullopt}, "", "HTTP 200"},
      {{404, "not found page", std::nullopt}, "", "HTTP 404"},
      {{0, "stray", std::nullopt}, "", "sin respuesta"},
      {{0, std::nullopt, "Could not connect: \"refused\""}, "", "Could not connect: 'refused'"},
      {{0, std::nullopt, "\"HTTP 0\""}, "", "'HTTP 0'"},
      {{200, "hi", "stream reset"}, "aGk=", "stream reset"},
  };
  for (const auto& c : cases) {
    const auto texts = networkReply(c.response);
    EXPECT_EQ(texts.data, c.data) << c.response.status << " " << c.error;
    EXPECT_EQ(texts.error, c.error) << c.response.status << " " << c.error;
  }
}

TEST(FetchRedTest, WorkerBuildsTheReplyAndOnlyTheMainQueueDeliversIt) {
  fake::Rig rig;
  rig.launch();
  rig.post(R"({"cmd":"fetch","url":"https://example.com/a","id":"q\"1","method":"PUT"})");
  rig.post(R"({"cmd":"fetch","url":"https://example.com/b","id":"q\"1"})");
  ASSERT_EQ(rig.http.sent.size(), 2u);
  EXPECT_EQ(rig.http.sent[0].request.method, "PUT");

  std::thread([&] { rig.http.sent[1].done({404, "gone", std::nullopt}); }).join();
  std::thread([&] { rig.http.sent[0].done({200, "ok", std::nullopt}); }).join();
  EXPECT_TRUE(rig.mainView().scripts.empty());

  rig.mainQueue.runAll();
  EXPECT_EQ(
      rig.mainView().scripts,
      (std::vector<std::string>{
          fake::Rig::toPage(R"(window.__qvFetch && window.__qvFetch("q\"1", "", "HTTP 404"))"),
          fake::Rig::toPage(R"(window.__qvFetch && window.__qvFetch("q\"1", "b2s=", ""))"),
      }));
}

}  // namespace
}  // namespace qv
