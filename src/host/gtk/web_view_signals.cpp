// How a web view answers the engine: through the core's policy when it has
// one, otherwise as a view with no delegate would.
#include <utility>

#include "bridge/message_body.h"
#include "host/gtk/debug.h"
#include "host/gtk/web_view.h"
#include "host/gtk/webkit_ptr.h"
#include "util/encode.h"

namespace qv::gtk {
namespace {

// The "qv" handler lives in a world of its own, which no page script can
// reach. The page's `window.webkit.messageHandlers.qv.postMessage` is a
// stand-in in the top frame that hands the JSON text to a relay in that
// world through a DOM event; the relay passes it on only while the document
// is the bridge page. A cross-origin frame cannot touch the top document,
// and another document in the view gets a relay that stays silent.
constexpr const char* kBridgeWorld = "qv-puente";
constexpr const char* kPageSideScript = R"JS(
window.__qvNativo = true;
window.webkit = { messageHandlers: { qv: { postMessage: function (body) {
  document.dispatchEvent(new CustomEvent('qv-mensaje', { detail: JSON.stringify(body) }));
} } } };
)JS";
// Completed by the bridge page's path as a string literal and ");".
constexpr const char* kRelayScript = R"JS(
(function (page) {
  function isBridgePage() {
    try {
      return location.protocol === 'file:' && decodeURIComponent(location.pathname) === page;
    } catch (e) {
      return false;
    }
  }
  if (!isBridgePage()) return;
  var qv = window.webkit.messageHandlers.qv;
  document.addEventListener('qv-mensaje', function (e) {
    if (typeof e.detail === 'string' && isBridgePage()) qv.postMessage(e.detail);
  });
})()JS";

// A page that asks before it is left never keeps the application from
// moving its view: nobody is asked, and the page goes.
gboolean letPageGo(WebKitScriptDialog* dialog) {
  QV_DEBUG("vista", "la página preguntó antes de salir: se la deja salir");
  webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
  return TRUE;
}

std::optional<std::string> requestUri(WebKitURIRequest* request) {
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  if (!uri || !*uri) return std::nullopt;
  return std::string(uri);
}

}  // namespace

void GtkWebView::connectBridge(ScriptMessageHandler& bridge, const std::string& page,
                               WebKitUserContentManager* content) {
  connections_.add<void(WebKitUserContentManager*, JSCValue*)>(
      content, "script-message-received::qv",
      [&bridge](WebKitUserContentManager*, JSCValue* value) {
        if (!jsc_value_is_string(value)) {
          QV_DEBUG("puente", "mensaje descartado: no es texto");
          return;
        }
        GCharPtr text(jsc_value_to_string(value));
        auto body = messageBody(text.get());
        if (body.is_discarded())
          QV_DEBUG("puente", "mensaje descartado: no es JSON");
        else
          bridge.scriptMessage(body);
      });
  webkit_user_content_manager_register_script_message_handler(content, "qv", kBridgeWorld);
  addUserScript(content, kPageSideScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, nullptr);
  std::string relay = kRelayScript;
  appendJsString(relay, page);
  relay += ");";
  addUserScript(content, relay.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, kBridgeWorld);
}

