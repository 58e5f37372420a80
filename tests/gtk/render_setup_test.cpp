// What drawing by software puts in the environment, and what the user's own
// settings keep from it. LIBGL_ALWAYS_SOFTWARE makes any machine choose
// software.
#include "host/gtk/render_setup.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

namespace qv::gtk {
namespace {

using Env = std::map<std::string, std::string>;

TEST(RenderSetup, GtkGlIsOffOnlyWhenNothingWouldDrawWithIt) {
  const char* names[] = {"GSK_RENDERER", "WEBKIT_DISABLE_DMABUF_RENDERER", "GDK_DEBUG"};
  const std::pair<Env, Env> cases[] = {
      {{},
       {{"GSK_RENDERER", "cairo"},
        {"WEBKIT_DISABLE_DMABUF_RENDERER", "1"},
        {"GDK_DEBUG", "gl-disable"}}},
      {{{"GDK_DEBUG", "events"}},
       {{"GSK_RENDERER", "cairo"},
        {"WEBKIT_DISABLE_DMABUF_RENDERER", "1"},
        {"GDK_DEBUG", "events,gl-disable"}}},
      {{{"GSK_RENDERER", "gl"}}, {{"GSK_RENDERER", "gl"}, {"WEBKIT_DISABLE_DMABUF_RENDERER", "1"}}},
      {{{"WEBKIT_DISABLE_DMABUF_RENDERER", "0"}},
       {{"GSK_RENDERER", "cairo"}, {"WEBKIT_DISABLE_DMABUF_RENDERER", "0"}}},
  };
  g_setenv("LIBGL_ALWAYS_SOFTWARE", "1", TRUE);
  for (const auto& [before, after] : cases) {
    for (const char* name : names) g_unsetenv(name);
    for (const auto& [name, value] : before) g_setenv(name.c_str(), value.c_str(), TRUE);
    setUpRenderers();
    Env seen;
    for (const char* name : names)
      if (const char* value = g_getenv(name)) seen[name] = value;
    EXPECT_EQ(seen, after);
  }
}

}  // namespace
}  // namespace qv::gtk
