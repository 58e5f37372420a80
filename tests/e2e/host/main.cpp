// The application configured by a JSON file for a test (outside hosts on
// 127.0.0.1, a test page, mock capture devices), then driven by JSON lines:
// requests on standard input, answers on file descriptor 3, each answer
// carrying its request's "seq".
#include <gio/gunixinputstream.h>
#include <unistd.h>
#include <webkit/webkit.h>

#include <fstream>

#include "host/gtk/callback.h"
#include "host/gtk/gobject_ptr.h"
#include "host/gtk/webkit_ptr.h"
#include "ops.h"

namespace {

using nlohmann::json;
using qv::gtk::GObjectPtr;

void writeAnswer(const json& answer) {
  std::string line = answer.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
  for (size_t done = 0; done < line.size();) {
    ssize_t n = write(3, line.data() + done, line.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// Answers each request line in turn; the application quits when the driver goes away.
void readNext(qv::gtk::Runtime& runtime, GDataInputStream* input) {
  auto ready = qv::gtk::onReady([&runtime, input](GObject*, GAsyncResult* result) {
    GError* error = nullptr;
    qv::gtk::GCharPtr line(g_data_input_stream_read_line_finish(input, result, nullptr, &error));
    if (!line) {
      qv::gtk::debugError(error, "canal de control cerrado");
      return g_application_quit(G_APPLICATION(runtime.app));
    }
    auto request = json::parse(line.get(), nullptr, false);
    auto answer = [seq = request.value("seq", 0)](json a) {
      a["seq"] = seq;
      writeAnswer(a);
    };
    auto op = qv::e2e::controlOps().find(request.value("op", ""));
    if (op == qv::e2e::controlOps().end())
      answer({{"error", "unknown op"}});
    else
      op->second(runtime, request, answer);
    readNext(runtime, input);
  });
  g_data_input_stream_read_line_async(input, G_PRIORITY_DEFAULT, nullptr, ready.callback,
                                      ready.data);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::ifstream file(argv[1]);
  auto settings = json::parse(file, nullptr, false);
  if (!settings.is_object()) return 2;

  auto options = qv::gtk::standardOptions();
  auto& c = options.config;
  for (auto [name, field] :
       {std::pair{"chatAppURL", &c.chatAppURL}, {"videoBaseURL", &c.videoBaseURL}})
    *field = settings.value(name, *field);
  if (settings.contains("sitios")) {
    c.sitios.clear();
    for (auto& [key, site] : settings["sitios"].items())
      c.sitios[key] = {site.value("url", ""), site.value("host", "")};
  }
  if (auto r = settings.find("resourcesFolder"); r != settings.end())
    options.resourcesFolder = r->is_string() ? std::optional(r->get<std::string>()) : std::nullopt;
  options.mockCaptureDevices = settings.value("mockCaptureDevices", false);

  auto input = GObjectPtr<GDataInputStream>::adopt(g_data_input_stream_new(
      GObjectPtr<GInputStream>::adopt(g_unix_input_stream_new(0, FALSE)).get()));
  options.onLaunched = [&](qv::gtk::Runtime& runtime) {
    // Runs at document start in every main page from the first load on, which
    // is only requested by now: how a test hands the page its configuration.
    if (auto source = settings.value("pageScript", std::string()); !source.empty())
      webkit_user_content_manager_add_script(
          webkit_web_view_get_user_content_manager(qv::e2e::findView(runtime, "main")),
          qv::gtk::UserScriptPtr::adopt(
              webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                     WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr))
              .get());
    readNext(runtime, input.get());
  };
  return qv::gtk::run(std::move(options));
}
