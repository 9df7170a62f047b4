// Drawing: colours, fonts, the graphics a picture holds, the canvas that draws them and text, and
// the graphics concern that decodes PNG and JPEG files and measures text. The core paints its
// windows and controls through these; the Win32 adapter maps them onto GDI and WIC.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/geometry.h"

namespace vkr {

// A colour as the system stores it: 0x00BBGGRR.
using Color = std::uint32_t;
constexpr Color kBlack = 0x000000;
constexpr Color kWhite = 0xFFFFFF;
constexpr Color RgbColor(int r, int g, int b) {
  return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// Font style bits.
enum FontStyle : std::uint32_t {
  kFontBold = 1,
  kFontItalic = 2,
  kFontUnderline = 4,
  kFontStrikeOut = 8,
};

// A font as the controls ask for it. `height` is the character height in pixels (the cell height
// less the internal leading, a negative lfHeight in the system's terms).
struct Font {
  std::u16string name = u"Tahoma";
  int height = 11;
  Color color = kBlack;
  std::uint32_t style = 0;  // FontStyle bits

  friend bool operator==(const Font& a, const Font& b) {
    return a.name == b.name && a.height == b.height && a.color == b.color && a.style == b.style;
  }
  friend bool operator!=(const Font& a, const Font& b) { return !(a == b); }
};

// The formats a picture can hold.
enum class GraphicKind { kBitmap, kIcon, kMetafile, kPng, kJpeg };

class Canvas;

// One decoded graphic. Its pixels belong to the adapter; the flags below are the picture
// container's and are copied with the graphic.
class Graphic {
 public:
  virtual ~Graphic() = default;

  virtual GraphicKind Kind() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // An independent copy (pixels, flags).
  virtual std::unique_ptr<Graphic> Clone() const = 0;
  // The drawing surface of a bitmap; nullptr for every other kind.
  virtual Canvas* BitmapCanvas() { return nullptr; }
  // True when the graphic has per-pixel alpha (a PNG with an alpha channel).
  virtual bool SupportsPartialTransparency() const { return false; }
  // The graphic's palette handle; 0 for true-colour graphics.
  virtual std::uintptr_t Palette() const { return 0; }

  // Draw without the graphic's transparent colour (a bitmap's bottom-left pixel) or its mask.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { transparent_ = transparent; }
  // Set when the palette changed and has not been realised yet.
  bool PaletteModified() const { return palette_modified_; }
  void SetPaletteModified(bool modified) { palette_modified_ = modified; }

 protected:
  Graphic() = default;
  Graphic(const Graphic&) = default;
  Graphic& operator=(const Graphic&) = default;

 private:
  bool transparent_ = false;
  bool palette_modified_ = false;
};

enum class BrushStyle { kSolid, kClear };

// A drawing surface: a window's client area during painting, or a bitmap. Coordinates are
// pixels relative to the current viewport. Members never throw; drawing on a surface that has
// gone does nothing.
class Canvas {
 public:
  virtual ~Canvas() = default;

  // Draws the graphic scaled into `rect`, blending per-pixel alpha where the graphic has it and
  // leaving out the transparent colour of a graphic marked Transparent.
  virtual void StretchDraw(const Rect& rect, const Graphic& graphic) = 0;
  // Fills the rectangle with a solid colour.
  virtual void FillRect(const Rect& rect, Color color) = 0;
  // The font used by the text calls, colour included.
  virtual void SetFont(const Font& font) = 0;
  // kSolid: text is drawn on a background of `color`; kClear: text is drawn without background.
  virtual void SetBrush(BrushStyle style, Color color) = 0;
  // Draws the text with its top-left corner at (x, y).
  virtual void DrawTextAt(int x, int y, const std::u16string& text) = 0;
  // Draws the text at (x, y), clipped to `clip`.
  virtual void DrawTextClipped(const Rect& clip, int x, int y, const std::u16string& text) = 0;
  // The size the text takes in the current font.
  virtual Size TextExtent(const std::u16string& text) = 0;
  // From now on, (0, 0) is the top-left corner of `viewport` (given in the surface's own
  // coordinates) and drawing is clipped to it. Used to paint a windowless control in place.
  virtual void SetViewport(const Rect& viewport) = 0;
  // Back to the whole surface.
  virtual void ResetViewport() = 0;

  // At the graphic's natural size with its top-left corner at (x, y).
  void Draw(int x, int y, const Graphic& graphic) {
    StretchDraw(BoundsRect(x, y, graphic.Width(), graphic.Height()), graphic);
  }
  int TextHeight(const std::u16string& text) { return TextExtent(text).height; }
  int TextWidth(const std::u16string& text) { return TextExtent(text).width; }
};

// Decoding and text metrics. Abstract so that tests can hand out graphics without decoding.
// Members never throw; GUI thread.
class Graphics {
 public:
  virtual ~Graphics() = default;

  // Decodes an encoded file of the given format (kPng, kJpeg, kBitmap for .bmp, kIcon for .ico).
  // Returns nullptr and a readable reason in *error when the bytes cannot be decoded.
  virtual std::unique_ptr<Graphic> Decode(GraphicKind format, const std::string& bytes, std::u16string* error) = 0;
  // Lets the bytes be decoded ahead, on another thread, for a Decode of the same format and bytes
  // that will follow; that Decode then returns what it would have returned. Decoding ahead is
  // optional: the default does nothing.
  virtual void Prefetch(GraphicKind /*format*/, const std::string& /*bytes*/) {}
  // A blank bitmap (all black, opaque) of the given size with a canvas of its own; nullptr when
  // the size is not positive or the system refuses.
  virtual std::unique_ptr<Graphic> CreateBitmap(int width, int height) = 0;
  // The size of one line of text in the font, as a canvas would draw it.
  virtual Size MeasureText(const Font& font, const std::u16string& text) = 0;
};

}  // namespace vkr
