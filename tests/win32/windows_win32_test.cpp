// The window, tray, menu and resource adapters against the real system under Wine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "platform/canvas.h"
#include "platform/win32/canvas_win32.h"
#include "platform/win32/ui_win32.h"
#include "platform/win32/win32_windows.h"
#include "win32_test_support.h"

// The program's allocations, watched while a test asks: a block freed a second time without
// having been handed out again in between is counted instead of being freed again.
namespace {
std::mutex heap_watch_lock;
bool heap_watching = false;
std::vector<void*>* heap_freed = nullptr;
int heap_double_frees = 0;

void StartHeapWatch() {
  // Allocated before the lock is taken: the allocation itself takes it.
  auto* freed = new std::vector<void*>();
  freed->reserve(4096);
  std::lock_guard<std::mutex> lock(heap_watch_lock);
  heap_freed = freed;
  heap_double_frees = 0;
  heap_watching = true;
}

int StopHeapWatch() {
  std::vector<void*>* freed = nullptr;
  {
    std::lock_guard<std::mutex> lock(heap_watch_lock);
    heap_watching = false;
    freed = std::exchange(heap_freed, nullptr);
  }
  delete freed;
  return heap_double_frees;
}
}  // namespace

void* operator new(std::size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (!block) throw std::bad_alloc();
  std::lock_guard<std::mutex> lock(heap_watch_lock);
  if (heap_watching) {
    for (void*& freed : *heap_freed) {
      if (freed == block) freed = nullptr;
    }
  }
  return block;
}

namespace {
void ReleaseBlock(void* block) {
  if (!block) return;
  {
    std::lock_guard<std::mutex> lock(heap_watch_lock);
    if (heap_watching) {
      for (void* freed : *heap_freed) {
        if (freed == block) {
          ++heap_double_frees;
          return;
        }
      }
      if (heap_freed->size() < heap_freed->capacity()) heap_freed->push_back(block);
    }
  }
  std::free(block);
}
}  // namespace

void operator delete(void* block) noexcept { ReleaseBlock(block); }
void operator delete(void* block, std::size_t) noexcept { ReleaseBlock(block); }

namespace vkr::win32 {
namespace {

using vkr::testing::WaitUntil;

// Records what the window reports and paints a red square on white.
class RecordingListener : public WindowListener {
 public:
  std::optional<std::intptr_t> OnMessage(WindowHandle, const WindowMessage& message) override {
    messages.push_back(message);
    if (message.message == kAnswered) return 4242;
    return std::nullopt;
  }
  void OnPaint(WindowHandle, Canvas& canvas) override {
    ++paints;
    canvas.FillRect(Rect{10, 10, 30, 30}, RGB(255, 0, 0));
  }
  void OnGetMinMaxInfo(WindowHandle, MinMaxInfo& info) override {
    if (max_placement) info = *max_placement;
  }
  void OnDestroyed(WindowHandle) override { destroyed = true; }

  bool Received(std::uint32_t message, std::uintptr_t wparam) const {
    for (const WindowMessage& m : messages) {
      if (m.message == message && m.wparam == wparam) return true;
    }
    return false;
  }

  static constexpr std::uint32_t kAnswered = WM_USER + 77;
  std::vector<WindowMessage> messages;
  int paints = 0;
  bool destroyed = false;
  std::optional<MinMaxInfo> max_placement;
};

class WindowsAdapterTest : public ::testing::Test {
 protected:
  WindowsAdapterTest() : windows([](HDC dc) -> std::unique_ptr<Canvas> { return std::make_unique<DcCanvas>(dc); }) {
    WindowSpec window_spec;
    window_spec.caption = u"VkrAdapterTest";
    window_spec.bounds = Rect{100, 80, 400, 280};
    window_spec.style = WS_POPUP | WS_CLIPCHILDREN;
    window_spec.ex_style = WS_EX_APPWINDOW;
    window_spec.background = RGB(255, 255, 255);
    window = windows.Create(window_spec, &listener);
  }
  ~WindowsAdapterTest() override { windows.Destroy(window); }
  HWND hwnd() const { return reinterpret_cast<HWND>(window); }

