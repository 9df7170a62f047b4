#include "platform/gtk/browser_gtk.h"

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdlib>
#include <deque>
#include <functional>

#include "platform/gtk/posix_system.h"
#include "platform/gtk/text_gtk.h"
#include "platform/gtk/windows_gtk.h"
#include "platform/win_constants.h"

namespace vkr::gtk {
namespace {

// The launcher's own scripts run in a world of their own: the page can neither see nor fake them.
constexpr char kWorld[] = "vkr";
constexpr char kFrameCompleteHandler[] = "vkrFrameComplete";

// Each frame (not the top-level page, whose finished load says it) reports its completed load.
constexpr char kFrameCompleteScript[] =
    "if (window !== window.top) {"
    "  window.addEventListener('load', function () {"
    "    window.webkit.messageHandlers.vkrFrameComplete.postMessage(String(window.location.href));"
    "  });"
    "}";

// The top-level document's input elements in document order: [type, name, value] each.
constexpr char kInputsScript[] =
    "(function () {"
    "  var found = [];"
    "  var inputs = document.getElementsByTagName('input');"
    "  for (var i = 0; i < inputs.length; ++i) {"
    "    var e = inputs[i];"
    "    found.push([String(e.type), String(e.getAttribute('name') === null ? '' : e.name), String(e.value)]);"
    "  }"
    "  return found;"
    "})()";

// The host flags that have an equivalent here.
constexpr std::uint32_t kNoTextSelection = win::DOCHOSTUIFLAG_DIALOG;
constexpr std::uint32_t kNoScrollBars = win::DOCHOSTUIFLAG_SCROLL_NO;

constexpr char kNoScrollBarsStyle[] = "::-webkit-scrollbar { display: none !important; }";
constexpr char kNoTextSelectionStyle[] =
    "html, body { -webkit-user-select: none; user-select: none; }"
    " input, textarea, [contenteditable] { -webkit-user-select: text; user-select: text; }";

std::int32_t StatusOfError(const GError* error) {
  if (error && error->domain == WEBKIT_NETWORK_ERROR) {
    return error->code == WEBKIT_NETWORK_ERROR_TRANSPORT ? win::INET_E_CANNOT_CONNECT : win::INET_E_RESOURCE_NOT_FOUND;
  }
  return win::INET_E_DOWNLOAD_FAILURE;
}

// One input element as read when the navigation's event was raised.
class SnapshotElement : public DocumentElement {
 public:
  SnapshotElement(std::u16string type, std::u16string name, std::u16string value)
      : type_(std::move(type)), name_(std::move(name)), value_(std::move(value)) {}
  bool IsInput() override { return true; }
  bool Type(std::u16string* type) override {
    *type = type_;
    return true;
  }
  bool Name(std::u16string* name) override {
    *name = name_;
    return true;
  }
  bool Value(std::u16string* value) override {
    *value = value_;
    return true;
  }

 private:
  std::u16string type_;
  std::u16string name_;
  std::u16string value_;
};

struct Snapshot {
  bool has_document = false;
  std::vector<SnapshotElement> elements;
};

Snapshot SnapshotOf(JSCValue* value) {
  Snapshot snapshot;
  if (!value || !jsc_value_is_array(value)) return snapshot;
  snapshot.has_document = true;
  JSCValue* length_value = jsc_value_object_get_property(value, "length");
  const std::int32_t length = jsc_value_to_int32(length_value);
  g_object_unref(length_value);
  for (std::int32_t i = 0; i < length && i < 100000; ++i) {
    JSCValue* row = jsc_value_object_get_property_at_index(value, static_cast<guint>(i));
    std::u16string parts[3];
    for (guint k = 0; k < 3; ++k) {
      JSCValue* part = jsc_value_object_get_property_at_index(row, k);
      char* text = jsc_value_to_string(part);
      parts[k] = Utf16(text);
      g_free(text);
      g_object_unref(part);
    }
    g_object_unref(row);
    snapshot.elements.emplace_back(parts[0], parts[1], parts[2]);
  }
  return snapshot;
}

// A page's own window, opened for a new-window request the launcher lets through: a plain
// browser window outside the launcher's rules, as the system's browser would open it.
void OpenPopupWindow(GtkWidget* view);

GtkWidget* OnPopupCreate(WebKitWebView* related, WebKitNavigationAction*, gpointer) {
  GtkWidget* view = webkit_web_view_new_with_related_view(related);
  OpenPopupWindow(view);
  return view;
}

void OpenPopupWindow(GtkWidget* view) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 800, 600);
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(view, "ready-to-show", G_CALLBACK(+[](WebKitWebView* view, gpointer window) {
                     WebKitWindowProperties* properties = webkit_web_view_get_window_properties(view);
                     GdkRectangle geometry{};
                     webkit_window_properties_get_geometry(properties, &geometry);
                     if (geometry.width > 0 && geometry.height > 0) {
                       gtk_window_resize(GTK_WINDOW(window), geometry.width, geometry.height);
                     }
                     gtk_widget_show_all(GTK_WIDGET(window));
                   }),
                   window);
  g_signal_connect(view, "close",
                   G_CALLBACK(+[](WebKitWebView*, gpointer window) { gtk_widget_destroy(GTK_WIDGET(window)); }),
                   window);
  g_signal_connect(view, "notify::title", G_CALLBACK(+[](WebKitWebView* view, GParamSpec*, gpointer window) {
                     const char* title = webkit_web_view_get_title(view);
                     gtk_window_set_title(GTK_WINDOW(window), title ? title : "");
                   }),
                   window);
  g_signal_connect(view, "create", G_CALLBACK(&OnPopupCreate), nullptr);
}

