#include "app/delegate.h"

namespace qv {

void Delegate::colocaWeb(const std::string&, const std::string&, const Rect&) {}

}  // namespace qv
