/* Loaded into every web process: answers a view's "proceso" message with the
 * process's id and its PID namespace, so that the application can tell which
 * process shows which view even inside the engine's sandbox, where every web
 * process is a small number of a namespace of its own. What a process says
 * of itself is only ever shown to the user, never acted on. */
#include <unistd.h>
#include <webkit/webkit-web-process-extension.h>

static gboolean answer(WebKitWebPage* page, WebKitUserMessage* message, gpointer data) {
  (void)page;
  (void)data;
  if (g_strcmp0(webkit_user_message_get_name(message), "proceso") != 0) return FALSE;
  char space[64] = "";
  ssize_t n = readlink("/proc/self/ns/pid", space, sizeof space - 1);
  space[n > 0 ? n : 0] = '\0';
  webkit_user_message_send_reply(
      message, webkit_user_message_new("proceso", g_variant_new("(is)", (gint32)getpid(), space)));
  return TRUE;
}

static void created(WebKitWebProcessExtension* extension, WebKitWebPage* page, gpointer data) {
  (void)extension;
  (void)data;
  g_signal_connect(page, "user-message-received", G_CALLBACK(answer), NULL);
}

G_MODULE_EXPORT void webkit_web_process_extension_initialize(WebKitWebProcessExtension* extension) {
  g_signal_connect(extension, "page-created", G_CALLBACK(created), NULL);
}
