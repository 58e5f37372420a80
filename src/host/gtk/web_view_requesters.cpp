// Who is behind a link click or a new window: the view's own document or a
// frame inside it, and whether a press of the user's led to it. The engine
// tells neither in full, so the view gathers the facts itself.
#include <nlohmann/json.hpp>

#include "host/gtk/web_view.h"

namespace qv::gtk {
namespace {

// Every link click is reported from a private script world, which no page
// script can reach, before the engine asks about the navigation it starts:
// with whether the engine itself takes it for a download (a download
// attribute on a link of the document's own origin; on another origin the
// attribute means nothing), whether the view's own document was clicked, and
// whether the user clicked it or a script did.
constexpr const char* kClickWorld = "qv-clics";
constexpr const char* kLinkClickScript = R"JS(
document.addEventListener('click', function (e) {
  var a = e.target && e.target.closest ? e.target.closest('a[href]') : null;
  if (!a) return;
  window.webkit.messageHandlers.qvClic.postMessage(JSON.stringify([a.href,
      a.hasAttribute('download') && a.origin === location.origin, window === window.top,
      e.isTrusted]));
}, true);
)JS";

// The engine does not say which frame asked for a window. In the view's own
// document `window.open` first tells a relay in the private world, through
// a DOM event of that document, which no frame of another origin can send.
constexpr const char* kWindowOpenScript = R"JS(
(function () {
  var open = window.open;
  window.open = function (url) {
    var detail = String(url === undefined ? '' : url);
    document.dispatchEvent(new CustomEvent('qv-ventana', { detail: detail }));
    return open.apply(this, arguments);
  };
})();
)JS";
constexpr const char* kWindowRelayScript = R"JS(
document.addEventListener('qv-ventana', function (e) {
  if (typeof e.detail !== 'string') return;
  var url;
  try {
    url = new URL(e.detail, document.baseURI).href;
  } catch (err) {
    return;  // window.open refuses the address itself, and asks for no window
  }
  window.webkit.messageHandlers.qvVentana.postMessage(url);
});
)JS";

// Presses that can activate something: a pointer button, a touch, the keys
// that follow a focused link or press a focused button.
bool isPress(GdkEvent* event) {
  switch (gdk_event_get_event_type(event)) {
    case GDK_BUTTON_PRESS:
    case GDK_TOUCH_BEGIN:
      return true;
    case GDK_KEY_PRESS:
      switch (gdk_key_event_get_keyval(event)) {
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter:
        case GDK_KEY_space:
          return true;
        default:
          return false;
      }
    default:
      return false;
  }
}

}  // namespace

void GtkWebView::reportLinkClicks(WebKitUserContentManager* content) {
  connections_.add<void(WebKitUserContentManager*, JSCValue*)>(
      content, "script-message-received::qvClic",
      [this](WebKitUserContentManager*, JSCValue* value) {
        if (!jsc_value_is_string(value)) return;
        GCharPtr text(jsc_value_to_string(value));
        auto c = nlohmann::json::parse(text.get(), nullptr, false);
        if (c.is_array() && c.size() == 4 && c[0].is_string() && c[1].is_boolean() &&
            c[2].is_boolean() && c[3].is_boolean())
          lastClick_ = LinkClick{c[0].get<std::string>(), c[1].get<bool>(), c[2].get<bool>(),
                                 c[3].get<bool>()};
      });
  webkit_user_content_manager_register_script_message_handler(content, "qvClic", kClickWorld);
  addUserScript(content, kLinkClickScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, kClickWorld);
}

void GtkWebView::reportPageWindows(WebKitUserContentManager* content) {
  connections_.add<void(WebKitUserContentManager*, JSCValue*)>(
      content, "script-message-received::qvVentana",
      [this](WebKitUserContentManager*, JSCValue* value) {
        if (!jsc_value_is_string(value)) return;
        GCharPtr url(jsc_value_to_string(value));
        pageWindow_ = url.get();
      });
  webkit_user_content_manager_register_script_message_handler(content, "qvVentana", kClickWorld);
  addUserScript(content, kWindowOpenScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, nullptr);
  addUserScript(content, kWindowRelayScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, kClickWorld);
}

void GtkWebView::countPresses() {
  // Before the engine's own handlers, which may stop the event; the view owns the controller.
  auto* controller = gtk_event_controller_legacy_new();
  gtk_event_controller_set_propagation_phase(controller, GTK_PHASE_CAPTURE);
  connections_.add<gboolean(GtkEventControllerLegacy*, GdkEvent*)>(
      controller, "event", [this](GtkEventControllerLegacy*, GdkEvent* event) -> gboolean {
        if (isPress(event)) unspentPress_ = true;
        return GDK_EVENT_PROPAGATE;
      });
  gtk_widget_add_controller(GTK_WIDGET(view_.get()), controller);
}

Requester GtkWebView::requesterOf(WebKitNavigationAction* action, const LinkClick* click,
                                  bool topFrame) {
  // The engine's word that a user's gesture is behind it holds for every
  // script a click runs; one press of the user's gives one request at most,
  // and a link must be the one the user clicked.
  const bool link =
      webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_LINK_CLICKED;
  const bool gesture = unspentPress_ && webkit_navigation_action_is_user_gesture(action) &&
                       (!link || (click && click->trusted));
  if (gesture) unspentPress_ = false;
  return {topFrame, gesture};
}

}  // namespace qv::gtk
