// Runs the application. The shipped binary calls `run(standardOptions())`;
// tests build their own options (outside hosts on 127.0.0.1, a test page).
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>

#include "app/config.h"
#include "app/delegate.h"

namespace qv::gtk {

class GtkApp;

struct Runtime {
  GtkApplication* app;
  Delegate& delegate;
  GtkApp& application;
};

struct Options {
  Config config;
  std::optional<std::string> resourcesFolder;
  bool mockCaptureDevices = false;
  std::function<void(Runtime&)> onLaunched;
};

// share/quorvex beside the executable's bin/, when it exists.
std::optional<std::string> resourcesBesideExecutable();
Options standardOptions();
int run(Options options);

}  // namespace qv::gtk
