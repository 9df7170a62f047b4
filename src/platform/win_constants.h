// Windows constants used by the core's rules, defined by value so that the core never includes
// a Windows header. Each name is the system's own.
#pragma once

#include <cstdint>

namespace vkr::win {

// Registry roots (predefined key handles).
constexpr std::uint64_t HKEY_CLASSES_ROOT = 0x80000000u;
constexpr std::uint64_t HKEY_CURRENT_USER = 0x80000001u;
constexpr std::uint64_t HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr std::uint64_t HKEY_USERS = 0x80000003u;

// Registry access masks and views.
constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr std::uint32_t KEY_READ = 0x20019;
constexpr std::uint32_t KEY_WRITE = 0x20006;
constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
constexpr std::uint32_t KEY_WOW64_64KEY = 0x0100;
constexpr std::uint32_t KEY_WOW64_32KEY = 0x0200;
constexpr std::uint32_t STANDARD_RIGHTS_READ = 0x20000;

// Registry value types.
constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_EXPAND_SZ = 2;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;
constexpr std::uint32_t REG_MULTI_SZ = 7;
constexpr std::uint32_t REG_QWORD = 11;

// Error codes.
constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_FILE_NOT_FOUND = 2;
constexpr long ERROR_PATH_NOT_FOUND = 3;
constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr long ERROR_WRITE_FAULT = 29;
constexpr long ERROR_INVALID_PARAMETER = 87;
constexpr long ERROR_MORE_DATA = 234;
constexpr long ERROR_NO_MORE_ITEMS = 259;

// WinINet error codes.
constexpr long ERROR_INTERNET_TIMEOUT = 12002;
constexpr long ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr long ERROR_INTERNET_INVALID_URL = 12005;
constexpr long ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
constexpr long ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr long ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr long ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr long ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr long ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;

// Status codes of a failed page load (the browser control's navigation errors).
constexpr std::int32_t INET_E_CANNOT_CONNECT = static_cast<std::int32_t>(0x800C0004u);
constexpr std::int32_t INET_E_RESOURCE_NOT_FOUND = static_cast<std::int32_t>(0x800C0005u);
constexpr std::int32_t INET_E_DOWNLOAD_FAILURE = static_cast<std::int32_t>(0x800C0008u);

// File attributes.
constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr std::uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

// Shell special folders (CSIDL).
constexpr int CSIDL_PROGRAMS = 2;
constexpr int CSIDL_PERSONAL = 5;
constexpr int CSIDL_STARTMENU = 11;
constexpr int CSIDL_DESKTOPDIRECTORY = 16;
constexpr int CSIDL_COMMON_STARTMENU = 22;
constexpr int CSIDL_COMMON_PROGRAMS = 23;
constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 25;
constexpr int CSIDL_APPDATA = 26;
constexpr int CSIDL_COMMON_APPDATA = 35;
constexpr int CSIDL_WINDOWS = 36;
constexpr int CSIDL_SYSTEM = 37;
constexpr int CSIDL_PROGRAM_FILES = 38;
constexpr int CSIDL_PROFILE = 40;

// Show states.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// Process creation flags.
constexpr std::uint32_t NORMAL_PRIORITY_CLASS = 0x20;
constexpr std::uint32_t IDLE_PRIORITY_CLASS = 0x40;
constexpr std::uint32_t CREATE_NEW_PROCESS_GROUP = 0x200;

// Shell execution: a result above 32 is success; below, an error such as this one.
constexpr std::intptr_t SE_ERR_FNF = 2;

// Message boxes: buttons, icon and default button, each a field of the type (its mask).
constexpr std::uint32_t MB_OK = 0x0;
constexpr std::uint32_t MB_OKCANCEL = 0x1;
constexpr std::uint32_t MB_YESNOCANCEL = 0x3;
constexpr std::uint32_t MB_YESNO = 0x4;
constexpr std::uint32_t MB_RETRYCANCEL = 0x5;
constexpr std::uint32_t MB_TYPEMASK = 0xF;
constexpr std::uint32_t MB_ICONERROR = 0x10;
constexpr std::uint32_t MB_ICONQUESTION = 0x20;
constexpr std::uint32_t MB_ICONWARNING = 0x30;
constexpr std::uint32_t MB_ICONINFORMATION = 0x40;
constexpr std::uint32_t MB_ICONMASK = 0xF0;
constexpr std::uint32_t MB_DEFBUTTON2 = 0x100;
constexpr std::uint32_t MB_DEFMASK = 0xF00;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDRETRY = 4;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// More shell special folders (CSIDL): the uninstaller never removes one of them whole.
constexpr int CSIDL_DESKTOP = 0;
constexpr int CSIDL_FAVORITES = 6;
constexpr int CSIDL_STARTUP = 7;
constexpr int CSIDL_RECENT = 8;
constexpr int CSIDL_SENDTO = 9;
constexpr int CSIDL_MYMUSIC = 13;
constexpr int CSIDL_MYVIDEO = 14;
constexpr int CSIDL_NETHOOD = 19;
constexpr int CSIDL_FONTS = 20;
constexpr int CSIDL_TEMPLATES = 21;
constexpr int CSIDL_COMMON_STARTUP = 24;
constexpr int CSIDL_PRINTHOOD = 27;
constexpr int CSIDL_LOCAL_APPDATA = 28;
constexpr int CSIDL_COMMON_FAVORITES = 31;
constexpr int CSIDL_INTERNET_CACHE = 32;
constexpr int CSIDL_COOKIES = 33;
constexpr int CSIDL_HISTORY = 34;
constexpr int CSIDL_MYPICTURES = 39;
constexpr int CSIDL_SYSTEMX86 = 41;
constexpr int CSIDL_PROGRAM_FILESX86 = 42;
constexpr int CSIDL_PROGRAM_FILES_COMMON = 43;
constexpr int CSIDL_PROGRAM_FILES_COMMONX86 = 44;
constexpr int CSIDL_COMMON_TEMPLATES = 45;
constexpr int CSIDL_COMMON_DOCUMENTS = 46;
constexpr int CSIDL_COMMON_ADMINTOOLS = 47;
constexpr int CSIDL_ADMINTOOLS = 48;
constexpr int CSIDL_COMMON_MUSIC = 53;
constexpr int CSIDL_COMMON_PICTURES = 54;
constexpr int CSIDL_COMMON_VIDEO = 55;
constexpr int CSIDL_RESOURCES = 56;
constexpr int CSIDL_CDBURN_AREA = 59;

// Device access and sharing (CreateFileW).
constexpr std::uint32_t GENERIC_READ = 0x80000000u;
constexpr std::uint32_t GENERIC_WRITE = 0x40000000u;
constexpr std::uint32_t FILE_SHARE_READ = 0x1;
constexpr std::uint32_t FILE_SHARE_WRITE = 0x2;
constexpr std::uint32_t FILE_SHARE_DELETE = 0x4;

// Drive control codes (DeviceIoControl).
constexpr std::uint32_t SMART_GET_VERSION = 0x00074080u;
constexpr std::uint32_t SMART_RCV_DRIVE_DATA = 0x0007C088u;
constexpr std::uint32_t IOCTL_STORAGE_QUERY_PROPERTY = 0x002D1400u;

// Thread priorities.
constexpr std::int32_t THREAD_PRIORITY_TIME_CRITICAL = 15;
constexpr std::int32_t THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

// Processor architectures (SYSTEM_INFO).
constexpr std::uint16_t PROCESSOR_ARCHITECTURE_INTEL = 0;
constexpr std::uint16_t PROCESSOR_ARCHITECTURE_IA64 = 6;
constexpr std::uint16_t PROCESSOR_ARCHITECTURE_AMD64 = 9;
constexpr std::uint16_t PROCESSOR_ARCHITECTURE_UNKNOWN = 0xFFFF;

// Version record: product type and suite bits (OSVERSIONINFOEX).
constexpr std::uint8_t VER_NT_WORKSTATION = 1;
constexpr std::uint16_t VER_SUITE_SMALLBUSINESS = 0x0001;
constexpr std::uint16_t VER_SUITE_ENTERPRISE = 0x0002;
constexpr std::uint16_t VER_SUITE_DATACENTER = 0x0080;
constexpr std::uint16_t VER_SUITE_PERSONAL = 0x0200;
constexpr std::uint16_t VER_SUITE_BLADE = 0x0400;
constexpr std::uint16_t VER_SUITE_WH_SERVER = 0x8000;

// Token group attributes.
constexpr std::uint32_t SE_GROUP_ENABLED = 0x04;
constexpr std::uint32_t SE_GROUP_USE_FOR_DENY_ONLY = 0x10;

// Browser host-information flags (IDocHostUIHandler::GetHostInfo).
constexpr std::uint32_t DOCHOSTUIFLAG_DIALOG = 0x00001;
constexpr std::uint32_t DOCHOSTUIFLAG_DISABLE_HELP_MENU = 0x00002;
constexpr std::uint32_t DOCHOSTUIFLAG_NO3DBORDER = 0x00004;
constexpr std::uint32_t DOCHOSTUIFLAG_SCROLL_NO = 0x00008;
constexpr std::uint32_t DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE = 0x04000;
constexpr std::uint32_t DOCHOSTUIFLAG_THEME = 0x40000;

// Window messages.
constexpr std::uint32_t WM_SIZE = 0x0005;
constexpr std::uint32_t WM_CLOSE = 0x0010;
constexpr std::uint32_t WM_NULL = 0x0000;
constexpr std::uint32_t WM_SETCURSOR = 0x0020;
constexpr std::uint32_t WM_GETMINMAXINFO = 0x0024;
constexpr std::uint32_t WM_NCHITTEST = 0x0084;
constexpr std::uint32_t WM_KEYDOWN = 0x0100;
constexpr std::uint32_t WM_KEYUP = 0x0101;
constexpr std::uint32_t WM_CHAR = 0x0102;
constexpr std::uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr std::uint32_t WM_SYSKEYUP = 0x0105;
constexpr std::uint32_t WM_UNICHAR = 0x0109;
constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
constexpr std::uint32_t WM_TIMER = 0x0113;
constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
constexpr std::uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr std::uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr std::uint32_t WM_MBUTTONUP = 0x0208;
constexpr std::uint32_t WM_MBUTTONDBLCLK = 0x0209;
constexpr std::uint32_t WM_MOUSELEAVE = 0x02A3;
constexpr std::uint32_t WM_CAPTURECHANGED = 0x0215;
constexpr std::uint32_t WM_USER = 0x0400;

// Size kinds (wParam of WM_SIZE).
constexpr std::uintptr_t SIZE_RESTORED = 0;
constexpr std::uintptr_t SIZE_MINIMIZED = 1;
constexpr std::uintptr_t SIZE_MAXIMIZED = 2;

// Mouse-message key flags (wParam of mouse messages).
constexpr std::uint32_t MK_LBUTTON = 0x0001;
constexpr std::uint32_t MK_RBUTTON = 0x0002;
constexpr std::uint32_t MK_SHIFT = 0x0004;
constexpr std::uint32_t MK_CONTROL = 0x0008;
constexpr std::uint32_t MK_MBUTTON = 0x0010;

// Hit-test answers of WM_NCHITTEST.
constexpr std::intptr_t HTNOWHERE = 0;
constexpr std::intptr_t HTCLIENT = 1;
constexpr std::intptr_t HTCAPTION = 2;
constexpr std::intptr_t HTLEFT = 10;
constexpr std::intptr_t HTRIGHT = 11;
constexpr std::intptr_t HTTOP = 12;
constexpr std::intptr_t HTTOPLEFT = 13;
constexpr std::intptr_t HTTOPRIGHT = 14;
constexpr std::intptr_t HTBOTTOM = 15;
constexpr std::intptr_t HTBOTTOMLEFT = 16;
constexpr std::intptr_t HTBOTTOMRIGHT = 17;

// System commands.
constexpr std::uintptr_t SC_SIZE = 0xF000;
constexpr std::uintptr_t SC_MOVE = 0xF010;
constexpr std::uintptr_t SC_MINIMIZE = 0xF020;
constexpr std::uintptr_t SC_MAXIMIZE = 0xF030;
constexpr std::uintptr_t SC_CLOSE = 0xF060;
constexpr std::uintptr_t SC_RESTORE = 0xF120;

// Window styles.
constexpr std::uint32_t WS_POPUP = 0x80000000u;
constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
constexpr std::uint32_t WS_CLIPCHILDREN = 0x02000000u;
constexpr std::uint32_t WS_CLIPSIBLINGS = 0x04000000u;
constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000u;
constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000u;
constexpr std::uint32_t WS_EX_TOOLWINDOW = 0x00000080u;
constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000u;
constexpr std::uint32_t WS_EX_LAYERED = 0x00080000u;

// Virtual keys.
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_DELETE = 0x2E;

// Notification-area icon.
constexpr std::uint32_t NIM_ADD = 0;
constexpr std::uint32_t NIM_MODIFY = 1;
constexpr std::uint32_t NIM_DELETE = 2;
constexpr std::uint32_t NIF_MESSAGE = 0x1;
constexpr std::uint32_t NIF_ICON = 0x2;
constexpr std::uint32_t NIF_TIP = 0x4;

}  // namespace vkr::win
