#include "bridge/fetch_route.h"

namespace qv {

FetchRoute fetchRoute(std::string_view url) {
  if (url.starts_with("qv-web://") || url.starts_with("qv-exness://")) return FetchRoute::Sitio;
  if (url == "qv-mt5://estado") return FetchRoute::Estado;
  if (url == "qv-mt5://cuentas") return FetchRoute::Cuentas;
  return FetchRoute::Red;
}

}  // namespace qv
