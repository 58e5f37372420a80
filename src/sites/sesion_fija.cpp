#include "app/delegate.h"

namespace qv {

void Delegate::sesionFija(const std::string&) {}

}  // namespace qv
