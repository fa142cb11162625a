#pragma once
// A picture of a shown top-level window, drawn off screen by GTK into an
// image (a copy of the screen would show whatever the X server had painted
// at that moment, often still the previous window).
#include <gtk/gtk.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

inline bool SaveWindowPicture(wxWindow& window, const std::string& path) {
  GtkWidget* widget = window.GetHandle();
  if (!widget) return false;
  // The X server maps the window in its own time: wait for it (turns of at
  // most 5 ms, 2 s in all), then lay out what changed since (a page chosen).
  for (int turn = 0; turn < 400 && !gtk_widget_get_mapped(widget); ++turn) {
    wxYield();
    if (!gtk_widget_get_mapped(widget)) wxMilliSleep(5);
  }
  wxYield();
  GtkAllocation allocation;
  gtk_widget_get_allocation(widget, &allocation);
  gtk_widget_size_allocate(widget, &allocation);
  const int width = gtk_widget_get_allocated_width(widget), height = gtk_widget_get_allocated_height(widget);
  if (width <= 1 || height <= 1) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cairo = cairo_create(surface);
  gtk_widget_draw(widget, cairo);
  cairo_destroy(cairo);
  cairo_surface_flush(surface);
  wxImage image(width, height);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint32_t pixel;
      std::memcpy(&pixel, data + y * stride + x * 4, sizeof pixel);
      image.SetRGB(x, y, (pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
  cairo_surface_destroy(surface);
  return image.SaveFile(path, wxBITMAP_TYPE_PNG);
}

// Keeps a picture of a shown window as screenshots/NAME.png in the build tree
// that runs the tests, for people and CI to look at. The picture is written
// under a name of this process and then renamed, so that runs side by side
// never leave a half-written file.
inline bool SaveScreenshot(wxWindow& window, const std::string& name) {
  const std::string folder = std::string(SWM_BUILD_DIR) + "/screenshots";
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/" + name + ".png";
  const std::string partial = path + "." + std::to_string(::getpid()) + ".part";
  if (!SaveWindowPicture(window, partial)) return false;
  std::error_code error;
  std::filesystem::rename(partial, path, error);
  return !error;
}
