// Which engine errors show the Spanish error page, and with which words: a
// wrong entry leaves a pane blank, or covers a download with an error.
#include "host/gtk/load_failure.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <webkit/webkit.h>

#include "host/gtk/gobject_ptr.h"

namespace qv::gtk {
namespace {

TEST(LoadFailure, EachEngineErrorMapsToItsPageOrToNone) {
  const struct {
    GQuark domain;
    int code;
    std::optional<LoadFailure> failure;
  } cases[] = {
      {G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND, LoadFailure::HostNotFound},
      {G_RESOLVER_ERROR, G_RESOLVER_ERROR_TEMPORARY_FAILURE, LoadFailure::HostNotFound},
      {G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED, LoadFailure::Refused},
      {G_IO_ERROR, G_IO_ERROR_TIMED_OUT, LoadFailure::TimedOut},
      {G_IO_ERROR, G_IO_ERROR_NETWORK_UNREACHABLE, LoadFailure::Offline},
      {G_IO_ERROR, G_IO_ERROR_HOST_UNREACHABLE, LoadFailure::Offline},
      {G_IO_ERROR, G_IO_ERROR_CANCELLED, std::nullopt},
      {G_IO_ERROR, G_IO_ERROR_BROKEN_PIPE, LoadFailure::Other},
      {G_TLS_ERROR, G_TLS_ERROR_BAD_CERTIFICATE, LoadFailure::Other},
      {WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_TRANSPORT, LoadFailure::Other},
      {WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED, std::nullopt},
      {WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE,
       std::nullopt},
      {WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_NETWORK, std::nullopt},
  };
  for (const auto& c : cases) {
    auto error = GErrorPtr::adopt(g_error_new_literal(c.domain, c.code, "x"));
    EXPECT_EQ(networkFailure(error.get()), c.failure)
        << g_quark_to_string(c.domain) << " " << c.code;
  }
}

}  // namespace
}  // namespace qv::gtk
