// What the user sees when QUORVEX cannot start: a Spanish error dialog that
// ends the application when answered, and a critical line for the log.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace qv::gtk {

// Holds the application until the dialog is answered; `why` is shown as it is.
void reportStartFailure(GtkApplication* app, const std::string& why);

}  // namespace qv::gtk
