// The application, configured by a JSON file for a test: outside hosts on
// 127.0.0.1, a test page, mock capture devices; then driven by Control.
#include <fstream>
#include <memory>

#include "control.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::ifstream file(argv[1]);
  auto settings = nlohmann::json::parse(file, nullptr, false);
  if (!settings.is_object()) return 2;

  auto options = qv::gtk::standardOptions();
  auto& c = options.config;
  c.chatAppURL = settings.value("chatAppURL", c.chatAppURL);
  c.kickPlayerBase = settings.value("kickPlayerBase", c.kickPlayerBase);
  c.youTubeApiScript = settings.value("youTubeApiScript", c.youTubeApiScript);
  c.videoBaseURL = settings.value("videoBaseURL", c.videoBaseURL);
  c.shortUserAgentHostFragment =
      settings.value("shortUserAgentHostFragment", c.shortUserAgentHostFragment);
  c.paneNewWindowHostFragment =
      settings.value("paneNewWindowHostFragment", c.paneNewWindowHostFragment);
  if (settings.contains("sitios")) {
    c.sitios.clear();
    for (auto& [key, site] : settings["sitios"].items())
      c.sitios[key] = {site.value("url", ""), site.value("host", "")};
  }
  if (settings.contains("resourcesFolder")) {
    auto& r = settings["resourcesFolder"];
    options.resourcesFolder =
        r.is_string() ? std::optional<std::string>(r.get<std::string>()) : std::nullopt;
  }
  options.mockCaptureDevices = settings.value("mockCaptureDevices", false);

  auto pageScript = settings.value("pageScript", std::string());

  std::unique_ptr<qv::e2e::Control> control;
  options.onLaunched = [&](qv::gtk::Runtime& runtime) {
    // The first load is only requested by now: the script is in place before it commits.
    if (!pageScript.empty()) qv::e2e::addPageScript(runtime, pageScript);
    control = std::make_unique<qv::e2e::Control>(runtime);
  };
  return qv::gtk::run(std::move(options));
}
