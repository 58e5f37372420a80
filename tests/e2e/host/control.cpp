#include "control.h"

#include <gio/gunixinputstream.h>
#include <unistd.h>

#include "host/gtk/callback.h"

namespace qv::e2e {
namespace {

void writeAnswer(const nlohmann::json& answer) {
  std::string line = answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  size_t done = 0;
  while (done < line.size()) {
    ssize_t n = write(3, line.data() + done, line.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

Control::Control(gtk::Runtime& runtime)
    : runtime_(runtime),
      input_(gtk::GObjectPtr<GDataInputStream>::adopt(
          g_data_input_stream_new(g_unix_input_stream_new(0, FALSE)))) {
  readNext();
}

void Control::readNext() {
  auto ready = gtk::onReady([this](GObject* source, GAsyncResult* result) {
    gsize length = 0;
    GError* error = nullptr;
    gtk::GCharPtr line(
        g_data_input_stream_read_line_finish(G_DATA_INPUT_STREAM(source), result, &length, &error));
    if (!line) {  // the driver went away
      gtk::debugError(error, "canal de control cerrado");
      g_application_quit(G_APPLICATION(runtime_.app));
      return;
    }
    handle(line.get());
    readNext();
  });
  g_data_input_stream_read_line_async(input_.get(), G_PRIORITY_DEFAULT, nullptr, ready.callback,
                                      ready.data);
}

void Control::handle(const std::string& line) {
  auto request = nlohmann::json::parse(line, nullptr, false);
  if (!request.is_object()) return;
  auto seq = request.value("seq", 0);
  auto answer = [seq](nlohmann::json a) {
    a["seq"] = seq;
    writeAnswer(a);
  };
  auto op = controlOps().find(request.value("op", ""));
  if (op == controlOps().end()) return answer({{"error", "unknown op"}});
  op->second(runtime_, request, answer);
}

}  // namespace qv::e2e
