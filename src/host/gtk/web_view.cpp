#include "host/gtk/web_view.h"

#include "host/gtk/debug.h"
#include "host/gtk/load_failure.h"
#include "host/gtk/pane_layer.h"
#include "host/gtk/processes.h"
#include "host/gtk/view_settings.h"
#include "host/gtk/webkit_ptr.h"
#include "policy/load_error.h"

namespace qv::gtk {
namespace {

constexpr const char* kWrapperKey = "qv-web-view";
constexpr guint kStartPageTimeoutSeconds = 60;

GObjectPtr<WebKitWebView> newView(Engine& engine, const WebViewConfig& config,
                                  WebKitUserContentManager* content) {
  auto settings = viewSettings(config, engine.safariUserAgent(), engine.mockCaptureDevices());
  auto policies = GObjectPtr<WebKitWebsitePolicies>::adopt(
      config.mediaWithoutGesture
          ? webkit_website_policies_new_with_policies("autoplay", WEBKIT_AUTOPLAY_ALLOW, nullptr)
          : webkit_website_policies_new());
  // Video panes show only a page written here around a stream: one web
  // process for all of them saves a whole process for each pane after the
  // first. A view with the bridge never joins them.
  const bool videoPane = config.sharesVideoProcess && !config.bridge;
  auto related = videoPane ? engine.videoView() : GObjectPtr<WebKitWebView>();
  auto* view = static_cast<WebKitWebView*>(
      g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", engine.session(),
                   "user-content-manager", content, "settings", settings.get(), "website-policies",
                   policies.get(), "related-view", related.get(), nullptr));
  if (videoPane && !related) engine.setVideoView(view);
  return GObjectPtr<WebKitWebView>::ref(view);
}

}  // namespace

void addUserScript(WebKitUserContentManager* content, const char* source,
                   WebKitUserContentInjectedFrames frames, const char* world) {
  auto script = UserScriptPtr::adopt(
      world ? webkit_user_script_new_for_world(source, frames,
                                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, world,
                                               nullptr, nullptr)
            : webkit_user_script_new(source, frames, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
                                     nullptr, nullptr));
  webkit_user_content_manager_add_script(content, script.get());
}

GtkWebView::GtkWebView(Engine& engine, const WebViewConfig& config) : config_(config) {
  auto content = GObjectPtr<WebKitUserContentManager>::adopt(webkit_user_content_manager_new());
  if (config.bridge) connectBridge(*config.bridge, config.bridgePage, content.get());
  if (config.policy) reportLinkClicks(content.get());
  // Only the local page's own document is trusted with windows, and only the
  // main web view shows it.
  if (config.bridge) reportPageWindows(content.get());
  view_ = newView(engine, config, content.get());
  g_object_set_data(G_OBJECT(view_.get()), kWrapperKey, this);
  if (config.transparent) {
    GdkRGBA clear = {0, 0, 0, 0};
    webkit_web_view_set_background_color(view_.get(), &clear);
  }
  if (config.roundedCorners) {
    gtk_widget_add_css_class(GTK_WIDGET(view_.get()), "qv-rounded");
    gtk_widget_set_overflow(GTK_WIDGET(view_.get()), GTK_OVERFLOW_HIDDEN);
  }
  connections_.add<void(WebKitWebView*, WebKitLoadEvent)>(
      view_.get(), "load-changed", [this](WebKitWebView*, WebKitLoadEvent event) {
        if (event != WEBKIT_LOAD_COMMITTED) return;
        showsLoadError_ = std::exchange(errorPagePending_, false);
        startPageTimer_.reset();
        documentUrl_ = url();
        ++documentNumber_;
        askContentProcess();
      });
  connections_.add<void(WebKitWebView*, WebKitWebProcessTerminationReason)>(
      view_.get(), "web-process-terminated",
      [this](WebKitWebView*, WebKitWebProcessTerminationReason) { process_->forget(); });
  // A pending load moves the address at once; only a move within the
  // document, which never loads, is the document's own.
  connections_.add<void(WebKitWebView*, GParamSpec*)>(view_.get(), "notify::uri",
                                                      [this](WebKitWebView* view, GParamSpec*) {
                                                        if (!webkit_web_view_is_loading(view))
                                                          documentUrl_ = url();
                                                      });
  connections_.add<gboolean(WebKitWebView*, WebKitLoadEvent, gchar*, GError*)>(
      view_.get(), "load-failed",
      [this](WebKitWebView* view, WebKitLoadEvent, gchar* uri, GError* error) -> gboolean {
        auto failure = networkFailure(error);
        if (!failure) return FALSE;
        // Why a pane or a site window stayed blank, in the engine's words.
        QV_DEBUG("vista", "carga fallida de %s: %s", uri, error->message);
        errorPagePending_ = true;
        webkit_web_view_load_alternate_html(view, loadErrorPage(*failure, uri).c_str(), uri,
                                            nullptr);
        return TRUE;
      });
  if (config.policy) {
    countPresses();
    governBy(*config.policy, engine.notifications());
  } else {
    answerWithEngineDefaults();
  }
}

