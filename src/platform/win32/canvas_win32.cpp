#include "platform/win32/canvas_win32.h"

#include <wincodec.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/win32/wide.h"

namespace vkr::win32 {

namespace {

// Pictures larger than this on a side are refused rather than allocated.
constexpr int kMaxPictureSide = 16384;

RECT ToRect(const Rect& rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }

const char16_t* FormatName(GraphicKind format) {
  switch (format) {
    case GraphicKind::kPng:
      return u"PNG";
    case GraphicKind::kJpeg:
      return u"JPEG";
    case GraphicKind::kBitmap:
      return u"bitmap";
    case GraphicKind::kIcon:
      return u"icon";
    case GraphicKind::kMetafile:
      return u"metafile";
  }
  return u"picture";
}

}  // namespace

HFONT CreateGdiFont(const vkr::Font& font) {
  LOGFONTW log_font{};
  log_font.lfHeight = -font.height;
  log_font.lfWeight = (font.style & kFontBold) ? FW_BOLD : FW_NORMAL;
  log_font.lfItalic = (font.style & kFontItalic) ? TRUE : FALSE;
  log_font.lfUnderline = (font.style & kFontUnderline) ? TRUE : FALSE;
  log_font.lfStrikeOut = (font.style & kFontStrikeOut) ? TRUE : FALSE;
  log_font.lfCharSet = DEFAULT_CHARSET;
  log_font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  log_font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  log_font.lfQuality = DEFAULT_QUALITY;
  log_font.lfPitchAndFamily = DEFAULT_PITCH;
  std::size_t length = font.name.size() < LF_FACESIZE - 1 ? font.name.size() : LF_FACESIZE - 1;
  std::memcpy(log_font.lfFaceName, font.name.data(), length * sizeof(wchar_t));
  return ::CreateFontIndirectW(&log_font);
}

// ---- DcCanvas

DcCanvas::DcCanvas(HDC dc) : dc_(dc), saved_state_(dc ? ::SaveDC(dc) : 0) {}

DcCanvas::~DcCanvas() {
  if (dc_ && saved_state_) ::RestoreDC(dc_, saved_state_);
}

void DcCanvas::StretchDraw(const Rect& rect, const Graphic& graphic) {
  const auto* dib = dynamic_cast<const DibGraphic*>(&graphic);
  if (!dc_ || !dib || rect.IsEmpty() || dib->Width() <= 0 || dib->Height() <= 0) return;
  // A bitmap that has a canvas is already selected into its own DC; draw from there.
  HDC source = dib->memory_dc_.get();
  UniqueMemoryDc temporary;
  std::optional<ScopedSelection> selection;
  if (!source) {
    temporary.reset(::CreateCompatibleDC(dc_));
    if (!temporary) return;
    source = temporary.get();
    selection.emplace(source, dib->bitmap());
  }
  ::GdiFlush();
  if (dib->Kind() == GraphicKind::kBitmap) {
    if (dib->Transparent()) {
      // A transparent bitmap leaves out the colour of its bottom-left pixel.
      std::uint32_t pixel = dib->PixelAt(0, dib->Height() - 1);
      COLORREF key = RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
      // gdi32's own entries, which msimg32's AlphaBlend and TransparentBlt forward to: one DLL
      // fewer to load.
      ::GdiTransparentBlt(dc_, rect.left, rect.top, rect.Width(), rect.Height(), source, 0, 0, dib->Width(),
                          dib->Height(), key);
    } else {
      ::SetStretchBltMode(dc_, COLORONCOLOR);
      ::StretchBlt(dc_, rect.left, rect.top, rect.Width(), rect.Height(), source, 0, 0, dib->Width(), dib->Height(),
                   SRCCOPY);
    }
    return;
  }
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::GdiAlphaBlend(dc_, rect.left, rect.top, rect.Width(), rect.Height(), source, 0, 0, dib->Width(), dib->Height(),
                  blend);
}

void DcCanvas::FillRect(const Rect& rect, Color color) {
  if (!dc_ || rect.IsEmpty()) return;
  UniqueGdiObject brush(::CreateSolidBrush(color));
  if (!brush) return;
  RECT r = ToRect(rect);
  ::FillRect(dc_, &r, static_cast<HBRUSH>(brush.get()));
}

void DcCanvas::SetFont(const vkr::Font& font) {
  if (font_ && font == font_spec_) return;
  UniqueGdiObject created(CreateGdiFont(font));
  if (!created) return;
  // The DC may still hold the old font; select the new one before the old one goes.
  if (dc_) ::SelectObject(dc_, created.get());
  font_ = std::move(created);
  font_spec_ = font;
}

void DcCanvas::SetBrush(BrushStyle style, Color color) {
  brush_style_ = style;
  brush_color_ = color;
}

void DcCanvas::PrepareText() {
  if (!font_) SetFont(font_spec_);
  if (font_) ::SelectObject(dc_, font_.get());
  ::SetTextColor(dc_, font_spec_.color);
  ::SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  if (brush_style_ == BrushStyle::kClear) {
    ::SetBkMode(dc_, TRANSPARENT);
  } else {
    ::SetBkMode(dc_, OPAQUE);
    ::SetBkColor(dc_, brush_color_);
  }
}

void DcCanvas::DrawTextAt(int x, int y, const std::u16string& text) {
  if (!dc_ || text.empty()) return;
  PrepareText();
  ::TextOutW(dc_, x, y, Wide(text), static_cast<int>(text.size()));
}

void DcCanvas::DrawTextClipped(const Rect& clip, int x, int y, const std::u16string& text) {
  if (!dc_) return;
  PrepareText();
  RECT r = ToRect(clip);
  UINT options = ETO_CLIPPED | (brush_style_ == BrushStyle::kSolid ? ETO_OPAQUE : 0);
  ::ExtTextOutW(dc_, x, y, options, &r, Wide(text), static_cast<UINT>(text.size()), nullptr);
}

Size DcCanvas::TextExtent(const std::u16string& text) {
  if (!dc_) return Size{};
  if (!font_) SetFont(font_spec_);
  if (font_) ::SelectObject(dc_, font_.get());
  SIZE size{};
  if (!::GetTextExtentPoint32W(dc_, Wide(text), static_cast<int>(text.size()), &size)) return Size{};
  return Size{size.cx, size.cy};
}

void DcCanvas::SetViewport(const Rect& viewport) {
  if (!dc_) return;
  ResetViewport();
  viewport_state_ = ::SaveDC(dc_);
  ::IntersectClipRect(dc_, viewport.left, viewport.top, viewport.right, viewport.bottom);
  ::OffsetViewportOrgEx(dc_, viewport.left, viewport.top, nullptr);
}

void DcCanvas::ResetViewport() {
  if (!dc_ || !viewport_state_) return;
  ::RestoreDC(dc_, viewport_state_);
  viewport_state_ = 0;
  // Restoring went back to the font selected before the viewport; keep ours.
  if (font_) ::SelectObject(dc_, font_.get());
}

// ---- DibGraphic

DibGraphic::DibGraphic(GraphicKind kind, int width, int height) : kind_(kind), width_(width), height_(height) {}

std::unique_ptr<DibGraphic> DibGraphic::Create(GraphicKind kind, int width, int height) {
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) ::DeleteObject(bitmap);
    return nullptr;
  }
  std::unique_ptr<DibGraphic> graphic(new DibGraphic(kind, width, height));
  graphic->bitmap_.reset(bitmap);
  graphic->pixels_ = static_cast<std::uint8_t*>(bits);
  return graphic;
}

