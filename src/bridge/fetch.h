// Where a fetch goes, decided on the raw "url" text alone.
#pragma once

#include <string_view>

namespace qv {

enum class FetchRoute {
  Sitio,    // run inside a logged-in site's web view
  Estado,   // the MetaTrader 5 status file
  Cuentas,  // every MetaTrader 5 account file, one document
  Red,      // straight to the network
};

// Plain, case-sensitive tests: a site URL (isSiteUrl), then exactly "qv-mt5://estado" or
// "qv-mt5://cuentas"; anything else is the network's.
FetchRoute fetchRoute(std::string_view url);

}  // namespace qv
