#include "fakes/fake_graphics.h"

#include <sstream>

namespace vkr::testing {

namespace {
constexpr char kMagic[] = "FAKEGRAPHIC";
}  // namespace

FakeGraphic::FakeGraphic(GraphicKind kind, int width, int height, std::string label, bool alpha)
    : kind_(kind), width_(width), height_(height), label_(std::move(label)), alpha_(alpha) {}

FakeGraphic::FakeGraphic(const FakeGraphic& other)
    : Graphic(other),
      palette(other.palette),
      kind_(other.kind_),
      width_(other.width_),
      height_(other.height_),
      label_(other.label_),
      alpha_(other.alpha_) {}

FakeGraphic::~FakeGraphic() = default;

std::unique_ptr<Graphic> FakeGraphic::Clone() const { return std::make_unique<FakeGraphic>(*this); }

Canvas* FakeGraphic::BitmapCanvas() {
  if (kind_ != GraphicKind::kBitmap) return nullptr;
  if (!canvas_) canvas_ = std::make_unique<FakeCanvas>();
  return canvas_.get();
}

Size FakeTextExtent(const Font& font, const std::u16string& text) {
  int per_char = font.height / 2 > 0 ? font.height / 2 : 1;
  return Size{static_cast<int>(text.size()) * per_char, font.height};
}

FakeCanvas::Call FakeCanvas::NewCall(Op op) const {
  Call call;
  call.op = op;
  call.viewport = viewport_;
  call.font = font_;
  call.brush = brush_;
  call.color = brush_color_;
  return call;
}

void FakeCanvas::StretchDraw(const Rect& rect, const Graphic& graphic) {
  Call call = NewCall(Op::kStretchDraw);
  call.rect = rect;
  call.graphic_kind = graphic.Kind();
  if (auto* fake = dynamic_cast<const FakeGraphic*>(&graphic)) call.graphic_label = fake->label();
  calls.push_back(call);
}

void FakeCanvas::FillRect(const Rect& rect, Color color) {
  Call call = NewCall(Op::kFillRect);
  call.rect = rect;
  call.color = color;
  calls.push_back(call);
}

void FakeCanvas::DrawTextAt(int x, int y, const std::u16string& text) {
  Call call = NewCall(Op::kText);
  call.at = Point{x, y};
  call.text = text;
  calls.push_back(call);
}

void FakeCanvas::DrawTextClipped(const Rect& clip, int x, int y, const std::u16string& text) {
  Call call = NewCall(Op::kTextClipped);
  call.rect = clip;
  call.at = Point{x, y};
  call.text = text;
  calls.push_back(call);
}

Size FakeCanvas::TextExtent(const std::u16string& text) {
  Size size = FakeTextExtent(font_, text);
  if (text_height >= 0) size.height = text_height;
  return size;
}

std::string FakeGraphics::Encode(GraphicKind kind, int width, int height, const std::string& label, bool alpha) {
  std::ostringstream out;
  out << kMagic << ' ' << static_cast<int>(kind) << ' ' << width << ' ' << height << ' ' << (alpha ? 1 : 0) << ' '
      << (label.empty() ? "-" : label);
  return out.str();
}

std::unique_ptr<Graphic> FakeGraphics::Decode(GraphicKind format, const std::string& bytes, std::u16string* error) {
  ++decodes;
  std::istringstream in(bytes);
  std::string magic, label;
  int kind = -1, width = 0, height = 0, alpha = 0;
  if (!(in >> magic >> kind >> width >> height >> alpha >> label) || magic != kMagic ||
      kind != static_cast<int>(format) || width <= 0 || height <= 0) {
    *error = u"The picture data is not valid";
    return nullptr;
  }
  return std::make_unique<FakeGraphic>(format, width, height, label == "-" ? "" : label, alpha != 0);
}

std::unique_ptr<Graphic> FakeGraphics::CreateBitmap(int width, int height) {
  if (refuse_bitmaps || width <= 0 || height <= 0) return nullptr;
  ++bitmaps_created;
  return std::make_unique<FakeGraphic>(GraphicKind::kBitmap, width, height, "bitmap");
}

}  // namespace vkr::testing