  RecordingListener listener;
  Win32Windows windows;
  WindowHandle window = kNoWindow;
};

TEST_F(WindowsAdapterTest, CreatesAHiddenWindowWithTheRequestedBoundsStylesCaptionAndIcon) {
  ASSERT_NE(window, kNoWindow);
  EXPECT_FALSE(windows.IsVisible(window));
  EXPECT_EQ(windows.Bounds(window), (Rect{100, 80, 400, 280}));
  EXPECT_TRUE(windows.Style(window) & WS_POPUP);
  EXPECT_TRUE(windows.ExStyle(window) & WS_EX_APPWINDOW);
  wchar_t caption[64] = {};
  ::GetWindowTextW(hwnd(), caption, 64);
  EXPECT_STREQ(caption, L"VkrAdapterTest");
  EXPECT_NE(::SendMessageW(hwnd(), WM_GETICON, ICON_BIG, 0), 0);
}

TEST_F(WindowsAdapterTest, ColourKeyMakesTheWindowLayeredAtFullOpacity) {
  ASSERT_TRUE(windows.SetColorKey(window, RGB(255, 255, 255), 255));
  EXPECT_TRUE(windows.ExStyle(window) & WS_EX_LAYERED);
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(::GetLayeredWindowAttributes(hwnd(), &key, &alpha, &flags));
  EXPECT_EQ(key, RGB(255, 255, 255));
  EXPECT_EQ(alpha, 255);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY | LWA_ALPHA));
  windows.Show(window, SW_SHOW);
  EXPECT_TRUE(WaitUntil([&] { return listener.paints > 0; }, 5000));
}

TEST_F(WindowsAdapterTest, PaintDrawsTheListenersCanvasOverTheBackground) {
  windows.Show(window, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return listener.paints > 0; }, 5000));
  ::UpdateWindow(hwnd());
  HDC dc = ::GetDC(hwnd());
  const COLORREF inside = ::GetPixel(dc, 15, 15);
  const COLORREF outside = ::GetPixel(dc, 50, 50);
  ::ReleaseDC(hwnd(), dc);
  EXPECT_EQ(inside, RGB(255, 0, 0));
  EXPECT_EQ(outside, RGB(255, 255, 255));
}

TEST_F(WindowsAdapterTest, TimersPostMessagesAndSendAnswers) {
  const std::uintptr_t id = window;  // the login window's retry timer uses its own handle
  ASSERT_TRUE(windows.SetTimer(window, id, 10));
  EXPECT_TRUE(WaitUntil([&] { return listener.Received(WM_TIMER, id); }, 5000));
  windows.KillTimer(window, id);

  ASSERT_TRUE(windows.Post(window, WM_USER + 200, 0, 0));
  EXPECT_TRUE(WaitUntil([&] { return listener.Received(WM_USER + 200, 0); }, 5000));
  EXPECT_EQ(windows.Send(window, RecordingListener::kAnswered, 7, 8), 4242);
  // Unanswered messages reach the default procedure.
  EXPECT_EQ(windows.Send(window, WM_NCHITTEST, 0, MAKELPARAM(150, 100)), HTCLIENT);
  EXPECT_FALSE(windows.Post(kNoWindow + 12345, WM_USER, 0, 0));
}

