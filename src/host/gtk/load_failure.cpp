#include "host/gtk/load_failure.h"

#include <gio/gio.h>
#include <webkit/webkit.h>

namespace qv::gtk {

std::optional<LoadFailure> networkFailure(const GError* error) {
  if (error->domain == G_RESOLVER_ERROR) return LoadFailure::HostNotFound;
  if (error->domain == G_IO_ERROR) {
    switch (error->code) {
      case G_IO_ERROR_CONNECTION_REFUSED:
        return LoadFailure::Refused;
      case G_IO_ERROR_TIMED_OUT:
        return LoadFailure::TimedOut;
      case G_IO_ERROR_NETWORK_UNREACHABLE:
      case G_IO_ERROR_HOST_UNREACHABLE:
        return LoadFailure::Offline;
      case G_IO_ERROR_CANCELLED:
        return std::nullopt;
      default:
        return LoadFailure::Other;
    }
  }
  if (error->domain == G_TLS_ERROR) return LoadFailure::Other;
  if (error->domain == WEBKIT_NETWORK_ERROR && error->code == WEBKIT_NETWORK_ERROR_TRANSPORT)
    return LoadFailure::Other;
  return std::nullopt;
}

}  // namespace qv::gtk
