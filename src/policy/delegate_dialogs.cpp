#include "app/delegate.h"

namespace qv {

// Every sheet hangs on the main window, whichever view asked.

void Delegate::alert(const std::string& message, std::function<void()> done) {
  platform.dialogs.alert(*window, message, std::move(done));
}

void Delegate::confirm(const std::string& message, std::function<void(bool)> done) {
  platform.dialogs.confirm(*window, message, std::move(done));
}

void Delegate::chooseFiles(bool multiple,
                           std::function<void(std::optional<std::vector<std::string>>)> done) {
  platform.dialogs.openFiles(*window, multiple, std::move(done));
}

}  // namespace qv
