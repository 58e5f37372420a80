// The engine settings each kind of view is made with.
#pragma once

#include <webkit/webkit.h>

#include <string>

#include "host/gtk/gobject_ptr.h"
#include "host/platform.h"

namespace qv::gtk {

// `mockCaptureDevices` only supplies devices to a view that may capture,
// for machines that have none; it never turns capture on.
GObjectPtr<WebKitSettings> viewSettings(const WebViewConfig& config,
                                        const std::string& safariUserAgent,
                                        bool mockCaptureDevices);

}  // namespace qv::gtk
