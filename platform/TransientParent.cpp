#include "platform/TransientParent.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

void MakeTransientFor(void* nativeWidget, uint32_t hostWindowId) {
  if (!nativeWidget || hostWindowId == 0) return;
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return;
  GtkWidget* widget = static_cast<GtkWidget*>(nativeWidget);
  gtk_widget_realize(widget);
  GdkWindow* own = gtk_widget_get_window(widget);
  if (!own) return;
  // A stale or wrong id must not kill the host with an X error.
  gdk_x11_display_error_trap_push(display);
  GdkWindow* host = gdk_x11_window_foreign_new_for_display(display, hostWindowId);
  if (host) {
    gdk_window_set_transient_for(own, host);
    g_object_unref(host);
  }
  gdk_display_flush(display);
  gdk_x11_display_error_trap_pop_ignored(display);
}