// The canvas goes first, then the selection, the DC and the bitmap (the members' order).
DibGraphic::~DibGraphic() = default;

std::unique_ptr<Graphic> DibGraphic::Clone() const {
  std::unique_ptr<DibGraphic> copy = Create(kind_, width_, height_);
  if (!copy) return nullptr;
  ::GdiFlush();
  std::memcpy(copy->pixels_, pixels_, static_cast<std::size_t>(width_) * height_ * 4);
  copy->has_alpha_ = has_alpha_;
  copy->SetTransparent(Transparent());
  copy->SetPaletteModified(PaletteModified());
  return copy;
}

Canvas* DibGraphic::BitmapCanvas() {
  if (kind_ != GraphicKind::kBitmap) return nullptr;
  if (!canvas_) {
    if (!memory_dc_) {
      memory_dc_.reset(::CreateCompatibleDC(nullptr));
      if (!memory_dc_) return nullptr;
      selection_.emplace(memory_dc_.get(), bitmap_.get());
    }
    canvas_ = std::make_unique<DcCanvas>(memory_dc_.get());
  }
  return canvas_.get();
}

std::uint32_t DibGraphic::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  ::GdiFlush();
  std::uint32_t pixel;
  std::memcpy(&pixel, pixels_ + (static_cast<std::size_t>(y) * width_ + x) * 4, 4);
  return pixel;
}

// ---- Win32Graphics

// One picture asked for ahead and, once `done`, its result.
struct Win32Graphics::Prefetched {
  GraphicKind format;
  std::string bytes;
  bool done = false;
  std::unique_ptr<Graphic> graphic;
  std::u16string error;
};

struct Win32Graphics::PrefetchQueue {
  std::mutex mutex;
  std::condition_variable finished;
  // Asked for and not yet taken by a Decode, oldest first.
  std::deque<std::shared_ptr<Prefetched>> items;
  bool worker_running = false;

  // The worker: decodes what is waiting, oldest first, and ends when nothing is.
  static void Work(const std::shared_ptr<PrefetchQueue>& queue) {
    std::unique_lock<std::mutex> lock(queue->mutex);
    for (;;) {
      std::shared_ptr<Prefetched> next;
      for (const auto& item : queue->items) {
        if (!item->done) {
          next = item;
          break;
        }
      }
      if (!next) {
        queue->worker_running = false;
        return;
      }
      lock.unlock();
      std::u16string error;
      std::unique_ptr<Graphic> graphic;
      try {
        graphic = DecodeWithWic(next->format, next->bytes, &error);
      } catch (...) {
        graphic.reset();
        error = u"Out of memory";
      }
      lock.lock();
      next->graphic = std::move(graphic);
      next->error = std::move(error);
      next->done = true;
      queue->finished.notify_all();
    }
  }
};

