// Which renderers suit the machine. GTK's GL renderer and WebKit's DMA-BUF
// buffers pay off on a GPU; on software GL they cost start time, memory and
// idle CPU for nothing, and without a render node DMA-BUF paints nothing.
#pragma once

#include <string>
#include <vector>

namespace qv::gtk {

struct Machine {
  // The kernel driver behind each GPU render node (/dev/dri/renderD*).
  std::vector<std::string> renderNodeDrivers;
  bool softwareGlAsked = false;  // LIBGL_ALWAYS_SOFTWARE
};

struct RendererChoice {
  bool gpu = false;     // GTK's GL renderer, else cairo
  bool dmabuf = false;  // WebKit hands frames over as DMA-BUF buffers
  std::string why;      // for the log
};

RendererChoice chooseRenderers(const Machine& machine);

}  // namespace qv::gtk
