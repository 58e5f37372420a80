#include "host/gtk/start_failure.h"

#include "host/gtk/signal.h"

G_GNUC_BEGIN_IGNORE_DEPRECATIONS  // GtkAlertDialog needs GTK 4.10

    namespace qv::gtk {
  void reportStartFailure(GtkApplication * app, const std::string& why) {
    g_critical("QUORVEX no pudo arrancar: %s", why.c_str());
    auto* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                          GTK_BUTTONS_NONE, "QUORVEX no pudo arrancar");
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", why.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), "QUORVEX");
    gtk_dialog_add_button(GTK_DIALOG(dialog), "Salir", GTK_RESPONSE_CLOSE);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
    // The dialog is no window of the application's: it keeps it running itself.
    g_application_hold(G_APPLICATION(app));
    attach<void(GtkDialog*, int)>(dialog, "response", [app](GtkDialog* d, int) {
      gtk_window_destroy(GTK_WINDOW(d));
      g_application_release(G_APPLICATION(app));
    });
    gtk_window_present(GTK_WINDOW(dialog));
  }

}  // namespace qv::gtk

G_GNUC_END_IGNORE_DEPRECATIONS
