// The picture of the desktop as a file: the desktop's drawing on a cairo
// surface, an SVG surface or an image surface written as PNG, as the file's
// ending says.

#include "ide/picture.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "host/rtl/sysutils.h"
#include "host/vcl/forms.h"
#include "host/vcl/menus.h"
#include "host/win32/win32.h"
#include "ide/desktop_drawing.h"
#include "ide/painter_cairo.h"

namespace ide {
namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

[[noreturn]] void WriteFailed(const std::string& file, cairo_status_t status) {
  throw std::runtime_error("cannot write " + file + ": " + cairo_status_to_string(status));
}

// cairo names an SVG's surfaces and images by counters that run through the
// whole process, so the same screen would get other names after other pictures.
// Renumbered in the order they appear, the same screen gives the same file. A
// name counts where it stands as an id or a reference (after '"', '#' or '('),
// never inside an image's data.
std::string RenumberNames(const std::string& svg) {
  std::map<std::string, std::map<std::string, std::string>> names;  // by kind, old to new
  std::string out;
  size_t copied = 0;
  for (size_t i = 1; i < svg.size(); ++i) {
    if (svg[i - 1] != '"' && svg[i - 1] != '#' && svg[i - 1] != '(') continue;
    for (const std::string kind : {"surface", "image"}) {
      if (svg.compare(i, kind.size(), kind) != 0) continue;
      size_t end = i + kind.size();
      while (end < svg.size() && std::isdigit(static_cast<unsigned char>(svg[end]))) ++end;
      if (end == i + kind.size()) continue;
      auto& renamed = names[kind];
      const auto [it, added] = renamed.emplace(svg.substr(i + kind.size(), end - i - kind.size()),
                                               std::to_string(renamed.size() + 1));
      out.append(svg, copied, i + kind.size() - copied);
      out += it->second;
      copied = end;
      i = end - 1;
      break;
    }
  }
  out.append(svg, copied, std::string::npos);
  return out;
}

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

double PictureTextWidth(const std::string& text, bool bold) {
  CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1));
  CairoContext cr(cairo_create(surface.get()));
  CairoPainter p(cr.get());
  p.SelectFont(bold, kFontSize);
  return p.TextWidth(host::StripHotkey(text));
}

void DrawDesktopFile(const std::string& file) {
  const std::string name = host::LowerCase(file);
  const bool svg = EndsWith(name, ".svg");
  const bool png = EndsWith(name, ".png");
  if (!svg && !png)
    throw std::runtime_error("cannot draw " + file + ": use a .svg or .png file name");
  const host::ScreenDescription& screen = host::WindowSystem::Instance().Screen();
  const int32_t width = std::max(screen.Width, 1);
  const int32_t height = std::max(screen.Height, 1);
  std::string svg_text;
  CairoSurface surface(
      svg ? cairo_svg_surface_create_for_stream(&AppendToString, &svg_text, width, height)
          : cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  if (cairo_status_t s = cairo_surface_status(surface.get()); s != CAIRO_STATUS_SUCCESS)
    WriteFailed(file, s);
  {
    CairoContext cr(cairo_create(surface.get()));
    CairoPainter p(cr.get());
    DrawDesktop(p);
    if (cairo_status_t s = cairo_status(cr.get()); s != CAIRO_STATUS_SUCCESS) WriteFailed(file, s);
  }
  if (svg) {
    cairo_surface_finish(surface.get());
    if (cairo_status_t s = cairo_surface_status(surface.get()); s != CAIRO_STATUS_SUCCESS)
      WriteFailed(file, s);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << RenumberNames(svg_text);
    out.close();
    if (!out) WriteFailed(file, CAIRO_STATUS_WRITE_ERROR);
  } else {
    cairo_surface_flush(surface.get());
    if (cairo_status_t s = cairo_surface_write_to_png(surface.get(), file.c_str());
        s != CAIRO_STATUS_SUCCESS)
      WriteFailed(file, s);
  }
}

}  // namespace ide
