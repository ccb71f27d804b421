// PNG pictures read back pixel by pixel (through cairo), and icon images as
// icotool extracts them, for tests of what the pictures show.
#pragma once

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fleetforge_test {

struct Image {
  int Width = 0, Height = 0;
  std::vector<uint32_t> Pixels;  // 0xAARRGGBB; opaque pictures have alpha 0xFF
  uint32_t At(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width || y >= Height) {
      ADD_FAILURE() << "pixel " << x << "," << y << " is outside the picture";
      return 0xFF000000u;
    }
    return Pixels[static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)] &
           0xFFFFFFu;
  }
  uint32_t Alpha(int x, int y) const {
    return Pixels[static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)] >>
           24;
  }
};

// The picture in a PNG file; a file that cannot be read fails the test.
inline Image ReadPng(const std::string& file) {
  Image image;
  cairo_surface_t* s = cairo_image_surface_create_from_png(file.c_str());
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(s);
    image.Width = cairo_image_surface_get_width(s);
    image.Height = cairo_image_surface_get_height(s);
    const bool opaque = cairo_image_surface_get_format(s) != CAIRO_FORMAT_ARGB32;
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    image.Pixels.resize(static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height));
    for (int y = 0; y < image.Height; ++y)
      for (int x = 0; x < image.Width; ++x) {
        uint32_t px;
        std::memcpy(&px, data + static_cast<size_t>(y) * static_cast<size_t>(stride) + 4u * x, 4);
        image.Pixels[static_cast<size_t>(y) * static_cast<size_t>(image.Width) +
                     static_cast<size_t>(x)] = opaque ? (px | 0xFF000000u) : px;
      }
  } else {
    ADD_FAILURE() << "cannot read " << file << ": "
                  << cairo_status_to_string(cairo_surface_status(s));
  }
  cairo_surface_destroy(s);
  return image;
}

// The places (top-left corners) where a picture shows an icon: every opaque
// pixel of the icon has its colour there (cairo keeps the colours of opaque
// pixels as they are).
struct Place {
  int X, Y;
};
inline std::vector<Place> PlacesOf(const Image& icon, const Image& picture) {
  std::vector<Place> places;
  for (int y = 0; y + icon.Height <= picture.Height; ++y)
    for (int x = 0; x + icon.Width <= picture.Width; ++x) {
      bool match = true;
      for (int iy = 0; match && iy < icon.Height; ++iy)
        for (int ix = 0; match && ix < icon.Width; ++ix)
          match = icon.Alpha(ix, iy) != 0xFF || icon.At(ix, iy) == picture.At(x + ix, y + iy);
      if (match) places.push_back({x, y});
    }
  return places;
}

}  // namespace fleetforge_test
