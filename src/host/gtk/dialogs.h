// Alerts, confirmations and the file chooser, modal over their parent window.
#pragma once

#include "host/platform.h"

namespace qv::gtk {

class GtkDialogs final : public Dialogs {
 public:
  void alert(Window& parent, const std::string& message, std::function<void()> done) override;
  void confirm(Window& parent, const std::string& message, std::function<void(bool)> done) override;
  void openFiles(Window& parent, bool multiple,
                 std::function<void(std::optional<std::vector<std::string>>)> done) override;
};

}  // namespace qv::gtk
