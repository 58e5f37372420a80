#include "bridge/fetch.h"

#include "bridge/site_fetch.h"

namespace qv {

FetchRoute fetchRoute(std::string_view url) {
  if (isSiteUrl(url)) return FetchRoute::Sitio;
  if (url == "qv-mt5://estado") return FetchRoute::Estado;
  if (url == "qv-mt5://cuentas") return FetchRoute::Cuentas;
  return FetchRoute::Red;
}

}  // namespace qv
