#include "host/gtk/cookie_store.h"

#include "host/gtk/callback.h"
#include "host/gtk/webkit_ptr.h"

namespace qv::gtk {
namespace {

std::string sameSiteName(SoupSameSitePolicy policy) {
  switch (policy) {
    case SOUP_SAME_SITE_POLICY_NONE:
      return "None";
    case SOUP_SAME_SITE_POLICY_LAX:
      return "Lax";
    case SOUP_SAME_SITE_POLICY_STRICT:
      return "Strict";
  }
  return "";
}

Cookie fromSoup(SoupCookie* c) {
  Cookie out;
  out.name = soup_cookie_get_name(c);
  out.value = soup_cookie_get_value(c);
  out.domain = soup_cookie_get_domain(c);
  out.path = soup_cookie_get_path(c);
  if (GDateTime* expires = soup_cookie_get_expires(c))
    out.expires = static_cast<Instant>(g_date_time_to_unix(expires));
  out.secure = soup_cookie_get_secure(c);
  out.httpOnly = soup_cookie_get_http_only(c);
  out.sameSite = sameSiteName(soup_cookie_get_same_site_policy(c));
  return out;
}

}  // namespace

void WebKitCookieStore::allCookies(std::function<void(std::vector<Cookie>)> done) {
  auto ready = onReady([done = std::move(done)](GObject* source, GAsyncResult* result) {
    GError* raw = nullptr;
    auto soupCookies = adoptAll<SoupCookiePtr>(
        webkit_cookie_manager_get_all_cookies_finish(WEBKIT_COOKIE_MANAGER(source), result, &raw));
    debugError(raw, "cookies no leídas");  // and the answer is no cookies
    std::vector<Cookie> cookies;
    for (const auto& c : soupCookies) cookies.push_back(fromSoup(c.get()));
    done(std::move(cookies));
  });
  webkit_cookie_manager_get_all_cookies(manager_, nullptr, ready.callback, ready.data);
}

void WebKitCookieStore::setCookie(const Cookie& cookie) {
  auto c = SoupCookiePtr::adopt(soup_cookie_new(cookie.name.c_str(), cookie.value.c_str(),
                                                cookie.domain.c_str(), cookie.path.c_str(), -1));
  if (!c) return;
  if (cookie.expires)
    soup_cookie_set_expires(
        c.get(),
        GDateTimePtr::adopt(g_date_time_new_from_unix_utc(static_cast<gint64>(*cookie.expires)))
            .get());
  soup_cookie_set_secure(c.get(), cookie.secure);
  soup_cookie_set_http_only(c.get(), cookie.httpOnly);
  if (cookie.sameSite == "None")
    soup_cookie_set_same_site_policy(c.get(), SOUP_SAME_SITE_POLICY_NONE);
  if (cookie.sameSite == "Lax")
    soup_cookie_set_same_site_policy(c.get(), SOUP_SAME_SITE_POLICY_LAX);
  if (cookie.sameSite == "Strict")
    soup_cookie_set_same_site_policy(c.get(), SOUP_SAME_SITE_POLICY_STRICT);
  auto ready = onReady([](GObject* source, GAsyncResult* result) {
    GError* raw = nullptr;
    webkit_cookie_manager_add_cookie_finish(WEBKIT_COOKIE_MANAGER(source), result, &raw);
    debugError(raw, "cookie no guardada");
  });
  webkit_cookie_manager_add_cookie(manager_, c.get(), nullptr, ready.callback, ready.data);
}

}  // namespace qv::gtk
