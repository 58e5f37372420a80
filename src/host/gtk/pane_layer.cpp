#include "host/gtk/pane_layer.h"

#include <cmath>

#include "host/gtk/web_view.h"

namespace qv::gtk {

PaneLayer::PaneLayer(GtkWidget* content) : overlay_(gtk_overlay_new()) {
  gtk_overlay_set_child(GTK_OVERLAY(overlay_), content);
  placement_ = connect<gboolean(GtkOverlay*, GtkWidget*, GdkRectangle*)>(
      overlay_, "get-child-position",
      [](GtkOverlay*, GtkWidget* child, GdkRectangle* out) -> gboolean {
        auto* pane = GtkWebView::from(WEBKIT_WEB_VIEW(child));
        if (!pane) return FALSE;
        // GTK places widgets on whole pixels; the page's numbers are kept as given.
        const Rect& f = pane->frame();
        out->x = static_cast<int>(std::lround(f.x));
        out->y = static_cast<int>(std::lround(f.y));
        out->width = static_cast<int>(std::max(0L, std::lround(f.w)));
        out->height = static_cast<int>(std::max(0L, std::lround(f.h)));
        return TRUE;
      });
}

void PaneLayer::add(GtkWebView& pane) {
  auto* widget = GTK_WIDGET(pane.widget());
  gtk_overlay_add_overlay(GTK_OVERLAY(overlay_), widget);
  gtk_overlay_set_clip_overlay(GTK_OVERLAY(overlay_), widget, TRUE);
  pane.placeIn(this);
  relayout();
}

void PaneLayer::relayout() { gtk_widget_queue_allocate(overlay_); }

}  // namespace qv::gtk
