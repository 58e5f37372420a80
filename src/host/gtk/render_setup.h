// Renderers chosen from what the machine has, before GTK and WebKit start.
#pragma once

namespace qv::gtk {

// What the user sets in the environment (GSK_RENDERER,
// WEBKIT_DISABLE_DMABUF_RENDERER) wins over the choice; GTK's own GL is
// switched off only when neither would use it.
void setUpRenderers();

}  // namespace qv::gtk