GtkWebView::~GtkWebView() { g_object_set_data(G_OBJECT(view_.get()), kWrapperKey, nullptr); }

GtkWebView* GtkWebView::from(WebKitWebView* view) {
  return view ? static_cast<GtkWebView*>(g_object_get_data(G_OBJECT(view), kWrapperKey)) : nullptr;
}

void GtkWebView::loadRequest(const std::string& url) {
  webkit_web_view_load_uri(view_.get(), url.c_str());
  armStartPageTimeout();
}

// WebKitGTK requests have no time-out of their own: a start page that has not
// committed within a minute is stopped, as a timed-out request would be.
void GtkWebView::armStartPageTimeout() {
  startPageTimer_ = SourceHandle(addTimeout(kStartPageTimeoutSeconds * 1000, [this]() -> gboolean {
    startPageTimer_.release();
    if (webkit_web_view_is_loading(view_.get())) webkit_web_view_stop_loading(view_.get());
    return G_SOURCE_REMOVE;
  }));
}

void GtkWebView::loadHtml(const std::string& html, const std::optional<std::string>& baseUrl) {
  webkit_web_view_load_html(view_.get(), html.c_str(), baseUrl ? baseUrl->c_str() : nullptr);
}

void GtkWebView::loadFile(const std::string& path) {
  GError* raw = nullptr;
  GCharPtr uri(g_filename_to_uri(path.c_str(), nullptr, &raw));
  if (!debugError(raw, "archivo no cargado")) webkit_web_view_load_uri(view_.get(), uri.get());
}

void GtkWebView::reload() { webkit_web_view_reload(view_.get()); }

void GtkWebView::evaluateScript(const std::string& script) {
  webkit_web_view_evaluate_javascript(view_.get(), script.data(),
                                      static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
                                      nullptr, nullptr);
}

void GtkWebView::callAsyncFunction(const std::string& body, const Args& args,
                                   std::function<void(std::optional<std::string>)> done) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
  for (const auto& [name, value] : args) {
    // A GVariant string is UTF-8 and ends at its first NUL.
    if (!g_utf8_validate(value.data(), static_cast<gssize>(value.size()), nullptr)) {
      g_variant_builder_clear(&builder);
      QV_DEBUG("vista", "llamada no hecha: el argumento %s no es UTF-8 sin NUL", name.c_str());
      if (done) done(std::nullopt);
      return;
    }
    g_variant_builder_add(&builder, "{sv}", name.c_str(), g_variant_new_string(value.c_str()));
  }
  // The view is held until the answer comes, and the answer always comes.
  Ready ready{nullptr, nullptr};  // a call nobody waits on
  if (done)
    ready = onReady([view = GObjectPtr<WebKitWebView>::ref(view_.get()), done = std::move(done)](
                        GObject*, GAsyncResult* result) {
      GError* raw = nullptr;
      auto value = GObjectPtr<JSCValue>::adopt(
          webkit_web_view_call_async_javascript_function_finish(view.get(), result, &raw));
      debugError(raw, "la función de la página falló");  // and the answer is nothing
      std::optional<std::string> text;
      if (value && jsc_value_is_string(value.get())) {
        GCharPtr s(jsc_value_to_string(value.get()));
        text = s.get();
      }
      done(std::move(text));
    });
  webkit_web_view_call_async_javascript_function(view_.get(), body.c_str(), -1,
                                                 g_variant_builder_end(&builder), nullptr, nullptr,
                                                 nullptr, ready.callback, ready.data);
}