Win32Graphics::Win32Graphics() : prefetch_(std::make_shared<PrefetchQueue>()) {}
Win32Graphics::~Win32Graphics() = default;

void Win32Graphics::Prefetch(GraphicKind format, const std::string& bytes) {
  try {
    auto item = std::make_shared<Prefetched>();
    item->format = format;
    item->bytes = bytes;
    std::lock_guard<std::mutex> lock(prefetch_->mutex);
    prefetch_->items.push_back(std::move(item));
    if (prefetch_->worker_running) return;
    std::thread(&PrefetchQueue::Work, prefetch_).detach();
    prefetch_->worker_running = true;
  } catch (...) {
    // No worker or no memory: the picture is decoded when it is asked for.
    std::lock_guard<std::mutex> lock(prefetch_->mutex);
    if (!prefetch_->worker_running && !prefetch_->items.empty()) prefetch_->items.pop_back();
  }
}

std::unique_ptr<Graphic> Win32Graphics::Decode(GraphicKind format, const std::string& bytes, std::u16string* error) {
  {
    std::unique_lock<std::mutex> lock(prefetch_->mutex);
    auto& items = prefetch_->items;
    for (auto it = items.begin(); it != items.end(); ++it) {
      if ((*it)->format != format || (*it)->bytes != bytes) continue;
      const std::shared_ptr<Prefetched> item = *it;
      prefetch_->finished.wait(lock, [&item] { return item->done; });
      items.erase(std::find(items.begin(), items.end(), item));
      if (!item->graphic) *error = item->error;
      return std::move(item->graphic);
    }
  }
  return DecodeWithWic(format, bytes, error);
}

std::unique_ptr<Graphic> DecodeWithWic(GraphicKind format, const std::string& bytes, std::u16string* error) {
  const GUID* container = nullptr;
  switch (format) {
    case GraphicKind::kPng:
      container = &GUID_ContainerFormatPng;
      break;
    case GraphicKind::kJpeg:
      container = &GUID_ContainerFormatJpeg;
      break;
    case GraphicKind::kBitmap:
      container = &GUID_ContainerFormatBmp;
      break;
    case GraphicKind::kIcon:
      container = &GUID_ContainerFormatIco;
      break;
    case GraphicKind::kMetafile:
      break;
  }
  std::u16string invalid = u"The data is not a valid " + std::u16string(FormatName(format)) + u" image";
  if (!container) {
    *error = u"Metafiles are not supported";
    return nullptr;
  }
  if (bytes.empty() || bytes.size() > std::numeric_limits<DWORD>::max()) {
    *error = invalid;
    return nullptr;
  }
  const ScopedComInitialize com;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.put_void()))) {
    *error = u"The imaging component is not available";
    return nullptr;
  }
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  UINT width = 0, height = 0;
  // WIC reads the bytes in place; they outlive every object below.
  auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
  if (FAILED(factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(data, static_cast<DWORD>(bytes.size()))) ||
      FAILED(factory->CreateDecoder(*container, nullptr, decoder.put())) ||
      FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand)) ||
      FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetSize(&width, &height)) ||
      FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    *error = invalid;
    return nullptr;
  }
  if (width == 0 || height == 0 || width > static_cast<UINT>(kMaxPictureSide) ||
      height > static_cast<UINT>(kMaxPictureSide)) {
    *error = invalid;
    return nullptr;
  }
  std::unique_ptr<DibGraphic> graphic = DibGraphic::Create(format, static_cast<int>(width), static_cast<int>(height));
  if (!graphic) {
    *error = u"Out of system resources";
    return nullptr;
  }
  UINT stride = width * 4;
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, graphic->pixels()))) {
    *error = invalid;
    return nullptr;
  }
  bool has_alpha = false;
  for (std::size_t i = 3; i < static_cast<std::size_t>(stride) * height; i += 4) {
    if (graphic->pixels()[i] != 0xFF) {
      has_alpha = true;
      break;
    }
  }
  graphic->set_has_alpha(has_alpha);
  return graphic;
}

std::unique_ptr<Graphic> Win32Graphics::CreateBitmap(int width, int height) {
  std::unique_ptr<DibGraphic> bitmap = DibGraphic::Create(GraphicKind::kBitmap, width, height);
  if (!bitmap) return nullptr;
  // Opaque black, as a new bitmap is.
  for (std::size_t i = 3; i < static_cast<std::size_t>(width) * height * 4; i += 4) bitmap->pixels()[i] = 0xFF;
  return bitmap;
}

Size Win32Graphics::MeasureText(const vkr::Font& font, const std::u16string& text) {
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  if (!dc) return Size{};
  UniqueGdiObject gdi_font(CreateGdiFont(font));
  ScopedSelection selection(dc.get(), gdi_font.get());
  SIZE size{};
  if (!::GetTextExtentPoint32W(dc.get(), Wide(text), static_cast<int>(text.size()), &size)) return Size{};
  return Size{size.cx, size.cy};
}

}  // namespace vkr::win32
