#include "platform/gtk/ui_gtk.h"

#include <gtk/gtk.h>

#include <memory>

#include "platform/gtk/text_gtk.h"
#include "platform/gtk/windows_gtk.h"
#include "platform/win_constants.h"

namespace vkr::gtk {
namespace {

struct Button {
  const char* label;
  int id;
};

// A call waiting for the GUI thread: run there once, then the waiter is woken.
struct PendingCall {
  std::function<void()> call;
  std::mutex mutex;
  std::condition_variable done_changed;
  bool done = false;
};

}  // namespace

GtkUi::GtkUi(GtkWindows* windows) : windows_(windows), gui_thread_(std::this_thread::get_id()) {}

GtkUi::~GtkUi() = default;

bool GtkUi::EnsureGtk() {
  if (!OnGuiThread()) return gtk_ready_;
  if (!gtk_tried_) {
    gtk_tried_ = true;
    gtk_ready_ = gtk_init_check(nullptr, nullptr);
    // Nothing can be shown; whoever started the launcher from a terminal learns why.
    if (!gtk_ready_) g_printerr("vkr: cannot open the display %s\n", g_getenv("DISPLAY") ? g_getenv("DISPLAY") : "");
  }
  return gtk_ready_;
}

void GtkUi::StartGui() {
  if (!OnGuiThread() || !EnsureGtk() || events_attached_) return;
  events_attached_ = true;
  if (windows_) windows_->AttachEventHandler();
}

int GtkUi::MessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                      std::uint32_t type) {
  if (OnGuiThread()) return EnsureGtk() ? ShowMessageBox(owner, text, caption, type) : 0;
  int answer = 0;
  // A worker's box blocks that worker only: the GUI thread shows it and stays responsive.
  if (!CallOnGuiThread([&] { answer = gtk_ready_ ? ShowMessageBox(owner, text, caption, type) : 0; })) return 0;
  return answer;
}

int GtkUi::ShowMessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                          std::uint32_t type) {
  GtkMessageType kind = GTK_MESSAGE_OTHER;
  switch (type & win::MB_ICONMASK) {
    case win::MB_ICONERROR:
      kind = GTK_MESSAGE_ERROR;
      break;
    case win::MB_ICONQUESTION:
      kind = GTK_MESSAGE_QUESTION;
      break;
    case win::MB_ICONWARNING:
      kind = GTK_MESSAGE_WARNING;
      break;
    case win::MB_ICONINFORMATION:
      kind = GTK_MESSAGE_INFO;
      break;
    default:
      break;
  }
  static const Button kOk[] = {{"确定", win::IDOK}};
  static const Button kOkCancel[] = {{"确定", win::IDOK}, {"取消", win::IDCANCEL}};
  static const Button kYesNoCancel[] = {{"是(Y)", win::IDYES}, {"否(N)", win::IDNO}, {"取消", win::IDCANCEL}};
  static const Button kYesNo[] = {{"是(Y)", win::IDYES}, {"否(N)", win::IDNO}};
  static const Button kRetryCancel[] = {{"重试(R)", win::IDRETRY}, {"取消", win::IDCANCEL}};
  const Button* buttons = kOk;
  std::size_t count = 1;
  switch (type & win::MB_TYPEMASK) {
    case win::MB_OKCANCEL:
      buttons = kOkCancel;
      count = 2;
      break;
    case win::MB_YESNOCANCEL:
      buttons = kYesNoCancel;
      count = 3;
      break;
    case win::MB_YESNO:
      buttons = kYesNo;
      count = 2;
      break;
    case win::MB_RETRYCANCEL:
      buttons = kRetryCancel;
      count = 2;
      break;
    default:
      break;
  }
  GtkWindow* parent = windows_ ? windows_->TopLevelWidget(owner) : nullptr;
  GtkWidget* dialog =
      gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, kind, GTK_BUTTONS_NONE, "%s", Utf8(text).c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), Utf8(caption).c_str());
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  for (std::size_t i = 0; i < count; ++i) gtk_dialog_add_button(GTK_DIALOG(dialog), buttons[i].label, buttons[i].id);
  const std::size_t default_index = (type & win::MB_DEFMASK) >> 8;
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), buttons[default_index < count ? default_index : 0].id);
  const int response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  if (response > 0) return response;
  // Closed by the window manager: Cancel where there is one, as the system answers, else the
  // only button.
  for (std::size_t i = 0; i < count; ++i) {
    if (buttons[i].id == win::IDCANCEL) return win::IDCANCEL;
  }
  return count == 1 ? buttons[0].id : 0;
}

