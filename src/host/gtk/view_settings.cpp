#include "host/gtk/view_settings.h"

namespace qv::gtk {

GObjectPtr<WebKitSettings> viewSettings(const WebViewConfig& config,
                                        const std::string& safariUserAgent,
                                        bool mockCaptureDevices) {
  auto settings = GObjectPtr<WebKitSettings>::adopt(webkit_settings_new());
  auto* s = settings.get();
  if (config.allowFileAccessFromFileUrls)
    webkit_settings_set_allow_file_access_from_file_urls(s, TRUE);
  if (config.safariUserAgent) webkit_settings_set_user_agent(s, safariUserAgent.c_str());
  if (config.mediaCapture) {
    webkit_settings_set_enable_media_stream(s, TRUE);
    webkit_settings_set_enable_webrtc(s, TRUE);
    if (mockCaptureDevices) webkit_settings_set_enable_mock_capture_devices(s, TRUE);
  }
  // A script may ask for a window without a click (WebKitGTK blocks that by
  // default); the policy then decides where the address goes.
  if (config.policy) webkit_settings_set_javascript_can_open_windows_automatically(s, TRUE);
  webkit_settings_set_enable_developer_extras(s, FALSE);
  return settings;
}

}  // namespace qv::gtk
