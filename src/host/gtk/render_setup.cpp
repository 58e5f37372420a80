#include "host/gtk/render_setup.h"

#include <glib.h>
#include <malloc.h>

#include <string>

#include "host/gtk/debug.h"
#include "host/gtk/gobject_ptr.h"
#include "host/gtk/renderers.h"

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

// GTK's cairo renderer paints each frame into a new window-sized image and
// frees it afterwards. By default the allocator gives that memory back to the
// system at once, so every frame faults in and zeroes megabytes of fresh
// pages: about half of what a frame costs. Kept, the next frame reuses it.
void keepFrameMemory() {
  constexpr int kLargestFrame = 32 << 20;  // a 4K window at 32 bits, and then some
  if (!mallopt(M_MMAP_THRESHOLD, kLargestFrame) || !mallopt(M_TRIM_THRESHOLD, 2 * kLargestFrame))
    QV_DEBUG("render", "el asignador no aceptó guardar la memoria de los cuadros");
}

// GTK 4.8 starts GL when it opens the display, whatever it will draw with.
// Drawing with cairo, and with no DMA-BUF buffers from WebKit to import, it
// has no use for it, and on software GL that start costs about a sixth of
// the application's own start.
void switchOffGtkGl() {
  const char* flags = g_getenv("GDK_DEBUG");
  const std::string all = flags && *flags ? std::string(flags) + ",gl-disable" : "gl-disable";
  g_setenv("GDK_DEBUG", all.c_str(), TRUE);
}

}  // namespace

void setUpRenderers() {
  RendererChoice choice = chooseRenderers(thisMachine());
  if (!choice.gpu) {
    g_setenv("GSK_RENDERER", "cairo", FALSE);
    keepFrameMemory();
  }
  if (!choice.dmabuf) g_setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", FALSE);
  // What the user put in the environment holds over the choice.
  if (g_strcmp0(g_getenv("GSK_RENDERER"), "cairo") == 0 &&
      g_strcmp0(g_getenv("WEBKIT_DISABLE_DMABUF_RENDERER"), "1") == 0)
    switchOffGtkGl();
  QV_DEBUG("render",
           "renderizado %s: %s; GSK_RENDERER=%s, WEBKIT_DISABLE_DMABUF_RENDERER=%s, GDK_DEBUG=%s",
           choice.gpu ? "por GPU" : "por software", choice.why.c_str(),
           g_getenv("GSK_RENDERER") ? g_getenv("GSK_RENDERER") : "(GTK elige)",
           g_getenv("WEBKIT_DISABLE_DMABUF_RENDERER") ? g_getenv("WEBKIT_DISABLE_DMABUF_RENDERER")
                                                      : "(no)",
           g_getenv("GDK_DEBUG") ? g_getenv("GDK_DEBUG") : "(no)");
}

}  // namespace qv::gtk
