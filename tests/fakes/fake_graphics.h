#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace vkr::testing {

class FakeCanvas;

// A graphic with a size, a kind and a label naming it in draw records. Bitmaps have a
// recording canvas of their own.
class FakeGraphic : public Graphic {
 public:
  FakeGraphic(GraphicKind kind, int width, int height, std::string label = "", bool alpha = false);
  FakeGraphic(const FakeGraphic& other);
  ~FakeGraphic() override;

  GraphicKind Kind() const override { return kind_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  std::unique_ptr<Graphic> Clone() const override;
  Canvas* BitmapCanvas() override;
  bool SupportsPartialTransparency() const override { return alpha_; }
  std::uintptr_t Palette() const override { return palette; }

  const std::string& label() const { return label_; }
  std::uintptr_t palette = 0;

 private:
  GraphicKind kind_;
  int width_;
  int height_;
  std::string label_;
  bool alpha_;
  std::unique_ptr<FakeCanvas> canvas_;
};

// The text size both the fake canvas and the fake metrics give: half the font height per
// character (at least 1 pixel) by the font height.
Size FakeTextExtent(const Font& font, const std::u16string& text);

// Records every drawing call with the viewport and the font and brush in force.
class FakeCanvas : public Canvas {
 public:
  enum class Op { kStretchDraw, kFillRect, kText, kTextClipped };
  struct Call {
    Op op;
    Rect viewport;  // the viewport in force (empty rectangle: the whole surface)
    Rect rect;      // StretchDraw, FillRect: the target; kTextClipped: the clip
    Point at;       // text position
    std::u16string text;
    std::string graphic_label;  // StretchDraw: the label of the graphic drawn
    GraphicKind graphic_kind = GraphicKind::kBitmap;
    Color color = 0;  // FillRect
    Font font;
    BrushStyle brush = BrushStyle::kSolid;
  };

  void StretchDraw(const Rect& rect, const Graphic& graphic) override;
  void FillRect(const Rect& rect, Color color) override;
  void SetFont(const Font& font) override { font_ = font; }
  void SetBrush(BrushStyle style, Color color) override {
    brush_ = style;
    brush_color_ = color;
  }
  void DrawTextAt(int x, int y, const std::u16string& text) override;
  void DrawTextClipped(const Rect& clip, int x, int y, const std::u16string& text) override;
  Size TextExtent(const std::u16string& text) override;
  void SetViewport(const Rect& viewport) override { viewport_ = viewport; }
  void ResetViewport() override { viewport_ = Rect{}; }

  // When not negative, every text measures this high.
  int text_height = -1;
  std::vector<Call> calls;

 private:
  Call NewCall(Op op) const;

  Rect viewport_;
  Font font_;
  BrushStyle brush_ = BrushStyle::kSolid;
  Color brush_color_ = kWhite;
};

// Decodes the bytes Encode makes; anything else, or bytes of another format than the one asked
// for, fails as a real decoder would.
class FakeGraphics : public Graphics {
 public:
  std::unique_ptr<Graphic> Decode(GraphicKind format, const std::string& bytes, std::u16string* error) override;
  std::unique_ptr<Graphic> CreateBitmap(int width, int height) override;
  Size MeasureText(const Font& font, const std::u16string& text) override { return FakeTextExtent(font, text); }
  void Prefetch(GraphicKind format, const std::string& bytes) override { prefetched.push_back({format, bytes}); }

  // The "file" of a graphic of that kind and size.
  static std::string Encode(GraphicKind kind, int width, int height, const std::string& label = "", bool alpha = false);

  int decodes = 0;
  int bitmaps_created = 0;
  // What was asked to be decoded ahead, in order.
  struct Prefetched {
    GraphicKind format;
    std::string bytes;
  };
  std::vector<Prefetched> prefetched;
  bool refuse_bitmaps = false;
};

}  // namespace vkr::testing
