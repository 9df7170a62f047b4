// The Win32 drawing adapter: a canvas over a device context (GDI, GdiAlphaBlend for per-pixel
// alpha), graphics decoded by WIC into premultiplied 32-bit DIB sections, and text metrics.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/canvas.h"
#include "platform/win32/handles.h"

namespace vkr::win32 {

// A canvas over a device context the caller owns (a window's paint DC, a memory DC of a back
// buffer). The DC's state (font, brush, clip, origin) is restored when the canvas goes.
class DcCanvas : public Canvas {
 public:
  explicit DcCanvas(HDC dc);
  ~DcCanvas() override;
  DcCanvas(const DcCanvas&) = delete;
  DcCanvas& operator=(const DcCanvas&) = delete;

  void StretchDraw(const Rect& rect, const Graphic& graphic) override;
  void FillRect(const Rect& rect, Color color) override;
  void SetFont(const vkr::Font& font) override;
  void SetBrush(BrushStyle style, Color color) override;
  void DrawTextAt(int x, int y, const std::u16string& text) override;
  void DrawTextClipped(const Rect& clip, int x, int y, const std::u16string& text) override;
  Size TextExtent(const std::u16string& text) override;
  void SetViewport(const Rect& viewport) override;
  void ResetViewport() override;

  HDC dc() const { return dc_; }

 private:
  // Selects the font and sets the colours of the text calls.
  void PrepareText();

  HDC dc_;
  int saved_state_ = 0;
  int viewport_state_ = 0;
  UniqueGdiObject font_;
  vkr::Font font_spec_;
  BrushStyle brush_style_ = BrushStyle::kSolid;
  Color brush_color_ = kWhite;
};

// A 32-bit top-down DIB section with premultiplied alpha: the pixels of every decoded graphic
// and of bitmaps made to draw on.
class DibGraphic : public Graphic {
 public:
  // nullptr when the size is not positive or the system refuses.
  static std::unique_ptr<DibGraphic> Create(GraphicKind kind, int width, int height);

  ~DibGraphic() override;
  GraphicKind Kind() const override { return kind_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  std::unique_ptr<Graphic> Clone() const override;
  Canvas* BitmapCanvas() override;
  bool SupportsPartialTransparency() const override { return has_alpha_; }

  HBITMAP bitmap() const { return static_cast<HBITMAP>(bitmap_.get()); }
  // Premultiplied BGRA, rows top-down, `Width() * 4` bytes a row.
  std::uint8_t* pixels() const { return pixels_; }
  // The pixel as stored (premultiplied), 0xAARRGGBB.
  std::uint32_t PixelAt(int x, int y) const;
  void set_has_alpha(bool has_alpha) { has_alpha_ = has_alpha; }

 private:
  friend class DcCanvas;
  DibGraphic(GraphicKind kind, int width, int height);

  GraphicKind kind_;
  int width_;
  int height_;
  bool has_alpha_ = false;
  UniqueGdiObject bitmap_;
  std::uint8_t* pixels_ = nullptr;
  // The bitmap's own memory DC with the bitmap selected, and its canvas, made on first use.
  UniqueMemoryDc memory_dc_;
  std::optional<ScopedSelection> selection_;
  std::unique_ptr<DcCanvas> canvas_;
};

// Decoding through WIC (PNG, JPEG, BMP, ICO) and text metrics through a screen-compatible DC.
class Win32Graphics : public Graphics {
 public:
  Win32Graphics();
  ~Win32Graphics() override;
  std::unique_ptr<Graphic> Decode(GraphicKind format, const std::string& bytes, std::u16string* error) override;
  // Decodes on one worker thread of its own, in the order asked; a Decode of the same format and
  // bytes waits for that result instead of decoding again.
  void Prefetch(GraphicKind format, const std::string& bytes) override;
  std::unique_ptr<Graphic> CreateBitmap(int width, int height) override;
  Size MeasureText(const vkr::Font& font, const std::u16string& text) override;

  struct Prefetched;
  struct PrefetchQueue;

 private:
  // Shared with the worker, which may outlive this object.
  std::shared_ptr<PrefetchQueue> prefetch_;
};

// Decodes with the system's imaging component, on the calling thread.
std::unique_ptr<Graphic> DecodeWithWic(GraphicKind format, const std::string& bytes, std::u16string* error);

// A GDI font for the font description (the caller owns it).
HFONT CreateGdiFont(const vkr::Font& font);

}  // namespace vkr::win32
