#include "app/delegate.h"

namespace qv {

void Delegate::alert(const std::string&, std::function<void()> done) { done(); }
void Delegate::confirm(const std::string&, std::function<void(bool)> done) { done(false); }
void Delegate::chooseFiles(bool, std::function<void(std::optional<std::vector<std::string>>)> done) {
  done(std::nullopt);
}

}  // namespace qv
