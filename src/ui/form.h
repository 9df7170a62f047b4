// The top-level window base of the login and game windows: it owns the window, hosts the
// windowless controls on it (painting, mouse routing, cursors, anchoring on resize) and hands
// every other message to the derived window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "controls/control_host.h"
#include "controls/picture.h"
#include "platform/window.h"

namespace vkr {

// SC_MOVE + 1: the system's move loop, driven by the mouse (the windows' drag areas send it).
inline constexpr std::uintptr_t kMoveCommand = 0xF011;
// Every window and the web frame set this control word when created, for the browser they host:
// all six floating-point exceptions masked, 64-bit precision, rounding to nearest.
inline constexpr std::uint16_t kFloatingPointControlWord = 0x133F;

// A layout position: rounded to the nearest pixel, halves to the even neighbour.
inline int RoundPixels(double value) { return static_cast<int>(RoundHalfEven(value)); }

// Signed client coordinates packed in a mouse message's lParam.
Point PointFromLParam(std::intptr_t lparam);

// Loads a picture embedded in the program (an RCDATA resource) into `picture`; false, with the
// picture unchanged, when the resource is missing or does not decode.
bool LoadFormPicture(const std::u16string& resource_name, GraphicKind kind, Picture* picture);

class TForm : public WindowListener {
 public:
  TForm();
  // Destroys the window if it still exists.
  ~TForm() override;
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  WindowHandle Handle() const { return handle_; }
  // True from creation until the window is destroyed.
  bool HandleAllocated() const { return handle_ != kNoWindow; }
  ControlHost& Controls() { return controls_; }
  // The window's rectangle in screen coordinates (client and window coincide without a frame).
  Rect BoundsRect();
  int Width() { return BoundsRect().Width(); }
  int Height() { return BoundsRect().Height(); }

  // WindowListener.
  std::optional<std::intptr_t> OnMessage(WindowHandle window, const WindowMessage& message) final;
  void OnPaint(WindowHandle window, Canvas& canvas) override;
  void OnDestroyed(WindowHandle window) override;

 protected:
  // Creates the window; false when the system refused.
  bool CreateHandle(const WindowSpec& window_spec);
  // Destroys the window now (its OnDestroyed runs before this returns).
  void DestroyHandle();
  // The derived window's message handling, before the controls see mouse messages. nullopt
  // passes the message on.
  virtual std::optional<std::intptr_t> WndProc(const WindowMessage& message) = 0;
  // The client area changed size (WM_SIZE), after the controls have followed their anchors.
  virtual void Resized(int /*width*/, int /*height*/) {}
  // Paints below the controls.
  virtual void PaintBackground(Canvas& /*canvas*/) {}
  // The window has been destroyed.
  virtual void Destroyed() {}

 private:
  std::optional<std::intptr_t> RouteMouse(const WindowMessage& message);

  WindowHandle handle_ = kNoWindow;
  ControlHost controls_;
  int client_width_ = 0;
  int client_height_ = 0;
};

}  // namespace vkr
