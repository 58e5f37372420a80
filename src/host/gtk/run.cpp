#include "host/gtk/run.h"

#include <glib-unix.h>
#include <webkit/webkit.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <vector>

#include "host/gtk/application.h"
#include "host/gtk/cookie_store.h"
#include "host/gtk/debug.h"
#include "host/gtk/dialogs.h"
#include "host/gtk/engine.h"
#include "host/gtk/gobject_ptr.h"
#include "host/gtk/http_client.h"
#include "host/gtk/processes.h"
#include "host/gtk/render_setup.h"
#include "host/gtk/services.h"
#include "host/gtk/settings_file.h"
#include "host/gtk/signal.h"
#include "host/gtk/spanish.h"
#include "host/gtk/start_failure.h"

namespace qv::gtk {
namespace {

constexpr const char* kStyle = R"CSS(
window.qv-window, window.qv-window headerbar, window.qv-window popovermenubar {
  background-color: rgb(3%, 5%, 7%);
}
window.qv-window headerbar { box-shadow: none; border: none; }
.qv-rounded { border-radius: 10px; }
)CSS";

void applyLook() {
  g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", TRUE, nullptr);
  auto css = GObjectPtr<GtkCssProvider>::adopt(gtk_css_provider_new());
  gtk_css_provider_load_from_data(css.get(), kStyle, -1);
  gtk_style_context_add_provider_for_display(gdk_display_get_default(),
                                             GTK_STYLE_PROVIDER(css.get()),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

// Where QUORVEX keeps what the user sets and the sites they logged in to:
// without it nothing would last past the session, so it is not optional.
std::string userFolder(const char* base) {
  std::string folder = std::string(base) + "/quorvex";
  if (g_mkdir_with_parents(folder.c_str(), 0700) != 0)
    throw std::runtime_error("No se pudo crear la carpeta " + folder + ": " + g_strerror(errno));
  return folder;
}

// Everything that lives from launch to exit.
struct Session {
  explicit Session(GtkApplication* app, Options& options)
      : engine(userFolder(g_get_user_data_dir()), userFolder(g_get_user_cache_dir()),
               options.mockCaptureDevices, g_application_get_dbus_connection(G_APPLICATION(app))),
        settings(userFolder(g_get_user_config_dir()) + "/settings.json"),
        application(app, engine, settings, options.resourcesFolder),
        cookies(webkit_network_session_get_cookie_manager(engine.session())),
        delegate(Host{application, cookies, browser, settings, clock, http, dialogs, mainQueue, log,
                      timers, processes},
                 options.config),
        runtime{app, delegate, application} {}

  Engine engine;
  SettingsFile settings;
  GtkApp application;
  WebKitCookieStore cookies;
  DefaultBrowser browser;
  WallClock clock;
  GtkDialogs dialogs;
  GMainQueue mainQueue;
  DebugLog log;
  MainLoopTimers timers;
  SystemProcesses processes;
  Delegate delegate;
  Runtime runtime;
  // Goes first: a request finishing at exit still finds the queue it posts to.
  SoupHttpClient http;
};

// A logout or `kill` (SIGTERM), Ctrl+C in a terminal (SIGINT) and a closed
// terminal (SIGHUP) would otherwise end the process on the spot, before the
// window state is saved and the engine has written what it holds.
std::vector<SourceHandle> quitOnSignals(GtkApplication* app) {
  std::vector<SourceHandle> sources;
  for (int signum : {SIGTERM, SIGINT, SIGHUP})
    sources.emplace_back(g_unix_signal_add(
        signum,
        +[](gpointer app) -> gboolean {
          g_application_quit(G_APPLICATION(app));
          return G_SOURCE_CONTINUE;
        },
        app));
  return sources;
}

}  // namespace

namespace {

// A folder of the install tree the executable's bin/ belongs to, when it exists.
std::optional<std::string> besideExecutable(const char* folder) {
  GError* error = nullptr;
  GCharPtr exe(g_file_read_link("/proc/self/exe", &error));
  if (debugError(error, "ejecutable no encontrado")) return std::nullopt;
  GCharPtr bin(g_path_get_dirname(exe.get()));
  GCharPtr prefix(g_path_get_dirname(bin.get()));
  std::string path = std::string(prefix.get()) + "/" + folder;
  if (!g_file_test(path.c_str(), G_FILE_TEST_IS_DIR)) return std::nullopt;
  return path;
}

}  // namespace

std::optional<std::string> resourcesBesideExecutable() { return besideExecutable("share/quorvex"); }

Options standardOptions() {
  Options o;
  o.config = Config::standard(g_get_home_dir());
  o.resourcesFolder = resourcesBesideExecutable();
  return o;
}

int run(Options options) {
  speakSpanish();
  // WebKitGTK keeps native HLS off unless asked, before the first web view.
  g_setenv("WEBKIT_GST_ENABLE_HLS_SUPPORT", "1", TRUE);
  // The page itself pauses a muted video nobody can see. WebKit's player
  // would also suspend it on its own judgement of the view, made while a new
  // pane is still being laid out, and now and then that left a shown stream
  // frozen on its first frame with nothing to wake it.
  g_setenv("WEBKIT_GST_ALLOW_PLAYBACK_OF_INVISIBLE_VIDEOS", "1", TRUE);
  setUpRenderers();
  if (!gtk_init_check()) {
    g_critical(
        "QUORVEX no pudo arrancar: no hay ninguna pantalla a la que conectarse "
        "(ni DISPLAY ni WAYLAND_DISPLAY)");
    return 1;
  }
  // Before the first web process starts, so that every one can say which
  // view it shows.
  if (auto extensions = besideExecutable("lib/quorvex/web-extensions"))
    webkit_web_context_set_web_process_extensions_directory(webkit_web_context_get_default(),
                                                            extensions->c_str());
  else
    QV_DEBUG("motor", "sin la extensión de los procesos web: los recursos no los verán");
  auto app = GObjectPtr<GtkApplication>::adopt(
      gtk_application_new(QV_APP_ID, G_APPLICATION_DEFAULT_FLAGS));
  // Outlives the session: a second signal while it winds down changes nothing.
  auto signals = quitOnSignals(app.get());
  std::unique_ptr<Session> session;
  bool failed = false;
  auto activated = connect<void(GApplication*)>(app.get(), "activate", [&](GApplication*) {
    if (session || failed) {  // a second launch only brings the window back
      if (session) session->application.activate();
      return;
    }
    try {
      applyLook();
      session = std::make_unique<Session>(app.get(), options);
      session->delegate.applicationDidFinishLaunching();
    } catch (const std::exception& e) {
      session.reset();
      failed = true;
      reportStartFailure(app.get(), e.what());
      return;
    }
    if (options.onLaunched) options.onLaunched(session->runtime);
  });
  auto shutDown = connect<void(GApplication*)>(app.get(), "shutdown", [&](GApplication*) {
    if (session) session->application.saveWindows();
  });
  const int status = g_application_run(G_APPLICATION(app.get()), 0, nullptr);
  return failed ? 1 : status;
}

}  // namespace qv::gtk
