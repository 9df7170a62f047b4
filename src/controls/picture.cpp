#include "controls/picture.h"

#include "common/text.h"
#include "platform/system.h"

namespace vkr {

namespace {

std::u16string ExtensionOf(const std::u16string& path) {
  std::u16string name = ExtractFileName(path);
  std::size_t dot = name.rfind(u'.');
  return dot == std::u16string::npos ? std::u16string() : name.substr(dot + 1);
}

}  // namespace

std::u16string UnknownPictureExtensionError(const std::u16string& extension) {
  return u"Unknown picture file extension (." + extension + u")";
}

bool GraphicKindForFile(const std::u16string& path, GraphicKind* kind) {
  std::u16string extension = LowerAscii(ExtensionOf(path));
  if (extension == u"png") {
    *kind = GraphicKind::kPng;
  } else if (extension == u"jpg" || extension == u"jpeg" || extension == u"jpe" || extension == u"jfif") {
    *kind = GraphicKind::kJpeg;
  } else if (extension == u"bmp") {
    *kind = GraphicKind::kBitmap;
  } else if (extension == u"ico") {
    *kind = GraphicKind::kIcon;
  } else if (extension == u"emf" || extension == u"wmf") {
    *kind = GraphicKind::kMetafile;
  } else {
    return false;
  }
  return true;
}

Picture::Picture(const Picture& other) : graphic_(other.graphic_ ? other.graphic_->Clone() : nullptr) {}

Picture& Picture::operator=(const Picture& other) {
  Assign(other);
  return *this;
}

Picture::Picture(Picture&& other) noexcept : graphic_(std::move(other.graphic_)) { other.Changed(); }

Picture& Picture::operator=(Picture&& other) {
  if (this == &other) return *this;
  SetGraphic(std::move(other.graphic_));
  other.Changed();
  return *this;
}

void Picture::Assign(const Picture& other) {
  if (this == &other) return;
  SetGraphic(other.graphic_ ? other.graphic_->Clone() : nullptr);
}

void Picture::SetGraphic(std::unique_ptr<Graphic> graphic) {
  graphic_ = std::move(graphic);
  Changed();
}

bool Picture::LoadFromFile(const std::u16string& path, std::u16string* error) {
  GraphicKind kind;
  if (!GraphicKindForFile(path, &kind)) {
    *error = UnknownPictureExtensionError(ExtensionOf(path));
    return false;
  }
  std::string bytes;
  if (!Sys().files || !Sys().files->ReadFile(path, &bytes, kMaxPictureFileBytes)) {
    *error = u"Cannot open file \"" + path + u"\"";
    return false;
  }
  return LoadFromBytes(kind, bytes, error);
}

bool Picture::LoadFromBytes(GraphicKind format, const std::string& bytes, std::u16string* error) {
  if (!Sys().graphics) {
    *error = u"No picture decoder";
    return false;
  }
  std::u16string reason;
  std::unique_ptr<Graphic> graphic = Sys().graphics->Decode(format, bytes, &reason);
  if (!graphic) {
    *error = reason.empty() ? std::u16string(u"Invalid picture data") : reason;
    return false;
  }
  SetGraphic(std::move(graphic));
  return true;
}

void Picture::Changed() {
  if (on_change_) on_change_();
}

void Picture::Progress(const PictureProgress& progress) {
  if (on_progress_) on_progress_(progress);
}

}  // namespace vkr
