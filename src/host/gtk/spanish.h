// The engine speaks the interface's language.
#pragma once

namespace qv::gtk {

// WebKit's error pages, GTK's dialogs and the transport errors of GLib and
// libsoup that reach the dashboard all come from gettext: asking it for
// Spanish, before GTK reads the locale and before any web process inherits
// the environment, gives them the language of the rest of the interface,
// whatever the user's locale.
void speakSpanish();

}  // namespace qv::gtk