void GtkWebView::governBy(WebViewPolicy& policy, DesktopNotifications& notifications) {
  auto* view = view_.get();
  connections_.add<gboolean(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType)>(
      view, "decide-policy",
      [this, &policy](WebKitWebView*, WebKitPolicyDecision* decision,
                      WebKitPolicyDecisionType type) -> gboolean {
        // Responses keep the engine's rule: attachments and types it cannot show download.
        if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
        auto* action = webkit_navigation_policy_decision_get_navigation_action(
            WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        // A click is spent by the first navigation after it, whatever that is.
        auto click = std::exchange(lastClick_, std::nullopt);
        if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
          // Let it through to "create", which answers it without a new view.
          windowClick_ = std::move(click);
          webkit_policy_decision_use(decision);
          return TRUE;
        }
        windowClick_.reset();
        NavigationAction a;
        a.url = requestUri(webkit_navigation_action_get_request(action));
        if (click && a.url != click->href) click.reset();  // a click on another link
        if (webkit_navigation_action_get_navigation_type(action) ==
            WEBKIT_NAVIGATION_TYPE_LINK_CLICKED) {
          a.type = NavigationType::LinkActivated;
          a.wantsDownload = click && click->download;
          a.requester = requesterOf(action, click ? &*click : nullptr, click && click->topFrame);
        }
        switch (policy.decideNavigation(*this, a)) {
          case NavigationDecision::Allow:
            webkit_policy_decision_use(decision);
            break;
          case NavigationDecision::Cancel:
            webkit_policy_decision_ignore(decision);
            break;
          case NavigationDecision::Download:
            webkit_policy_decision_download(decision);
            break;
        }
        return TRUE;
      });
  connections_.add<GtkWidget*(WebKitWebView*, WebKitNavigationAction*)>(
      view, "create",
      [this, &policy](WebKitWebView*, WebKitNavigationAction* action) -> GtkWidget* {
        auto url = requestUri(webkit_navigation_action_get_request(action));
        auto click = std::exchange(windowClick_, std::nullopt);
        if (click && url != click->href) click.reset();
        auto asked = std::exchange(pageWindow_, std::nullopt);
        bool topFrame = (click && click->topFrame) || (asked && asked == url);
        policy.newWindowRequested(*this, url,
                                  requesterOf(action, click ? &*click : nullptr, topFrame));
        return nullptr;
      });
  connections_.add<gboolean(WebKitWebView*, WebKitPermissionRequest*)>(
      view, "permission-request",
      [this, &policy](WebKitWebView*, WebKitPermissionRequest* request) -> gboolean {
        if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) {
          if (policy.grantsNotifications(*this))
            webkit_permission_request_allow(request);
          else
            webkit_permission_request_deny(request);
          return TRUE;
        }
        if (!WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request) &&
            !WEBKIT_IS_DEVICE_INFO_PERMISSION_REQUEST(request))
          return FALSE;
        if (policy.grantsMediaCapture())
          webkit_permission_request_allow(request);
        else
          webkit_permission_request_deny(request);
        return TRUE;
      });
  connections_.add<gboolean(WebKitWebView*, WebKitNotification*)>(
      view, "show-notification",
      [this, &policy, &notifications](WebKitWebView* v, WebKitNotification* n) -> gboolean {
        // Asked again here: a choice withdrawn since the page was allowed counts.
        if (!policy.grantsNotifications(*this)) {
          QV_DEBUG("vista", "aviso descartado: la vista no puede avisar");
          return TRUE;
        }
        if (policy.deliversNotification(*this))
          notifications.show(v, n);
        else
          QV_DEBUG("vista", "aviso retenido: no molestar");
        return TRUE;
      });
  connections_.add<gboolean(WebKitWebView*, WebKitScriptDialog*)>(
      view, "script-dialog", [&policy](WebKitWebView*, WebKitScriptDialog* dialog) -> gboolean {
        auto type = webkit_script_dialog_get_dialog_type(dialog);
        if (type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) return letPageGo(dialog);
        // Prompts get no dialog: null. The engine closes an unheld dialog
        // itself after this signal.
        if (type != WEBKIT_SCRIPT_DIALOG_ALERT && type != WEBKIT_SCRIPT_DIALOG_CONFIRM) return TRUE;
        auto held = ScriptDialogPtr::ref(dialog);
        auto finish = [held] { webkit_script_dialog_close(held.get()); };
        std::string message = webkit_script_dialog_get_message(dialog);
        if (type == WEBKIT_SCRIPT_DIALOG_ALERT) {
          policy.alert(message, finish);
        } else {
          policy.confirm(message, [held, finish](bool ok) {
            webkit_script_dialog_confirm_set_confirmed(held.get(), ok);
            finish();
          });
        }
        return TRUE;
      });
  connections_.add<gboolean(WebKitWebView*, WebKitFileChooserRequest*)>(
      view, "run-file-chooser",
      [&policy](WebKitWebView*, WebKitFileChooserRequest* request) -> gboolean {
        auto held = GObjectPtr<WebKitFileChooserRequest>::ref(request);
        policy.chooseFiles(webkit_file_chooser_request_get_select_multiple(request),
                           [held](std::optional<std::vector<std::string>> files) {
                             if (!files) {
                               webkit_file_chooser_request_cancel(held.get());
                               return;
                             }
                             std::vector<const gchar*> paths;
                             for (auto& f : *files) paths.push_back(f.c_str());
                             paths.push_back(nullptr);
                             webkit_file_chooser_request_select_files(held.get(), paths.data());
                           });
        return TRUE;
      });
}

void GtkWebView::answerWithEngineDefaults() {
  // No dialogs in views nobody governs: an alert closes at once, a confirm is
  // refused, a prompt gets null, a page may always be left, and no file is
  // ever chosen. The engine closes the dialog after this signal; closing it
  // here as well makes it crash.
  connections_.add<gboolean(WebKitWebView*, WebKitScriptDialog*)>(
      view_.get(), "script-dialog", [](WebKitWebView*, WebKitScriptDialog* dialog) -> gboolean {
        auto type = webkit_script_dialog_get_dialog_type(dialog);
        if (type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) return letPageGo(dialog);
        if (type == WEBKIT_SCRIPT_DIALOG_CONFIRM)
          webkit_script_dialog_confirm_set_confirmed(dialog, FALSE);
        return TRUE;
      });
  connections_.add<gboolean(WebKitWebView*, WebKitFileChooserRequest*)>(
      view_.get(), "run-file-chooser",
      [](WebKitWebView*, WebKitFileChooserRequest* request) -> gboolean {
        webkit_file_chooser_request_cancel(request);
        return TRUE;
      });
  // No notifications either: the engine's own delivery would show them.
  connections_.add<gboolean(WebKitWebView*, WebKitNotification*)>(
      view_.get(), "show-notification",
      [](WebKitWebView*, WebKitNotification*) -> gboolean { return TRUE; });
}

}  // namespace qv::gtk
