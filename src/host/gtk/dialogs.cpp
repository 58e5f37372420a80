#include "host/gtk/dialogs.h"

#include <gtk/gtk.h>

#include "host/gtk/gobject_ptr.h"
#include "host/gtk/signal.h"
#include "host/gtk/window.h"

G_GNUC_BEGIN_IGNORE_DEPRECATIONS  // GtkAlertDialog and GtkFileDialog need GTK 4.10

    namespace qv::gtk {
  namespace {

  constexpr int kAceptar = GTK_RESPONSE_ACCEPT;

  // The message is shown as given: it is passed as an argument, never as a format.
  GtkWidget* messageDialog(Window& parent, const std::string& message) {
    auto* dialog =
        gtk_message_dialog_new(static_cast<AppWindow&>(parent).widget(), GTK_DIALOG_MODAL,
                               GTK_MESSAGE_OTHER, GTK_BUTTONS_NONE, "%s", message.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), "QUORVEX");
    return dialog;
  }

  // The answer is the dialog's own handler: it goes with the dialog.
  void run(GtkWidget* dialog, std::function<void(int)> answered) {
    attach<void(GtkDialog*, int)>(dialog, "response",
                                  [answered = std::move(answered)](GtkDialog* d, int response) {
                                    gtk_window_destroy(GTK_WINDOW(d));
                                    answered(response);
                                  });
    gtk_window_present(GTK_WINDOW(dialog));
  }

  }  // namespace

  void GtkDialogs::alert(Window & parent, const std::string& message, std::function<void()> done) {
    auto* dialog = messageDialog(parent, message);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "Aceptar", kAceptar);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), kAceptar);
    run(dialog, [done = std::move(done)](int) { done(); });
  }

  void GtkDialogs::confirm(Window & parent, const std::string& message,
                           std::function<void(bool)> done) {
    auto* dialog = messageDialog(parent, message);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "Aceptar", kAceptar);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "Cancelar", GTK_RESPONSE_CANCEL);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), kAceptar);
    run(dialog, [done = std::move(done)](int response) { done(response == kAceptar); });
  }

  void GtkDialogs::openFiles(Window & parent, bool multiple,
                             std::function<void(std::optional<std::vector<std::string>>)> done) {
    // ACTION_OPEN never hands back a folder.
    // GTK does not keep a native dialog alive: its creation reference is
    // released when it answers.
    auto* native = GTK_NATIVE_DIALOG(
        gtk_file_chooser_native_new(nullptr, static_cast<AppWindow&>(parent).widget(),
                                    GTK_FILE_CHOOSER_ACTION_OPEN, "Abrir", "Cancelar"));
    gtk_native_dialog_set_modal(native, TRUE);
    gtk_file_chooser_set_select_multiple(GTK_FILE_CHOOSER(native), multiple);
    attach<void(GtkNativeDialog*, int)>(
        native, "response", [done = std::move(done)](GtkNativeDialog* d, int response) {
          auto release = GObjectPtr<GtkNativeDialog>::adopt(d);
          if (response != GTK_RESPONSE_ACCEPT) {
            done(std::nullopt);
            return;
          }
          std::vector<std::string> paths;
          auto files =
              GObjectPtr<GListModel>::adopt(gtk_file_chooser_get_files(GTK_FILE_CHOOSER(d)));
          for (guint i = 0; i < g_list_model_get_n_items(files.get()); ++i) {
            auto file = GObjectPtr<GFile>::adopt(G_FILE(g_list_model_get_item(files.get(), i)));
            GCharPtr path(g_file_get_path(file.get()));
            if (path) paths.emplace_back(path.get());
          }
          done(std::move(paths));
        });
    gtk_native_dialog_show(native);
  }

}  // namespace qv::gtk

G_GNUC_END_IGNORE_DEPRECATIONS
