#include "host/gtk/cookie_store.h"

#include <memory>

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
  auto* held = new std::function<void(std::vector<Cookie>)>(std::move(done));
  webkit_cookie_manager_get_all_cookies(
      manager_, nullptr,
      +[](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<std::function<void(std::vector<Cookie>)>> done(
            static_cast<std::function<void(std::vector<Cookie>)>*>(data));
        GList* list = webkit_cookie_manager_get_all_cookies_finish(WEBKIT_COOKIE_MANAGER(source),
                                                                   result, nullptr);
        std::vector<Cookie> cookies;
        for (GList* l = list; l; l = l->next)
          cookies.push_back(fromSoup(static_cast<SoupCookie*>(l->data)));
        g_list_free_full(list, reinterpret_cast<GDestroyNotify>(soup_cookie_free));
        try {
          (*done)(std::move(cookies));
        } catch (...) {
        }
      },
      held);
}

void WebKitCookieStore::setCookie(const Cookie& cookie) {
  SoupCookie* c = soup_cookie_new(cookie.name.c_str(), cookie.value.c_str(), cookie.domain.c_str(),
                                  cookie.path.c_str(), -1);
  if (!c) return;
  if (cookie.expires) {
    GDateTime* when = g_date_time_new_from_unix_utc(static_cast<gint64>(*cookie.expires));
    soup_cookie_set_expires(c, when);
    g_date_time_unref(when);
  }
  soup_cookie_set_secure(c, cookie.secure);
  soup_cookie_set_http_only(c, cookie.httpOnly);
  if (cookie.sameSite == "None") soup_cookie_set_same_site_policy(c, SOUP_SAME_SITE_POLICY_NONE);
  if (cookie.sameSite == "Lax") soup_cookie_set_same_site_policy(c, SOUP_SAME_SITE_POLICY_LAX);
  if (cookie.sameSite == "Strict")
    soup_cookie_set_same_site_policy(c, SOUP_SAME_SITE_POLICY_STRICT);
  webkit_cookie_manager_add_cookie(manager_, c, nullptr, nullptr, nullptr);
  soup_cookie_free(c);
}

}  // namespace qv::gtk
