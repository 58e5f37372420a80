// Handles for the WebKit and libsoup values the backend holds that are not
// GObjects but boxed types with counts (or, for cookies, copies) of their own.
#pragma once

#include <webkit/webkit.h>

#include "host/gtk/gobject_ptr.h"

namespace qv::gtk {

using ScriptDialogPtr =
    Handle<WebKitScriptDialog, webkit_script_dialog_ref, webkit_script_dialog_unref>;
using UserScriptPtr = Handle<WebKitUserScript, webkit_user_script_ref, webkit_user_script_unref>;
using SecurityOriginPtr =
    Handle<WebKitSecurityOrigin, webkit_security_origin_ref, webkit_security_origin_unref>;
using SoupCookiePtr = Handle<SoupCookie, soup_cookie_copy, soup_cookie_free>;

}  // namespace qv::gtk