TEST_F(WindowsAdapterTest, StylesAndShowStates) {
  windows.SetStyle(window, windows.Style(window) | WS_MINIMIZEBOX | WS_SYSMENU | WS_MAXIMIZEBOX);
  EXPECT_TRUE(windows.Style(window) & WS_MINIMIZEBOX);
  windows.SetExStyle(window, (windows.ExStyle(window) | WS_EX_TOOLWINDOW) & ~WS_EX_APPWINDOW);
  EXPECT_TRUE(windows.ExStyle(window) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(windows.ExStyle(window) & WS_EX_APPWINDOW);

  const Rect work = windows.WorkArea();
  listener.max_placement =
      MinMaxInfo{Size{work.Width() - 100, work.Height() - 50}, Point{work.left + 20, work.top + 10}};
  windows.Show(window, SW_SHOWMAXIMIZED);
  EXPECT_EQ(windows.ShowState(window), SW_SHOWMAXIMIZED);
  EXPECT_EQ(windows.Bounds(window), (Rect{work.left + 20, work.top + 10, work.left + 20 + work.Width() - 100,
                                          work.top + 10 + work.Height() - 50}));
  windows.Show(window, SW_RESTORE);
  EXPECT_EQ(windows.ShowState(window), SW_SHOWNORMAL);
  windows.SetBounds(window, Rect{5, 2, 5 + 1026, 2 + 717});
  EXPECT_EQ(windows.Bounds(window), (Rect{5, 2, 1031, 719}));
  EXPECT_TRUE(listener.Received(WM_SIZE, SIZE_RESTORED));
  windows.Show(window, SW_HIDE);
  EXPECT_FALSE(windows.IsVisible(window));
}

TEST_F(WindowsAdapterTest, ScreenMetricsAndCoordinates) {
  const Size screen = windows.PrimaryScreenSize();
  EXPECT_GT(screen.width, 0);
  EXPECT_GT(screen.height, 0);
  const Rect work = windows.WorkArea();
  EXPECT_LE(work.Width(), screen.width);
  EXPECT_GT(work.Height(), 0);
  EXPECT_EQ(windows.ClientToScreen(window, Point{3, 4}), (Point{103, 84}));
  EXPECT_EQ(windows.DesktopWindow(), reinterpret_cast<WindowHandle>(::GetDesktopWindow()));
  EXPECT_FALSE(windows.IsChild(window, window));
}

TEST_F(WindowsAdapterTest, DestroyTellsTheListenerLast) {
  windows.Destroy(window);
  EXPECT_TRUE(listener.destroyed);
  EXPECT_FALSE(::IsWindow(hwnd()));
  window = kNoWindow;
}

// Refuses its window at WM_CREATE, which makes the system destroy it before CreateWindowExW returns.
class RefusingListener : public RecordingListener {
 public:
  std::optional<std::intptr_t> OnMessage(WindowHandle window, const WindowMessage& message) override {
    RecordingListener::OnMessage(window, message);
    if (message.message == WM_CREATE) return -1;
    return std::nullopt;
  }
};

TEST(WindowsAdapterCreateTest, CreationRefusedAfterItBeganFreesTheWindowsRecordOnce) {
  Win32Windows windows;
  RefusingListener listener;
  WindowSpec window_spec;
  window_spec.caption = u"VkrRefusedWindow";
  window_spec.bounds = Rect{0, 0, 50, 50};
  window_spec.style = WS_POPUP;
  StartHeapWatch();
  const WindowHandle window = windows.Create(window_spec, &listener);
  const int double_frees = StopHeapWatch();
  EXPECT_EQ(window, kNoWindow);
  EXPECT_TRUE(listener.Received(WM_CREATE, 0));
  EXPECT_TRUE(listener.destroyed);
  EXPECT_EQ(double_frees, 0);
}

TEST(FloatingPointControlWordTest, SetsTheX87ControlWord) {
  Win32Windows windows;
  unsigned short saved = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(saved));
  windows.SetFloatingPointControlWord(0x133F);
  unsigned short now = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(now));
  // Bit 6 is reserved and reads as set on x87 units.
  EXPECT_EQ(now & ~0x40, 0x133F);
  __asm__ __volatile__("fldcw %0" : : "m"(saved));
}

