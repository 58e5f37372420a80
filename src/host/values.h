// Plain values exchanged between the core and a platform backend.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// A rectangle in the page's own coordinates (origin top left).
struct Rect {
  double x = 0, y = 0, w = 0, h = 0;
};

// Seconds since the Unix epoch, wall clock.
using Instant = double;

// A moment on the local calendar: the day of the week (0 Monday … 6 Sunday)
// and the minutes since midnight, both in the user's time zone.
struct LocalTime {
  int weekday = 0;
  int minute = 0;
};

struct Cookie {
  std::string name;
  std::string value;
  std::string domain;  // may begin with a dot
  std::string path;
  std::optional<Instant> expires;  // absent for a session cookie
  bool secure = false;
  bool httpOnly = false;
  std::string sameSite;  // "", "None", "Lax" or "Strict"
};

// What a process holds now and has used since it started.
struct ProcessUse {
  std::int64_t pssKiB = 0;  // its proportional share of the memory it maps
  double cpuSeconds = 0;
};

// What befalls a view's web process. An end the application itself asked
// for (WebView::endContent) is never one of these.
enum class ContentEvent { Crashed, OutOfMemory, Unresponsive, Responsive };

enum class NavigationType { LinkActivated, Other };

// Who is behind a link click or a new window, as the engine saw it.
struct Requester {
  bool topFrame = false;  // the view's own document, not a frame inside it
  // A real press of the user's in the view led to it, and no other request
  // has spent that press.
  bool gesture = false;
};

struct NavigationAction {
  std::optional<std::string> url;  // absent when the request has none
  NavigationType type = NavigationType::Other;
  bool wantsDownload = false;
  Requester requester;  // known for link clicks only
};

enum class NavigationDecision { Cancel, Allow, Download };

// Both user agents claim Safari, each where the page's services expect it:
// the fetch proxy's requests send the whole string, and the engine's own
// user agent in panes and site windows ends in this application name.
inline constexpr char kUserAgentSafari[] =
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
    "Version/17.0 Safari/605.1.15";
inline constexpr char kUserAgentShort[] = "Mozilla/5.0 (Macintosh)";
inline constexpr char kSafariApplicationName[] = "Version/17.4 Safari/605.1.15";

inline constexpr double kNetworkTimeoutSeconds = 20;

struct HttpRequest {
  std::string url;
  std::string method = "GET";
  std::map<std::string, std::string> headers;  // replaced by name
  std::optional<std::string> body;             // raw bytes
  double timeoutSeconds = kNetworkTimeoutSeconds;
};

// The outcome of one network request. `status` is 0 when the answer was not
// an HTTP response; `error` holds the transport error's description, if any.
// The body comes as Base64, which the transport writes while it arrives: a
// large body is never held twice nor encoded after the fact.
struct HttpResponse {
  int status = 0;
  std::optional<std::string> bodyBase64;
  std::optional<std::string> error;
};

}  // namespace qv
