#include "host/gtk/spanish.h"

#include <glib.h>

#include <clocale>
#include <cstring>

namespace qv::gtk {
namespace {

bool messagesUntranslated() {
  const char* messages = std::setlocale(LC_MESSAGES, nullptr);
  return !messages || std::strcmp(messages, "C") == 0 || std::strcmp(messages, "POSIX") == 0;
}

}  // namespace

void speakSpanish() {
  g_setenv("LANGUAGE", "es", TRUE);
  // gettext ignores LANGUAGE under the C locale, which is also what a locale
  // that is not installed falls back to: C.UTF-8 is always there and is C in
  // everything but the character set.
  std::setlocale(LC_ALL, "");
  if (!messagesUntranslated()) return;
  g_setenv("LC_ALL", "C.UTF-8", TRUE);
  std::setlocale(LC_ALL, "");
}

}  // namespace qv::gtk