TEST_F(WindowsAdapterTest, MenuReturnsTheChosenItem) {
  windows.Show(window, SW_SHOW);
  ::SetForegroundWindow(hwnd());
  // The menu's own loop takes these keys from the queue: the second item, then Enter.
  for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) ::PostMessageW(hwnd(), WM_KEYDOWN, key, 0);
  Win32Menus menus;
  const int chosen =
      menus.TrackPopup(window, {MenuItem{11, u"刷新", false}, MenuItem{12, u"开机启动", true}}, Point{150, 150});
  EXPECT_EQ(chosen, 12);
  // Dismissed without a choice.
  ::PostMessageW(hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(menus.TrackPopup(window, {MenuItem{11, u"刷新", false}}, Point{150, 150}), 0);
}

TEST_F(WindowsAdapterTest, TrayIconIsAddedAndRemovedWithTheShortRecord) {
  Win32Tray tray;
  TrayRecord record;
  record.size = 88;
  record.window = window;
  record.id = 0;
  record.flags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.callback_message = WM_USER + 206;
  record.application_icon = true;
  record.tip = u"单击左键或右键";
  EXPECT_TRUE(tray.Notify(NIM_ADD, record));
  record.tip = u"左键双击弹出或右键";
  EXPECT_TRUE(tray.Notify(NIM_DELETE, record));
  // Removing an icon that is not there fails.
  EXPECT_FALSE(tray.Notify(NIM_DELETE, record));
}

TEST_F(WindowsAdapterTest, TheMenuLeavesAnEmptyMessageBehindSoThatItClosesOnAClickElsewhere) {
  windows.Show(window, SW_SHOW);
  ::SetForegroundWindow(hwnd());
  ::PostMessageW(hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  Win32Menus menus;
  EXPECT_EQ(menus.TrackPopup(window, {MenuItem{11, u"打开", false}}, Point{150, 150}), 0);
  listener.messages.clear();
  EXPECT_TRUE(WaitUntil([&] { return listener.Received(WM_NULL, 0); }, 5000));
}

TEST_F(WindowsAdapterTest, TheTaskbarsRecreationReachesTheWindowAsItsRegisteredMessage) {
  const std::uint32_t taskbar_created = windows.RegisterMessage(u"TaskbarCreated");
  EXPECT_EQ(taskbar_created, ::RegisterWindowMessageW(L"TaskbarCreated"));
  EXPECT_GE(taskbar_created, 0xC000u);
  EXPECT_LE(taskbar_created, 0xFFFFu);
  EXPECT_EQ(windows.RegisterMessage(u"TaskbarCreated"), taskbar_created);
  EXPECT_NE(windows.RegisterMessage(u"VkrOtherMessage"), taskbar_created);
  EXPECT_EQ(windows.RegisterMessage(u""), 0u);
  // The shell broadcasts it to every top-level window, hidden ones included.
  ASSERT_FALSE(windows.IsVisible(window));
  ASSERT_TRUE(::PostMessageW(HWND_BROADCAST, taskbar_created, 0, 0));
  EXPECT_TRUE(WaitUntil([&] { return listener.Received(taskbar_created, 0); }, 5000));
}

TEST_F(WindowsAdapterTest, AnIconTheSystemStillHasRefusesASecondAddAndTakesAModification) {
  Win32Tray tray;
  TrayRecord record;
  record.size = 88;
  record.window = window;
  record.flags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.callback_message = WM_USER + 201;
  record.application_icon = true;
  record.tip = u"单击左键或右键";
  ASSERT_TRUE(tray.Notify(NIM_ADD, record));
  EXPECT_FALSE(tray.Notify(NIM_ADD, record));
  EXPECT_TRUE(tray.Notify(NIM_MODIFY, record));
  EXPECT_TRUE(tray.Notify(NIM_DELETE, record));
  EXPECT_FALSE(tray.Notify(NIM_MODIFY, record));
}

TEST(ResourcesAdapterTest, MissingResourceIsFalse) {
  Win32Resources resources;
  std::string bytes = "unchanged";
  EXPECT_FALSE(resources.Load(u"NO_SUCH_PICTURE", &bytes));
  EXPECT_EQ(bytes, "unchanged");
}

}  // namespace
}  // namespace vkr::win32