class WebKitBrowser : public Browser {
 public:
  WebKitBrowser(GtkWindows* windows, WindowHandle parent, WebKitWebContext* context, const Rect& bounds,
                const BrowserHostSettings& settings)
      : windows_(windows), bounds_(bounds), settings_(settings), alive_(std::make_shared<bool>(true)) {
    content_ = webkit_user_content_manager_new();
    webkit_user_content_manager_register_script_message_handler_in_world(content_, kFrameCompleteHandler, kWorld);
    WebKitUserScript* script =
        webkit_user_script_new_for_world(kFrameCompleteScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                         WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(content_, script);
    webkit_user_script_unref(script);
    AddStyle(settings.host_info_flags & kNoScrollBars, kNoScrollBarsStyle);
    AddStyle(settings.host_info_flags & kNoTextSelection, kNoTextSelectionStyle);

    WebKitSettings* web_settings = webkit_settings_new();
    webkit_settings_set_javascript_can_open_windows_automatically(web_settings, TRUE);
    webkit_settings_set_enable_developer_extras(web_settings, FALSE);
    view_ = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "user-content-manager", content_,
                                    "settings", web_settings, nullptr));
    g_object_unref(web_settings);
    g_object_ref_sink(view_);
    host_ = windows_->AddChild(parent, view_, bounds);
    inner_ = windows_->AddInnerHandle(host_, view_);
    gtk_widget_show(view_);

