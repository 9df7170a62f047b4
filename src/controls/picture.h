// The picture container: at most one graphic of any format, its size, copying by value, loading
// from a file by the file's extension, and change and progress notifications.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/canvas.h"

namespace vkr {

enum class ProgressStage { kStarting, kRunning, kEnding };

// What a graphic reports while it loads progressively.
struct PictureProgress {
  ProgressStage stage = ProgressStage::kStarting;
  std::uint8_t percent_done = 0;
  bool redraw_now = false;
  Rect rect;
  std::u16string message;
};

// Larger picture files than this are not read (the launcher's pictures are a few kilobytes).
inline constexpr std::size_t kMaxPictureFileBytes = 64u * 1024u * 1024u;

// The error text of a file whose extension names no known picture format.
std::u16string UnknownPictureExtensionError(const std::u16string& extension);
// The format a file name's extension selects (.png, .jpg, .jpeg, .jpe, .jfif, .bmp, .ico, .emf,
// .wmf; letter case ignored). False for any other extension.
bool GraphicKindForFile(const std::u16string& path, GraphicKind* kind);

class Picture {
 public:
  Picture() = default;
  // Copies the other picture's graphic (never shares it); handlers are not copied.
  Picture(const Picture& other);
  Picture& operator=(const Picture& other);
  // Takes the other's graphic (handlers stay where they are); both pictures notify.
  Picture(Picture&& other) noexcept;
  Picture& operator=(Picture&& other);
  ~Picture() = default;

  // Replaces the content with a copy of the other's graphic (or empties it), then notifies.
  void Assign(const Picture& other);
  // Takes the graphic (nullptr empties the picture), then notifies.
  void SetGraphic(std::unique_ptr<Graphic> graphic);
  void Clear() { SetGraphic(nullptr); }

  Graphic* GetGraphic() const { return graphic_.get(); }
  bool HasGraphic() const { return graphic_ != nullptr; }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // Reads the file through Sys().files and decodes it through Sys().graphics, the format chosen
  // by the file's extension. On failure the content stays as it was and *error says why.
  bool LoadFromFile(const std::u16string& path, std::u16string* error);
  // Decodes encoded bytes of the given format (a form's embedded picture); as LoadFromFile.
  bool LoadFromBytes(GraphicKind format, const std::string& bytes, std::u16string* error);

  // Runs the change handler; for content changed in place (drawing on a bitmap's canvas).
  void Changed();
  // Passes a progressive-loading report to the progress handler.
  void Progress(const PictureProgress& progress);

  void SetOnChange(std::function<void()> handler) { on_change_ = std::move(handler); }
  void SetOnProgress(std::function<void(const PictureProgress&)> handler) { on_progress_ = std::move(handler); }

 private:
  std::unique_ptr<Graphic> graphic_;
  std::function<void()> on_change_;
  std::function<void(const PictureProgress&)> on_progress_;
};

}  // namespace vkr
