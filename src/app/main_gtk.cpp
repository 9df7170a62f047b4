// Composition root of the Linux edition: builds the GTK system layer, installs it and runs the
// program.

#include <curl/curl.h>
#include <unistd.h>

#include <clocale>

#include "app/program.h"
#include "platform/gtk/gtk_system.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  int exit_code = 1;
  try {
    // Before any thread: libcurl's global state is not thread-safe to set up.
    if (curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {
      vkr::InstallSystem(vkr::gtk::CreateGtkSystem(argc, argv));
      exit_code = vkr::RunProgram();
    }
  } catch (...) {
    // The last funnel: an error that escaped the program ends it quietly.
    exit_code = 1;
  }
  // Ending here, rather than returning to the runtime, stops the detached workers before any
  // process-wide value is destroyed: a worker still sending a report must never see a freed
  // object.
  ::_exit(exit_code);
}
