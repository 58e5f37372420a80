#include "host/gtk/engine.h"

#include <fcntl.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <memory>

#include "host/gtk/debug.h"
#include "host/gtk/web_view.h"

namespace qv::gtk {
namespace {

std::string engineUserAgentWithSafariVersion() {
  auto settings = GObjectPtr<WebKitSettings>::adopt(webkit_settings_new());
  std::string ua = webkit_settings_get_user_agent(settings.get());
  if (auto cut = ua.find(" Version/"); cut != std::string::npos) ua.resize(cut);
  return ua + " " + kSafariApplicationName;
}

// The cookie database holds log-ins: only its owner may read it. SQLite keeps
// the mode of an existing file, and gives its journals the same one.
std::string privateCookieFile(const std::string& dataFolder) {
  g_mkdir_with_parents(dataFolder.c_str(), 0700);
  g_chmod(dataFolder.c_str(), 0700);
  std::string path = dataFolder + "/cookies.sqlite";
  int fd = g_open(path.c_str(), O_WRONLY | O_CREAT, 0600);
  if (fd >= 0) close(fd);
  GStatBuf st;
  if (g_chmod(path.c_str(), 0600) != 0 || g_stat(path.c_str(), &st) != 0 ||
      (st.st_mode & 0777) != 0600)
    QV_DEBUG("motor", "el archivo de cookies no quedó solo para su dueño: %s", path.c_str());
  return path;
}

}  // namespace

Engine::Engine(const std::string& dataFolder, const std::string& cacheFolder,
               bool mockCaptureDevices, GDBusConnection* sessionBus)
    : session_(GObjectPtr<WebKitNetworkSession>::adopt(
          webkit_network_session_new(dataFolder.c_str(), cacheFolder.c_str()))),
      safariUserAgent_(engineUserAgentWithSafariVersion()),
      mockCaptureDevices_(mockCaptureDevices),
      notifications_(sessionBus) {
  webkit_cookie_manager_set_persistent_storage(
      webkit_network_session_get_cookie_manager(session_.get()),
      privateCookieFile(dataFolder).c_str(), WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  routeDownloads();
  g_weak_ref_init(&videoView_, nullptr);
}

Engine::~Engine() { g_weak_ref_clear(&videoView_); }

GObjectPtr<WebKitWebView> Engine::videoView() {
  return GObjectPtr<WebKitWebView>::adopt(static_cast<WebKitWebView*>(g_weak_ref_get(&videoView_)));
}

void Engine::routeDownloads() {
  downloadStarted_ = connect<void(WebKitNetworkSession*, WebKitDownload*)>(
      session_.get(), "download-started", [](WebKitNetworkSession*, WebKitDownload* download) {
        auto* view = GtkWebView::from(webkit_download_get_web_view(download));
        WebViewPolicy* policy = view ? view->policy() : nullptr;
        // Views nobody governs download nothing.
        if (!policy) {
          webkit_download_cancel(download);
          return;
        }
        // The download's own handlers: they live as long as it does.
        auto failed = std::make_shared<bool>(false);
        attach<gboolean(WebKitDownload*, gchar*)>(
            download, "decide-destination", [policy](WebKitDownload* d, gchar* suggested) {
              auto path = policy->downloadDestination(suggested ? suggested : "");
              webkit_download_set_destination(d, path.c_str());
              return TRUE;
            });
        attach<void(WebKitDownload*, GError*)>(
            download, "failed", [failed](WebKitDownload*, GError* error) {
              *failed = true;
              QV_DEBUG("descargas", "descarga fallida: %s", error->message);
            });
        attach<void(WebKitDownload*)>(download, "finished", [policy, failed](WebKitDownload*) {
          if (!*failed) policy->downloadFinished();
        });
      });
}

}  // namespace qv::gtk
