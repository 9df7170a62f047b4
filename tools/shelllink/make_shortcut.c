/* Creates a shell link: make_shortcut LINK TARGET writes the shortcut file LINK (a .lnk path) that
 * starts TARGET. The e2e tests use it to put desktop and start-menu shortcuts into a prefix the way
 * an installer would. Exit code 0 on success, 1 on failure, 2 on bad usage. */
#define COBJMACROS
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

int main(void) {
  int count = 0;
  WCHAR** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == NULL || count != 3) return 2;
  int result = 1;
  if (SUCCEEDED(CoInitialize(NULL))) {
    IShellLinkW* link = NULL;
    if (SUCCEEDED(CoCreateInstance(&CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, &IID_IShellLinkW, (void**)&link))) {
      IPersistFile* file = NULL;
      if (SUCCEEDED(IShellLinkW_SetPath(link, arguments[2])) &&
          SUCCEEDED(IShellLinkW_QueryInterface(link, &IID_IPersistFile, (void**)&file))) {
        if (SUCCEEDED(IPersistFile_Save(file, arguments[1], TRUE))) result = 0;
        IPersistFile_Release(file);
      }
      IShellLinkW_Release(link);
    }
    CoUninitialize();
  }
  LocalFree(arguments);
  return result;
}
