#include "app/delegate.h"

namespace qv {

void Delegate::colocaVideo(const std::string&, const std::string&, const std::string&,
                           const std::string&, std::int64_t, const Rect&) {}

}  // namespace qv
