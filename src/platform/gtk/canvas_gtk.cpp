#include "platform/gtk/canvas_gtk.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <pango/pangocairo.h>

#include "platform/gtk/text_gtk.h"

namespace vkr::gtk {
namespace {

// The largest picture decoded: the launcher's pictures are far smaller.
constexpr int kMaxPictureSide = 16384;

void SetSourceColor(cairo_t* cr, Color color) {
  cairo_set_source_rgb(cr, (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, ((color >> 16) & 0xFF) / 255.0);
}

const char* LoaderType(GraphicKind kind) {
  switch (kind) {
    case GraphicKind::kPng:
      return "png";
    case GraphicKind::kJpeg:
      return "jpeg";
    case GraphicKind::kBitmap:
      return "bmp";
    case GraphicKind::kIcon:
      return "ico";
    default:
      return nullptr;
  }
}

PangoLayout* NewLayout(cairo_t* cr, const vkr::Font& font, const std::u16string& text) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* description = NewFontDescription(font);
  pango_layout_set_font_description(layout, description);
  pango_font_description_free(description);
  const std::string utf8 = Utf8(text);
  pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
  PangoAttrList* attributes = pango_attr_list_new();
  if (font.style & kFontUnderline) pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  if (font.style & kFontStrikeOut) pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
  pango_layout_set_attributes(layout, attributes);
  pango_attr_list_unref(attributes);
  return layout;
}

Size LayoutSize(PangoLayout* layout) {
  int width = 0;
  int height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  return Size{width, height};
}

}  // namespace

PangoFontDescription* NewFontDescription(const vkr::Font& font) {
  PangoFontDescription* description = pango_font_description_new();
  // The named family first; fontconfig supplies its fallbacks for the glyphs it lacks.
  const std::string family = Utf8(font.name) + ",sans-serif";
  pango_font_description_set_family(description, family.c_str());
  pango_font_description_set_absolute_size(description, (font.height > 0 ? font.height : 11) * PANGO_SCALE);
  pango_font_description_set_weight(description, font.style & kFontBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(description, font.style & kFontItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return description;
}

cairo_surface_t* DecodeToSurface(const std::string& bytes, const char* format, bool* has_alpha, std::u16string* error) {
  GError* failure = nullptr;
  GdkPixbufLoader* loader = format ? gdk_pixbuf_loader_new_with_type(format, &failure) : gdk_pixbuf_loader_new();
  if (!loader) {
    *error = u"No decoder for the picture format";
    if (failure) g_error_free(failure);
    return nullptr;
  }
  const bool written =
      gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), &failure) &&
      gdk_pixbuf_loader_close(loader, &failure);
  GdkPixbuf* pixbuf = written ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (!pixbuf) {
    *error = failure && failure->message ? Utf16(failure->message) : u"Invalid picture data";
    if (failure) g_error_free(failure);
    if (!written) gdk_pixbuf_loader_close(loader, nullptr);
    g_object_unref(loader);
    return nullptr;
  }
  if (failure) g_error_free(failure);
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || (channels != 3 && channels != 4)) {
    *error = u"Unsupported picture";
    g_object_unref(loader);
    return nullptr;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    *error = u"Out of memory";
    g_object_unref(loader);
    return nullptr;
  }
  cairo_surface_flush(surface);
  const guchar* source = gdk_pixbuf_read_pixels(pixbuf);
  const int source_stride = gdk_pixbuf_get_rowstride(pixbuf);
  unsigned char* target = cairo_image_surface_get_data(surface);
  const int target_stride = cairo_image_surface_get_stride(surface);
  *has_alpha = channels == 4;
  for (int y = 0; y < height; ++y) {
    const guchar* in = source + static_cast<std::ptrdiff_t>(y) * source_stride;
    auto* out = reinterpret_cast<std::uint32_t*>(target + static_cast<std::ptrdiff_t>(y) * target_stride);
    for (int x = 0; x < width; ++x, in += channels) {
      const std::uint32_t a = channels == 4 ? in[3] : 255;
      const std::uint32_t r = (in[0] * a + 127) / 255;
      const std::uint32_t g = (in[1] * a + 127) / 255;
      const std::uint32_t b = (in[2] * a + 127) / 255;
      out[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  cairo_surface_mark_dirty(surface);
  g_object_unref(loader);
  return surface;
}

// ---- Canvas ------------------------------------------------------------------------------------

CairoCanvas::CairoCanvas(cairo_t* cr) : cr_(cr) {
  if (cr_) cairo_save(cr_);
}

CairoCanvas::~CairoCanvas() {
  if (!cr_) return;
  if (viewport_saved_) cairo_restore(cr_);
  cairo_restore(cr_);
}

void CairoCanvas::StretchDraw(const Rect& rect, const Graphic& graphic) {
  const auto* image = dynamic_cast<const SurfaceGraphic*>(&graphic);
  if (!cr_ || !image || rect.IsEmpty() || image->Width() <= 0 || image->Height() <= 0) return;
  cairo_surface_t* source = image->surface();
  cairo_surface_t* keyed = nullptr;
  if (image->Kind() == GraphicKind::kBitmap && image->Transparent()) {
    // A transparent bitmap leaves out the colour of its bottom-left pixel.
    const std::uint32_t key = image->PixelAt(0, image->Height() - 1) | 0xFF000000u;
    keyed = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image->Width(), image->Height());
    cairo_surface_flush(source);
    cairo_surface_flush(keyed);
    const unsigned char* in = cairo_image_surface_get_data(source);
    unsigned char* out = cairo_image_surface_get_data(keyed);
    const int in_stride = cairo_image_surface_get_stride(source);
    const int out_stride = cairo_image_surface_get_stride(keyed);
    for (int y = 0; y < image->Height(); ++y) {
      const auto* row_in = reinterpret_cast<const std::uint32_t*>(in + static_cast<std::ptrdiff_t>(y) * in_stride);
      auto* row_out = reinterpret_cast<std::uint32_t*>(out + static_cast<std::ptrdiff_t>(y) * out_stride);
      for (int x = 0; x < image->Width(); ++x) row_out[x] = (row_in[x] | 0xFF000000u) == key ? 0 : row_in[x];
    }
    cairo_surface_mark_dirty(keyed);
    source = keyed;
  }
  cairo_save(cr_);
  cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_clip(cr_);
  cairo_translate(cr_, rect.left, rect.top);
  cairo_scale(cr_, static_cast<double>(rect.Width()) / image->Width(),
              static_cast<double>(rect.Height()) / image->Height());
  cairo_set_source_surface(cr_, source, 0, 0);
  // Unscaled pictures are copied pixel for pixel; scaled ones are smoothed.
  const bool unscaled = rect.Width() == image->Width() && rect.Height() == image->Height();
  cairo_pattern_set_filter(cairo_get_source(cr_), unscaled ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
  cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
  if (image->Kind() == GraphicKind::kBitmap && !image->Transparent()) cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr_);
  cairo_restore(cr_);
  if (keyed) cairo_surface_destroy(keyed);
}

void CairoCanvas::FillRect(const Rect& rect, Color color) {
  if (!cr_ || rect.IsEmpty()) return;
  cairo_save(cr_);
  SetSourceColor(cr_, color);
  cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void CairoCanvas::SetFont(const vkr::Font& font) { font_ = font; }

void CairoCanvas::SetBrush(BrushStyle style, Color color) {
  brush_style_ = style;
  brush_color_ = color;
}

void CairoCanvas::DrawTextAt(int x, int y, const std::u16string& text) { DrawText(nullptr, x, y, text); }

void CairoCanvas::DrawTextClipped(const Rect& clip, int x, int y, const std::u16string& text) {
  DrawText(&clip, x, y, text);
}

void CairoCanvas::DrawText(const Rect* clip, int x, int y, const std::u16string& text) {
  if (!cr_ || text.empty()) return;
  cairo_save(cr_);
  if (clip) {
    cairo_rectangle(cr_, clip->left, clip->top, clip->Width(), clip->Height());
    cairo_clip(cr_);
  }
  PangoLayout* layout = NewLayout(cr_, font_, text);
  if (brush_style_ == BrushStyle::kSolid) {
    const Size size = LayoutSize(layout);
    SetSourceColor(cr_, brush_color_);
    cairo_rectangle(cr_, x, y, size.width, size.height);
    cairo_fill(cr_);
  }
  SetSourceColor(cr_, font_.color);
  cairo_move_to(cr_, x, y);
  pango_cairo_show_layout(cr_, layout);
  g_object_unref(layout);
  cairo_restore(cr_);
}

Size CairoCanvas::TextExtent(const std::u16string& text) {
  if (!cr_) return Size{};
  PangoLayout* layout = NewLayout(cr_, font_, text);
  const Size size = LayoutSize(layout);
  g_object_unref(layout);
  return size;
}

void CairoCanvas::SetViewport(const Rect& viewport) {
  if (!cr_) return;
  ResetViewport();
  cairo_save(cr_);
  viewport_saved_ = true;
  cairo_rectangle(cr_, viewport.left, viewport.top, viewport.Width(), viewport.Height());
  cairo_clip(cr_);
  cairo_translate(cr_, viewport.left, viewport.top);
}

void CairoCanvas::ResetViewport() {
  if (!cr_ || !viewport_saved_) return;
  cairo_restore(cr_);
  viewport_saved_ = false;
}

// ---- Graphics ----------------------------------------------------------------------------------

std::unique_ptr<SurfaceGraphic> SurfaceGraphic::Create(GraphicKind kind, int width, int height) {
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  return std::unique_ptr<SurfaceGraphic>(new SurfaceGraphic(kind, surface));
}

SurfaceGraphic::~SurfaceGraphic() {
  canvas_.reset();
  if (canvas_context_) cairo_destroy(canvas_context_);
  cairo_surface_destroy(surface_);
}

std::unique_ptr<SurfaceGraphic> SurfaceGraphic::Adopt(GraphicKind kind, cairo_surface_t* surface) {
  return std::unique_ptr<SurfaceGraphic>(new SurfaceGraphic(kind, surface));
}

std::unique_ptr<Graphic> SurfaceGraphic::Clone() const {
  auto copy = Create(kind_, Width(), Height());
  if (!copy) return nullptr;
  cairo_surface_flush(surface_);
  cairo_t* cr = cairo_create(copy->surface_);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, surface_, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  copy->has_alpha_ = has_alpha_;
  copy->SetTransparent(Transparent());
  copy->SetPaletteModified(PaletteModified());
  return copy;
}

Canvas* SurfaceGraphic::BitmapCanvas() {
  if (kind_ != GraphicKind::kBitmap) return nullptr;
  if (!canvas_) {
    canvas_context_ = cairo_create(surface_);
    canvas_ = std::make_unique<CairoCanvas>(canvas_context_);
  }
  return canvas_.get();
}

std::uint32_t SurfaceGraphic::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return 0;
  cairo_surface_flush(surface_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  return reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride)[x];
}

std::unique_ptr<Graphic> CairoGraphics::Decode(GraphicKind format, const std::string& bytes, std::u16string* error) {
  const char* type = LoaderType(format);
  if (!type) {
    *error = u"Unsupported picture format";
    return nullptr;
  }
  bool has_alpha = false;
  cairo_surface_t* surface = DecodeToSurface(bytes, type, &has_alpha, error);
  if (!surface) return nullptr;
  std::unique_ptr<SurfaceGraphic> decoded = SurfaceGraphic::Adopt(format, surface);
  decoded->set_has_alpha(has_alpha);
  return decoded;
}

std::unique_ptr<Graphic> CairoGraphics::CreateBitmap(int width, int height) {
  auto bitmap = SurfaceGraphic::Create(GraphicKind::kBitmap, width, height);
  if (!bitmap) return nullptr;
  cairo_t* cr = cairo_create(bitmap->surface());
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  return bitmap;
}

Size CairoGraphics::MeasureText(const vkr::Font& font, const std::u16string& text) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  CairoCanvas canvas(cr);
  canvas.SetFont(font);
  const Size size = canvas.TextExtent(text);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return size;
}

}  // namespace vkr::gtk