    Connect(G_OBJECT(view_), "decide-policy", G_CALLBACK(&WebKitBrowser::OnDecidePolicy));
    Connect(G_OBJECT(view_), "load-changed", G_CALLBACK(&WebKitBrowser::OnLoadChanged));
    Connect(G_OBJECT(view_), "load-failed", G_CALLBACK(&WebKitBrowser::OnLoadFailed));
    Connect(G_OBJECT(view_), "notify::title", G_CALLBACK(&WebKitBrowser::OnTitle));
    Connect(G_OBJECT(view_), "create", G_CALLBACK(&WebKitBrowser::OnCreate));
    Connect(G_OBJECT(view_), "context-menu", G_CALLBACK(&WebKitBrowser::OnContextMenu));
    Connect(G_OBJECT(view_), "key-press-event", G_CALLBACK(&WebKitBrowser::OnKeyPress));
    Connect(G_OBJECT(content_), "script-message-received::vkrFrameComplete",
            G_CALLBACK(&WebKitBrowser::OnFrameComplete));
  }

  ~WebKitBrowser() override {
    *alive_ = false;
    for (const auto& connection : connections_) g_signal_handler_disconnect(connection.first, connection.second);
    // Held decisions of a browser that goes are dropped.
    for (WebKitPolicyDecision* decision : held_) {
      webkit_policy_decision_ignore(decision);
      g_object_unref(decision);
    }
    windows_->RemoveHandle(inner_);
    windows_->RemoveHandle(host_);
    webkit_web_view_stop_loading(WEBKIT_WEB_VIEW(view_));
    gtk_widget_destroy(view_);
    g_object_unref(view_);
    g_object_unref(content_);
  }

  bool Navigate(const std::u16string& url) override {
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view_), Utf8(url).c_str());
    return true;
  }
  void Refresh() override { webkit_web_view_reload(WEBKIT_WEB_VIEW(view_)); }
  void Stop() override { webkit_web_view_stop_loading(WEBKIT_WEB_VIEW(view_)); }
  bool Busy() override { return webkit_web_view_is_loading(WEBKIT_WEB_VIEW(view_)) || waiting_; }
  std::u16string LocationURL() override { return Utf16(webkit_web_view_get_uri(WEBKIT_WEB_VIEW(view_))); }

  bool ForEachDocumentElement(const std::function<bool(DocumentElement& element)>& visit) override {
    // The document is read before the navigation's event is raised; there is none otherwise.
    if (!snapshot_ || !snapshot_->has_document) return false;
    for (SnapshotElement& element : snapshot_->elements) {
      if (!visit(element)) break;
    }
    return true;
  }

  bool TranslateAcceleratorKey(const QueuedMessage& /*message*/) override {
    GdkEvent* event = windows_->CurrentKeyEvent();
    return event && gtk_widget_event(view_, event);
  }

  WindowHandle Window() override { return host_; }
  Rect Bounds() override { return bounds_; }
  void SetBounds(const Rect& bounds) override {
    bounds_ = bounds;
    windows_->SetChildBounds(view_, bounds);
  }

  bool ClearCache() override {
    WebKitWebsiteDataManager* manager = webkit_web_view_get_website_data_manager(WEBKIT_WEB_VIEW(view_));
    if (!manager) return false;
    struct Clearing {
      GMainLoop* loop;
      bool done = false;
      bool ok = false;
    } clearing{g_main_loop_new(nullptr, FALSE)};
    webkit_website_data_manager_clear(
        manager, WEBKIT_WEBSITE_DATA_ALL, 0, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          auto* state = static_cast<Clearing*>(data);
          state->ok = webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(source), result, nullptr);
          state->done = true;
          g_main_loop_quit(state->loop);
        },
        &clearing);
    // Synchronous for the caller, as the system's cache clean-up is.
    if (!clearing.done) g_main_loop_run(clearing.loop);
    g_main_loop_unref(clearing.loop);
    return clearing.ok;
  }

 private:
  void AddStyle(bool wanted, const char* css) {
    if (!wanted) return;
    WebKitUserStyleSheet* sheet = webkit_user_style_sheet_new(css, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                              WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
    webkit_user_content_manager_add_style_sheet(content_, sheet);
    webkit_user_style_sheet_unref(sheet);
  }

  void Connect(GObject* object, const char* signal, GCallback callback) {
    connections_.emplace_back(object, g_signal_connect(object, signal, callback, this));
  }

  // Events are raised in the order they came; while a navigation waits for its document to be
  // read, later ones wait behind it.
  void Enqueue(std::function<void()> event) {
    pending_.push_back(std::move(event));
    Drain();
  }

  void Drain() {
    while (!waiting_ && !pending_.empty() && *alive_) {
      std::function<void()> event = std::move(pending_.front());
      pending_.pop_front();
      // The core's handlers run here; the one boundary where WebKit reaches the core.
      const std::shared_ptr<bool> alive = alive_;
      try {
        event();
      } catch (...) {
      }
      if (!*alive) return;
    }
  }

  void ReadDocumentThenRaise(WebKitPolicyDecision* decision, const std::u16string& url) {
    waiting_ = true;
    struct Reading {
      std::weak_ptr<bool> alive;
      WebKitBrowser* browser;
      WebKitPolicyDecision* decision;
      std::u16string url;
    };
    auto* reading = new Reading{alive_, this, decision, url};
    webkit_web_view_evaluate_javascript(
        WEBKIT_WEB_VIEW(view_), kInputsScript, -1, kWorld, nullptr, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          std::unique_ptr<Reading> reading(static_cast<Reading*>(data));
          JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
          const std::shared_ptr<bool> alive = reading->alive.lock();
          if (alive && *alive) {
            Snapshot snapshot = SnapshotOf(value);
            reading->browser->RaiseBeforeNavigate(reading->decision, reading->url, &snapshot);
          }
          if (value) g_object_unref(value);
        },
        reading);
  }

  void RaiseBeforeNavigate(WebKitPolicyDecision* decision, const std::u16string& url, Snapshot* snapshot) {
    const std::shared_ptr<bool> alive = alive_;
    bool cancel = false;
    snapshot_ = snapshot;
    if (events.before_navigate2) {
      try {
        events.before_navigate2(url, cancel);
      } catch (...) {
      }
    }
    if (!*alive) return;  // the browser went inside the handler and dropped the decision
    snapshot_ = nullptr;
    Release(decision, !cancel);
    waiting_ = false;
    Drain();
  }

  void Release(WebKitPolicyDecision* decision, bool use) {
    for (auto it = held_.begin(); it != held_.end(); ++it) {
      if (*it == decision) {
        held_.erase(it);
        break;
      }
    }
    if (use) {
      webkit_policy_decision_use(decision);
    } else {
      webkit_policy_decision_ignore(decision);
    }
    g_object_unref(decision);
  }

  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                 gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
      // The server answered with an error status: the control reports it as a failed navigation
      // (and then shows the server's page).
      auto* response_decision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
      WebKitURIResponse* response = webkit_response_policy_decision_get_response(response_decision);
      const guint status = response ? webkit_uri_response_get_status_code(response) : 0;
      if (status >= 400 && webkit_response_policy_decision_is_main_frame_main_resource(response_decision)) {
        const std::u16string url = Utf16(webkit_uri_response_get_uri(response));
        self->Enqueue([self, url, status] { self->RaiseNavigateError(url, static_cast<std::int32_t>(status)); });
      }
      return FALSE;
    }
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;  // new windows: "create"
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const std::u16string url = Utf16(request ? webkit_uri_request_get_uri(request) : nullptr);
    const bool reload = webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_RELOAD;
    g_object_ref(decision);
    self->held_.push_back(decision);
    if (reload) {
      // A reload raises no BeforeNavigate2, as with the system's control.
      self->Enqueue([self, decision] { self->Release(decision, true); });
    } else {
      self->Enqueue([self, decision, url] { self->ReadDocumentThenRaise(decision, url); });
    }
    return TRUE;
  }

  void RaiseNavigateError(const std::u16string& url, std::int32_t status) {
    bool cancel = false;
    if (events.navigate_error) events.navigate_error(url, u"", status, cancel);
  }

  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent load_event, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    if (load_event != WEBKIT_LOAD_FINISHED) return;
    const std::u16string url = Utf16(webkit_web_view_get_uri(view));
    self->Enqueue([self, url] {
      if (self->events.document_complete) self->events.document_complete(url);
    });
  }

  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* failing_uri, GError* error, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    // A load the launcher cancelled or stopped is no failure.
    if (error && ((error->domain == WEBKIT_NETWORK_ERROR && error->code == WEBKIT_NETWORK_ERROR_CANCELLED) ||
                  (error->domain == WEBKIT_POLICY_ERROR &&
                   error->code == WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE))) {
      return FALSE;
    }
    const std::u16string url = Utf16(failing_uri);
    const std::int32_t status = StatusOfError(error);
    if (self->waiting_ || !self->pending_.empty()) {
      self->Enqueue([self, url, status] { self->RaiseNavigateError(url, status); });
      return FALSE;
    }
    bool cancel = false;
    try {
      if (self->events.navigate_error) self->events.navigate_error(url, u"", status, cancel);
    } catch (...) {
    }
    // Cancel suppresses the error page.
    return cancel;
  }

  static void OnTitle(WebKitWebView* view, GParamSpec*, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    const std::u16string title = Utf16(webkit_web_view_get_title(view));
    self->Enqueue([self, title] {
      if (self->events.title_change) self->events.title_change(title);
    });
  }

  static void OnFrameComplete(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    char* text = value ? jsc_value_to_string(value) : nullptr;
    const std::u16string url = Utf16(text);
    g_free(text);
    self->Enqueue([self, url] {
      if (self->events.document_complete) self->events.document_complete(url);
    });
  }

  static GtkWidget* OnCreate(WebKitWebView* related, WebKitNavigationAction* action, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const std::u16string url = Utf16(request ? webkit_uri_request_get_uri(request) : nullptr);
    bool cancel = false;
    try {
      if (self->events.new_window3) self->events.new_window3(url, u"", 0, cancel);
    } catch (...) {
      cancel = true;
    }
    if (cancel) return nullptr;
    return OnPopupCreate(related, action, nullptr);
  }

  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer data) {
    return static_cast<WebKitBrowser*>(data)->settings_.suppress_context_menus;
  }

  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    const guint state = event->state & (GDK_CONTROL_MASK | GDK_SHIFT_MASK | GDK_MOD1_MASK);
    const bool n = event->keyval == GDK_KEY_n || event->keyval == GDK_KEY_N;
    // Ctrl+N opens no new window, and the page does not see it either.
    return self->settings_.swallow_ctrl_n &&
           IsCtrlNShortcut(win::WM_KEYDOWN, n ? 'N' : 0, (state & GDK_CONTROL_MASK) != 0, (state & GDK_SHIFT_MASK) != 0,
                           (state & GDK_MOD1_MASK) != 0);
  }

  GtkWindows* windows_;
  Rect bounds_;
  BrowserHostSettings settings_;
  std::shared_ptr<bool> alive_;
  WebKitUserContentManager* content_ = nullptr;
  GtkWidget* view_ = nullptr;
  WindowHandle host_ = kNoWindow;
  WindowHandle inner_ = kNoWindow;
  std::vector<std::pair<gpointer, gulong>> connections_;
  std::vector<WebKitPolicyDecision*> held_;
  std::deque<std::function<void()>> pending_;
  bool waiting_ = false;
  Snapshot* snapshot_ = nullptr;
};

}  // namespace