// Asked at every new document, which may be shown by another process than
// the last one; an answer about a document already replaced is dropped.
void GtkWebView::askContentProcess() {
  process_->forget();
  process_->document = documentNumber_;
  auto ready = onReady([view = GObjectPtr<WebKitWebView>::ref(view_.get()), process = process_,
                        document = documentNumber_](GObject*, GAsyncResult* result) {
    GError* raw = nullptr;
    auto reply = GObjectPtr<WebKitUserMessage>::adopt(
        webkit_web_view_send_message_to_page_finish(view.get(), result, &raw));
    if (debugError(raw, "el proceso web no dijo cuál es")) return;
    GVariant* said = webkit_user_message_get_parameters(reply.get());
    if (!said || !g_variant_is_of_type(said, G_VARIANT_TYPE("(is)")))
      return QV_DEBUG("vista", "respuesta del proceso web con otra forma");
    gint32 pid = 0;
    const char* space = nullptr;
    g_variant_get(said, "(i&s)", &pid, &space);
    if (process->document == document) process->said = {pid, space};
  });
  webkit_web_view_send_message_to_page(view_.get(), webkit_user_message_new("proceso", nullptr),
                                       nullptr, ready.callback, ready.data);
}

std::optional<int> GtkWebView::contentProcess() const {
  auto& process = *process_;
  if (process.said && !process.found)
    process.found = hostProcess(process.said->first, process.said->second);
  return process.found.value_or(std::nullopt);
}

std::optional<std::string> GtkWebView::url() const {
  const char* uri = webkit_web_view_get_uri(view_.get());
  if (!uri || !*uri) return std::nullopt;
  return std::string(uri);
}

bool GtkWebView::isLoading() const { return webkit_web_view_is_loading(view_.get()); }

std::unique_ptr<Observation> GtkWebView::observeUrl(std::function<void()> changed) {
  return hold(connect<void(WebKitWebView*, GParamSpec*)>(
      view_.get(), "notify::uri",
      [changed = std::move(changed)](WebKitWebView*, GParamSpec*) { changed(); }));
}

std::unique_ptr<Observation> GtkWebView::observeLoaded(std::function<void()> finished) {
  return hold(connect<void(WebKitWebView*, WebKitLoadEvent)>(
      view_.get(), "load-changed",
      [finished = std::move(finished)](WebKitWebView*, WebKitLoadEvent event) {
        if (event == WEBKIT_LOAD_FINISHED) finished();
      }));
}

std::unique_ptr<Observation> GtkWebView::observeContent(std::function<void(ContentEvent)> event) {
  auto shared = std::make_shared<std::function<void(ContentEvent)>>(std::move(event));
  Connections both;
  both.add<void(WebKitWebView*, WebKitWebProcessTerminationReason)>(
      view_.get(), "web-process-terminated",
      [shared](WebKitWebView*, WebKitWebProcessTerminationReason reason) {
        QV_DEBUG("vista", "proceso web terminado (%d)", static_cast<int>(reason));
        // Ended on purpose: hibernation, or a process that stopped answering.
        if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API) return;
        (*shared)(reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? ContentEvent::OutOfMemory
                                                                     : ContentEvent::Crashed);
      });
  both.add<void(WebKitWebView*, GParamSpec*)>(
      view_.get(), "notify::is-web-process-responsive", [shared](WebKitWebView* view, GParamSpec*) {
        (*shared)(webkit_web_view_get_is_web_process_responsive(view) ? ContentEvent::Responsive
                                                                      : ContentEvent::Unresponsive);
      });
  return hold(std::move(both));
}

void GtkWebView::endContent() { webkit_web_view_terminate_web_process(view_.get()); }

bool GtkWebView::playsAudio() const { return webkit_web_view_is_playing_audio(view_.get()); }

bool GtkWebView::capturesMedia() const {
  return webkit_web_view_get_camera_capture_state(view_.get()) != WEBKIT_MEDIA_CAPTURE_STATE_NONE ||
         webkit_web_view_get_microphone_capture_state(view_.get()) !=
             WEBKIT_MEDIA_CAPTURE_STATE_NONE;
}

void GtkWebView::setFrame(const Rect& frame) {
  frame_ = frame;
  if (layer_) layer_->relayout();
}

void GtkWebView::setHidden(bool hidden) {
  gtk_widget_set_visible(GTK_WIDGET(view_.get()), !hidden);
}

bool GtkWebView::visible() const { return gtk_widget_get_visible(GTK_WIDGET(view_.get())); }

void GtkWebView::setMuted(bool muted) { webkit_web_view_set_is_muted(view_.get(), muted); }

}  // namespace qv::gtk
