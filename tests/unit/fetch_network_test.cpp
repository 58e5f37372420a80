// The network route: the request a "fetch" body turns into, the texts each
// outcome is answered with, and the hand-over from worker to main thread.
#include <gtest/gtest.h>

#include <thread>

#include "bridge/network_request.h"
#include "fakes/fake_host.h"

namespace qv {
namespace {

using nlohmann::json;

Config testConfig() {
  Config c = Config::standard("/home/u");
  c.shortUserAgentHostFragment = "faireconomy";
  c.networkTimeoutSeconds = 7;
  return c;
}

HttpRequest build(const std::string& url, const json& body) {
  return networkRequest(url, body, testConfig());
}

TEST(NetworkRequestTest, UserAgentFollowsTheHostOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"https://nfs.faireconomy.media/ff.json", kUserAgentShort},
      {"http://faireconomy:8080/", kUserAgentShort},
      {"https://example.com/faireconomy", kUserAgentSafari},
      {"https://FAIRECONOMY.media/", kUserAgentSafari},
      {"mailto:faireconomy@x.y", kUserAgentSafari},
      {"qv-mt5://estado/", kUserAgentSafari},
  };
  for (const auto& [url, agent] : cases) {
    const auto r = build(url, json::object());
    EXPECT_EQ(r.headers, (std::map<std::string, std::string>{{"User-Agent", agent}})) << url;
    EXPECT_EQ(r.url, url);
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.body, std::nullopt);
    EXPECT_EQ(r.timeoutSeconds, 7);
  }
  EXPECT_EQ(std::string(kUserAgentSafari).size(), 117u);
}

TEST(NetworkRequestTest, HeadersApplyOnlyWhenEveryValueIsAString) {
  const std::string url = "https://example.com/";
  using Headers = std::map<std::string, std::string>;
  const std::pair<json, Headers> cases[] = {
      {json{{"headers", {{"Accept", "x/y"}, {"X-A", ""}}}},
       {{"Accept", "x/y"}, {"X-A", ""}, {"User-Agent", kUserAgentSafari}}},
      {json{{"headers", {{"user-agent", "Mine/1"}}}}, {{"user-agent", "Mine/1"}}},
      {json{{"headers", {{"User-Agent", "Mine/2"}, {"Accept", "a"}}}},
       {{"User-Agent", "Mine/2"}, {"Accept", "a"}}},
      {json{{"headers", {{"Accept", "x/y"}, {"X-N", 5}}}}, {{"User-Agent", kUserAgentSafari}}},
      {json{{"headers", {{"Accept", "x/y"}, {"X-N", nullptr}}}},
       {{"User-Agent", kUserAgentSafari}}},
      {json{{"headers", json::array({"Accept", "x/y"})}}, {{"User-Agent", kUserAgentSafari}}},
      {json{{"headers", "Accept: x/y"}}, {{"User-Agent", kUserAgentSafari}}},
      {json{{"Headers", {{"Accept", "x/y"}}}}, {{"User-Agent", kUserAgentSafari}}},
  };
  for (const auto& [body, headers] : cases) EXPECT_EQ(build(url, body).headers, headers) << body;
}

TEST(NetworkRequestTest, MethodAndBody) {
  struct Case {
    json body;
    std::string method;
    std::optional<std::string> sent;
  };
  const Case cases[] = {
      {json{{"method", ""}, {"body", "x"}}, "GET", "x"},
      {json{{"method", "POST"}, {"body", "caf\u00e9"}}, "POST", "caf\xc3\xa9"},
      {json{{"method", 1}}, "GET", std::nullopt},
      {json{{"body", ""}}, "GET", ""},
      {json{{"body", 5}}, "GET", std::nullopt},
      {json{{"body", "text"}, {"bodyB64", "AP8K"}}, "GET", std::string("\0\xff\n", 3)},
      {json{{"bodyB64", ""}}, "GET", ""},
      {json{{"body", "text"}, {"bodyB64", "AP8K\n"}}, "GET", "text"},
      {json{{"body", "text"}, {"bodyB64", "AP8"}}, "GET", "text"},
      {json{{"bodyB64", "not base64!"}}, "GET", std::nullopt},
      {json{{"body", "text"}, {"bodyB64", 12}}, "GET", "text"},
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
      {{299, "hi", std::nullopt}, "aGk=", ""},
      {{200, "", std::nullopt}, "", "HTTP 200"},
      {{204, std::nullopt, std::nullopt}, "", "HTTP 204"},
      {{404, "not found page", std::nullopt}, "", "HTTP 404"},
      {{300, "x", std::nullopt}, "", "HTTP 300"},
      {{199, "x", std::nullopt}, "", "HTTP 199"},
      {{0, std::nullopt, std::nullopt}, "", "sin respuesta"},
      {{0, "stray", std::nullopt}, "", "sin respuesta"},
      {{0, std::nullopt, "Could not connect: \"refused\""}, "", "Could not connect: 'refused'"},
      {{0, std::nullopt, "HTTP 0"}, "", "sin respuesta"},
      {{0, std::nullopt, "\"HTTP 0\""}, "", "'HTTP 0'"},
      {{200, "hi", "stream reset"}, "aGk=", "stream reset"},
      {{500, "hi", "stream reset"}, "", "stream reset"},
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
  EXPECT_EQ(rig.mainView().scripts,
            (std::vector<std::string>{
                R"(window.__qvFetch && window.__qvFetch("q\"1", "", "HTTP 404"))",
                R"(window.__qvFetch && window.__qvFetch("q\"1", "b2s=", ""))",
            }));
}

}  // namespace
}  // namespace qv
