// Web views laid over the main web view at the page's rectangles. A GtkOverlay
// places each pane where the page asked; the empty area stays the page's.
#pragma once

#include <gtk/gtk.h>

#include "host/gtk/signal.h"

namespace qv::gtk {

class GtkWebView;

class PaneLayer {
 public:
  explicit PaneLayer(GtkWidget* content);

  GtkWidget* widget() const { return overlay_; }
  // Each pane goes above the content and every pane added before it.
  void add(GtkWebView& pane);
  void relayout();

 private:
  GtkWidget* overlay_;  // owned by the window it is put in
  Connection placement_;
};

}  // namespace qv::gtk
