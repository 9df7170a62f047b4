// A scratch folder under /tmp for one test, removed with everything in it when it goes out of
// scope, on every path out of the test (a failed assertion returns early).
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace vkr::gtk {

class ScratchFolder {
 public:
  // The folder is /tmp/<prefix>-XXXXXX; the path is empty when it could not be made.
  explicit ScratchFolder(const std::string& prefix = "vkr-gtk-test") {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~ScratchFolder() {
    // Links inside are removed, never followed.
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  operator const std::string&() const { return path_; }

 private:
  std::string path_;
};

}  // namespace vkr::gtk
