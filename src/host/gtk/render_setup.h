// Renderers chosen from what the machine has, before GTK and WebKit start.
#pragma once

namespace qv::gtk {

// What the user sets in the environment (GSK_RENDERER,
// WEBKIT_DISABLE_DMABUF_RENDERER) wins over the choice.
void setUpRenderers();

}  // namespace qv::gtk
