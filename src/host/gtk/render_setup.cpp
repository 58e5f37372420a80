#include "host/gtk/render_setup.h"

#include <glib.h>

#include <string>

#include "app/renderers.h"
#include "host/gtk/gobject_ptr.h"

namespace qv::gtk {
namespace {

Machine thisMachine() {
  Machine machine;
  machine.softwareGlAsked = g_strcmp0(g_getenv("LIBGL_ALWAYS_SOFTWARE"), "1") == 0 ||
                            g_strcmp0(g_getenv("LIBGL_ALWAYS_SOFTWARE"), "true") == 0;
  GDir* raw = g_dir_open("/dev/dri", 0, nullptr);
  if (!raw) return machine;
  std::unique_ptr<GDir, decltype(&g_dir_close)> dri(raw, g_dir_close);
  while (const char* node = g_dir_read_name(dri.get())) {
    if (!g_str_has_prefix(node, "renderD")) continue;
    std::string link = std::string("/sys/class/drm/") + node + "/device/driver";
    GCharPtr target(g_file_read_link(link.c_str(), nullptr));
    GCharPtr driver(target ? g_path_get_basename(target.get()) : g_strdup(""));
    machine.renderNodeDrivers.emplace_back(driver.get());
  }
  return machine;
}

}  // namespace

void setUpRenderers() {
  RendererChoice choice = chooseRenderers(thisMachine());
  if (!choice.gpu) g_setenv("GSK_RENDERER", "cairo", FALSE);
  if (!choice.dmabuf) g_setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", FALSE);
  g_log("quorvex", G_LOG_LEVEL_DEBUG,
        "renderizado %s: %s; GSK_RENDERER=%s, WEBKIT_DISABLE_DMABUF_RENDERER=%s",
        choice.gpu ? "por GPU" : "por software", choice.why.c_str(),
        g_getenv("GSK_RENDERER") ? g_getenv("GSK_RENDERER") : "(GTK elige)",
        g_getenv("WEBKIT_DISABLE_DMABUF_RENDERER") ? g_getenv("WEBKIT_DISABLE_DMABUF_RENDERER")
                                                   : "(no)");
}

}  // namespace qv::gtk
