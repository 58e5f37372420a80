#include "fakes/fake_host.h"

#include <algorithm>

namespace qv::fake {

UrlObservation::~UrlObservation() { std::erase(view->observers, this); }

}  // namespace qv::fake
