// Which engine errors are failures of the network itself, and which of them
// the user is told about; a navigation the policy stopped, a download or a
// cancelled load fail too, and show nothing.
#pragma once

#include <glib.h>

#include <optional>

#include "policy/load_error.h"

namespace qv::gtk {

std::optional<LoadFailure> networkFailure(const GError* error);

}  // namespace qv::gtk
