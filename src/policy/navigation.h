// The two decision tables for the views the Delegate governs, free of any
// platform so they can be checked case by case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/values.h"

namespace qv {

// Where a request comes from: the main web view while it shows the local
// page, the main web view showing any other document, or a web pane.
enum class Governed { LocalPage, MainView, Pane };

// Stay: a click on a link the view cannot show; Unasked: a web link that
// only a click of the user's could send to the default browser. Both leave
// the view where it was.
enum class NavigationRoute { InPlace, Download, Browser, Stay, Unasked };

// `webFolder` is the folder of the local page, whose files the main web view
// may open from a link.
NavigationRoute navigationRule(const NavigationAction& action, Governed from,
                               std::string_view webFolder);

enum class NewWindowTarget { Drop, Unasked, RequestingPane, Browser };

// `paneHostFragment` is the host fragment a pane keeps for itself.
NewWindowTarget newWindowRule(const std::optional<std::string>& url, const Requester& requester,
                              Governed from, std::string_view paneHostFragment);

}  // namespace qv