void GtkUi::RunMessageLoop() {
  if (main_window_.load() != kNoWindow && !quit_requested_.load() && EnsureGtk()) gtk_main();
  std::lock_guard<std::mutex> lock(gone_mutex_);
  gone_ = true;
  gone_changed_.notify_all();
}

void GtkUi::Terminate() {
  quit_requested_.store(true);
  // The loop ends from inside itself, whichever thread asks.
  g_idle_add(
      [](gpointer) -> gboolean {
        if (gtk_main_level() > 0) gtk_main_quit();
        return G_SOURCE_REMOVE;
      },
      nullptr);
}

void GtkUi::SetMainWindow(WindowHandle window) { main_window_.store(window); }

WindowHandle GtkUi::MainWindow() { return main_window_.load(); }

void GtkUi::SetApplicationWindowText(const std::u16string& text) {
  if (OnGuiThread()) g_set_application_name(Utf8(text).c_str());
}

bool GtkUi::CallOnGuiThread(const std::function<void()>& call) {
  if (!call) return false;
  if (OnGuiThread()) {
    try {
      call();
    } catch (...) {
    }
    return true;
  }
  {
    std::lock_guard<std::mutex> lock(gone_mutex_);
    if (gone_) return false;
  }
  auto pending = std::make_shared<PendingCall>();
  pending->call = call;
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        auto& pending = *static_cast<std::shared_ptr<PendingCall>*>(data);
        try {
          pending->call();
        } catch (...) {
        }
        std::lock_guard<std::mutex> lock(pending->mutex);
        pending->done = true;
        pending->done_changed.notify_all();
        return G_SOURCE_REMOVE;
      },
      new std::shared_ptr<PendingCall>(pending),
      [](gpointer data) { delete static_cast<std::shared_ptr<PendingCall>*>(data); });
  // Wait for the call, or for the loop to end without it.
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(pending->mutex);
      if (pending->done_changed.wait_for(lock, std::chrono::milliseconds(100), [&] { return pending->done; })) {
        return true;
      }
    }
    std::lock_guard<std::mutex> lock(gone_mutex_);
    if (gone_) return false;
  }
}

// ---- Menus -------------------------------------------------------------------------------------

namespace {

struct MenuRun {
  GMainLoop* loop = nullptr;
  int chosen = 0;
};

}  // namespace

int GtkMenus::TrackPopup(WindowHandle /*owner*/, const std::vector<MenuItem>& items, Point screen) {
  GdkDisplay* display = gdk_display_get_default();
  if (!display || items.empty()) return 0;
  MenuRun run;
  GtkWidget* menu = gtk_menu_new();
  g_object_ref_sink(menu);
  for (const MenuItem& item : items) {
    GtkWidget* entry = item.checked ? gtk_check_menu_item_new_with_label(Utf8(item.caption).c_str())
                                    : gtk_menu_item_new_with_label(Utf8(item.caption).c_str());
    if (item.checked) gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(entry), TRUE);
    g_object_set_data(G_OBJECT(entry), "vkr-id", GINT_TO_POINTER(item.id));
    g_signal_connect(entry, "activate", G_CALLBACK(+[](GtkMenuItem* entry, gpointer data) {
                       static_cast<MenuRun*>(data)->chosen =
                           GPOINTER_TO_INT(g_object_get_data(G_OBJECT(entry), "vkr-id"));
                     }),
                     &run);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), entry);
    gtk_widget_show(entry);
  }
  run.loop = g_main_loop_new(nullptr, FALSE);
  // "deactivate" comes before the chosen item's "activate": the loop ends once both have run.
  g_signal_connect(menu, "deactivate", G_CALLBACK(+[](GtkMenuShell*, gpointer data) {
                     g_idle_add(
                         [](gpointer loop) -> gboolean {
                           g_main_loop_quit(static_cast<GMainLoop*>(loop));
                           return G_SOURCE_REMOVE;
                         },
                         static_cast<MenuRun*>(data)->loop);
                   }),
                   &run);
  GdkWindow* root = gdk_screen_get_root_window(gdk_display_get_default_screen(display));
  const GdkRectangle at{screen.x, screen.y, 1, 1};
  gtk_menu_popup_at_rect(GTK_MENU(menu), root, &at, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
  if (gtk_widget_get_visible(menu)) g_main_loop_run(run.loop);
  g_signal_handlers_disconnect_by_data(menu, &run);
  gtk_widget_destroy(menu);
  g_main_loop_unref(run.loop);
  g_object_unref(menu);
  return run.chosen;
}

}  // namespace vkr::gtk
