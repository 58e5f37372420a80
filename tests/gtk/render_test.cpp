// Which machines draw with the GPU, what drawing by software puts in the
// environment, and what the user's own settings keep from it.
// LIBGL_ALWAYS_SOFTWARE makes any machine choose software.
#include <glib.h>
#include <gtest/gtest.h>

#include <string>

#include "host/gtk/render_setup.h"
#include "host/gtk/renderers.h"

namespace qv::gtk {
namespace {

TEST(Renderers, GpuOnlyWhereARenderNodeHasHardwareBehindIt) {
  struct Case {
    Machine machine;
    bool gpu, dmabuf;
  } cases[] = {
      {{{}, false}, false, false},        {{{"vgem"}, false}, false, false},
      {{{"amdgpu"}, false}, true, true},  {{{"vgem", "i915"}, false}, true, true},
      {{{"nvidia"}, false}, true, false}, {{{"i915"}, true}, false, false},
  };
  for (const auto& c : cases) {
    auto choice = chooseRenderers(c.machine);
    EXPECT_EQ(std::pair(choice.gpu, choice.dmabuf), std::pair(c.gpu, c.dmabuf)) << choice.why;
  }
}

TEST(RenderSetup, GtkGlIsOffOnlyWhenNothingWouldDrawWithIt) {
  const char* names[] = {"GSK_RENDERER", "WEBKIT_DISABLE_DMABUF_RENDERER", "GDK_DEBUG"};
  // The user's one setting, if any, and then all three as "NAME=value ...".
  const std::pair<std::string, std::string> cases[] = {
      {"", "GSK_RENDERER=cairo WEBKIT_DISABLE_DMABUF_RENDERER=1 GDK_DEBUG=gl-disable"},
      {"GDK_DEBUG=events",
       "GSK_RENDERER=cairo WEBKIT_DISABLE_DMABUF_RENDERER=1 GDK_DEBUG=events,gl-disable"},
      {"GSK_RENDERER=gl", "GSK_RENDERER=gl WEBKIT_DISABLE_DMABUF_RENDERER=1"},
      {"WEBKIT_DISABLE_DMABUF_RENDERER=0", "GSK_RENDERER=cairo WEBKIT_DISABLE_DMABUF_RENDERER=0"},
  };
  g_setenv("LIBGL_ALWAYS_SOFTWARE", "1", TRUE);
  for (const auto& [before, after] : cases) {
    for (const char* name : names) g_unsetenv(name);
    if (const auto eq = before.find('='); eq != std::string::npos)
      g_setenv(before.substr(0, eq).c_str(), before.substr(eq + 1).c_str(), TRUE);
    setUpRenderers();
    std::string seen;
    for (const char* name : names)
      if (const char* value = g_getenv(name))
        seen += (seen.empty() ? "" : " ") + std::string(name) + "=" + value;
    EXPECT_EQ(seen, after) << before;
  }
}

}  // namespace
}  // namespace qv::gtk
