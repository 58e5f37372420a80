#include "app/delegate.h"

namespace qv {

std::string Delegate::downloadDestination(const std::string& suggestedName) {
  return platform.application.downloadsFolder() + "/" + suggestedName;
}
void Delegate::downloadFinished() {}

}  // namespace qv