EnvironmentProxy ProxyFromEnvironment() {
  EnvironmentProxy proxy;
  const char* address = std::getenv("http_proxy");
  if (!address || !*address) address = std::getenv("HTTP_PROXY");
  if (address && *address) {
    proxy.address = address;
    if (proxy.address.find("://") == std::string::npos) proxy.address = "http://" + proxy.address;
  }
  const char* none = std::getenv("no_proxy");
  if (!none || !*none) none = std::getenv("NO_PROXY");
  std::string hosts = none ? none : "";
  std::size_t start = 0;
  while (start <= hosts.size()) {
    std::size_t end = hosts.find(',', start);
    if (end == std::string::npos) end = hosts.size();
    std::string host = hosts.substr(start, end - start);
    start = end + 1;
    while (!host.empty() && host.front() == ' ') host.erase(host.begin());
    while (!host.empty() && host.back() == ' ') host.pop_back();
    if (!host.empty()) proxy.ignore_hosts.push_back(host);
  }
  return proxy;
}

WebKitBrowserFactory::WebKitBrowserFactory(GtkWindows* windows) : windows_(windows) {}

WebKitBrowserFactory::~WebKitBrowserFactory() {
  if (context_) g_object_unref(context_);
}

WebKitWebContext* WebKitBrowserFactory::Context() {
  if (context_) return context_;
  // The launcher's own places, so that clearing the website data clears only the launcher's.
  const std::string data = LauncherWebDataFolder();
  const std::string cache = LauncherCacheFolder();
  WebKitWebsiteDataManager* manager =
      data.empty() ? webkit_website_data_manager_new_ephemeral()
                   : webkit_website_data_manager_new("base-data-directory", data.c_str(), "base-cache-directory",
                                                     cache.empty() ? nullptr : cache.c_str(), nullptr);
  // The environment's proxy, set explicitly: a desktop's own proxy settings would win otherwise.
  const EnvironmentProxy proxy = ProxyFromEnvironment();
  if (!proxy.address.empty()) {
    std::vector<const gchar*> ignore;
    for (const std::string& host : proxy.ignore_hosts) ignore.push_back(host.c_str());
    ignore.push_back(nullptr);
    WebKitNetworkProxySettings* settings = webkit_network_proxy_settings_new(proxy.address.c_str(), ignore.data());
    webkit_website_data_manager_set_network_proxy_settings(manager, WEBKIT_NETWORK_PROXY_MODE_CUSTOM, settings);
    webkit_network_proxy_settings_free(settings);
  }
  context_ = webkit_web_context_new_with_website_data_manager(manager);
  g_object_unref(manager);
  return context_;
}

std::unique_ptr<Browser> WebKitBrowserFactory::CreateBrowser(WindowHandle parent, const Rect& bounds,
                                                             const BrowserHostSettings& settings) {
  if (!windows_ || !windows_->ChildContainer(parent)) return nullptr;
  return std::make_unique<WebKitBrowser>(windows_, parent, Context(), bounds, settings);
}

}  // namespace vkr::gtk
