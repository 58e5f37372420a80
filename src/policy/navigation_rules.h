// The two decision tables for the views the Delegate governs, free of any
// platform so they can be checked case by case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/values.h"

namespace qv {

// Cancel is only ever answered for a web link the user clicked, which the
// caller hands to the default browser instead.
NavigationDecision navigationRule(const NavigationAction& action);

enum class NewWindowTarget { Drop, RequestingPane, Browser };

// `paneHostFragment` is the host fragment a pane keeps for itself.
NewWindowTarget newWindowRule(const std::optional<std::string>& url, bool fromPane,
                              std::string_view paneHostFragment);

}  // namespace qv
