#include "platform/gtk/gtk_system.h"

#include <gtk/gtk.h>

#include "platform/gtk/browser_gtk.h"
#include "platform/gtk/canvas_gtk.h"
#include "platform/gtk/http_curl.h"
#include "platform/gtk/posix_system.h"
#include "platform/gtk/tray_gtk.h"
#include "platform/gtk/ui_gtk.h"
#include "platform/gtk/windows_gtk.h"
#include "platform/std_threads.h"

namespace vkr::gtk {
namespace {

SniTray* g_tray = nullptr;
EmbeddedResources* g_resources = nullptr;

// The UI adapter, with the application's icon put in place when GTK starts.
class LauncherUi : public GtkUi {
 public:
  using GtkUi::GtkUi;
  void StartGui() override {
    GtkUi::StartGui();
    if (EnsureGtk() && !icon_installed_) {
      icon_installed_ = true;
      InstallApplicationIcon();
    }
  }

 private:
  bool icon_installed_ = false;
};

}  // namespace

void InstallApplicationIcon() {
  std::string bytes;
  if (!g_resources || !g_resources->Load(u"APPLICATION_ICON", &bytes)) return;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("ico", nullptr);
  if (!loader) return;
  const bool decoded =
      gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), nullptr) &&
      gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* icon = decoded ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (icon) {
    gtk_window_set_default_icon(icon);
    // The tray's pixmap: ARGB32 in network byte order.
    GdkPixbuf* rgba = gdk_pixbuf_add_alpha(icon, FALSE, 0, 0, 0);
    if (rgba && g_tray) {
      const int width = gdk_pixbuf_get_width(rgba);
      const int height = gdk_pixbuf_get_height(rgba);
      const int stride = gdk_pixbuf_get_rowstride(rgba);
      const guchar* pixels = gdk_pixbuf_read_pixels(rgba);
      std::string argb;
      argb.reserve(static_cast<std::size_t>(width) * height * 4);
      for (int y = 0; y < height; ++y) {
        const guchar* p = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x, p += 4) {
          argb.push_back(static_cast<char>(p[3]));
          argb.push_back(static_cast<char>(p[0]));
          argb.push_back(static_cast<char>(p[1]));
          argb.push_back(static_cast<char>(p[2]));
        }
      }
      g_tray->SetIconPixmap(width, height, std::move(argb));
    }
    if (rgba) g_object_unref(rgba);
  } else if (!decoded) {
    gdk_pixbuf_loader_close(loader, nullptr);
  }
  g_object_unref(loader);
}

System CreateGtkSystem(int argc, char** argv) {
  // Built once and never destroyed: detached workers may still use them while the process ends.
  static PosixFiles* const files = new PosixFiles;
  static PosixProfileStore* const profile = new PosixProfileStore(files);
  static HardwareRegistry* const registry = new HardwareRegistry;
  static PosixShell* const shell = new PosixShell;
  static PosixProcesses* const processes = new PosixProcesses(argc, argv);
  static CurlHttp* const http = new CurlHttp;
  static PosixClock* const clock = new PosixClock;
  static PosixMachine* const machine = new PosixMachine;
  static StdThreads* const threads = new StdThreads;
  static GtkWindows* const windows = new GtkWindows;
  static LauncherUi* const ui = new LauncherUi(windows);
  static CairoGraphics* const graphics = new CairoGraphics;
  static WebKitBrowserFactory* const browsers = new WebKitBrowserFactory(windows);
  static SniTray* const tray = new SniTray(windows);
  static GtkMenus* const menus = new GtkMenus;
  static EmbeddedResources* const resources = new EmbeddedResources;
  static XdgDesktop* const desktop = new XdgDesktop(files);
  g_tray = tray;
  g_resources = resources;

  // In the order of System's members, whose types all differ: the compiler checks the order.
  return System{registry, profile,  files,    shell,   processes, http,  clock,     machine, ui,
                threads,  graphics, browsers, windows, tray,      menus, resources, desktop};
}

}  // namespace vkr::gtk
