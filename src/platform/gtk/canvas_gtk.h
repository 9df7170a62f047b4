// Drawing on Linux: graphics as premultiplied cairo image surfaces decoded by gdk-pixbuf, a
// canvas over a cairo context with text through pango (fontconfig finds a font for every
// script, so the windows' Chinese texts fall back to an installed CJK font).
#pragma once

#include <cairo.h>
#include <pango/pango.h>

#include <memory>
#include <string>

#include "platform/canvas.h"

namespace vkr::gtk {

// A canvas over a cairo context the caller owns. Its state is restored when the canvas goes.
class CairoCanvas : public Canvas {
 public:
  explicit CairoCanvas(cairo_t* cr);
  ~CairoCanvas() override;
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  void StretchDraw(const Rect& rect, const Graphic& graphic) override;
  void FillRect(const Rect& rect, Color color) override;
  void SetFont(const vkr::Font& font) override;
  void SetBrush(BrushStyle style, Color color) override;
  void DrawTextAt(int x, int y, const std::u16string& text) override;
  void DrawTextClipped(const Rect& clip, int x, int y, const std::u16string& text) override;
  Size TextExtent(const std::u16string& text) override;
  void SetViewport(const Rect& viewport) override;
  void ResetViewport() override;

 private:
  void DrawText(const Rect* clip, int x, int y, const std::u16string& text);

  cairo_t* cr_;
  bool viewport_saved_ = false;
  vkr::Font font_;
  BrushStyle brush_style_ = BrushStyle::kSolid;
  Color brush_color_ = kWhite;
};

// One decoded graphic or a bitmap to draw on: a cairo image surface (ARGB32, premultiplied).
class SurfaceGraphic : public Graphic {
 public:
  // nullptr when the size is not positive or cairo refuses.
  static std::unique_ptr<SurfaceGraphic> Create(GraphicKind kind, int width, int height);
  // Takes ownership of an image surface.
  static std::unique_ptr<SurfaceGraphic> Adopt(GraphicKind kind, cairo_surface_t* surface);
  ~SurfaceGraphic() override;
  SurfaceGraphic(const SurfaceGraphic&) = delete;
  SurfaceGraphic& operator=(const SurfaceGraphic&) = delete;

  GraphicKind Kind() const override { return kind_; }
  int Width() const override { return cairo_image_surface_get_width(surface_); }
  int Height() const override { return cairo_image_surface_get_height(surface_); }
  std::unique_ptr<Graphic> Clone() const override;
  Canvas* BitmapCanvas() override;
  bool SupportsPartialTransparency() const override { return has_alpha_; }

  cairo_surface_t* surface() const { return surface_; }
  void set_has_alpha(bool has_alpha) { has_alpha_ = has_alpha; }
  // The pixel as stored (premultiplied), 0xAARRGGBB.
  std::uint32_t PixelAt(int x, int y) const;

 private:
  SurfaceGraphic(GraphicKind kind, cairo_surface_t* surface) : kind_(kind), surface_(surface) {}

  GraphicKind kind_;
  cairo_surface_t* surface_;
  bool has_alpha_ = false;
  cairo_t* canvas_context_ = nullptr;
  std::unique_ptr<CairoCanvas> canvas_;
};

class CairoGraphics : public Graphics {
 public:
  std::unique_ptr<Graphic> Decode(GraphicKind format, const std::string& bytes, std::u16string* error) override;
  std::unique_ptr<Graphic> CreateBitmap(int width, int height) override;
  Size MeasureText(const vkr::Font& font, const std::u16string& text) override;
};

// The pango description of a launcher font: the family with the system's fallbacks, the
// character height as the absolute size, the style bits.
PangoFontDescription* NewFontDescription(const vkr::Font& font);
// The pixels of a decoded picture file (any format gdk-pixbuf reads) as a premultiplied surface;
// nullptr and a reason when it cannot be decoded.
cairo_surface_t* DecodeToSurface(const std::string& bytes, const char* format, bool* has_alpha, std::u16string* error);

}  // namespace vkr::gtk
