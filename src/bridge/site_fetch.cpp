#include "app/delegate.h"

namespace qv {

void Delegate::fetchSitio(const std::string&, const std::string&) {}

}  // namespace qv
