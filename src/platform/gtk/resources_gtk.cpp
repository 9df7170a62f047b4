#include <cstddef>
#include <cstring>

#include "platform/gtk/text_gtk.h"
#include "platform/gtk/ui_gtk.h"

namespace vkr::gtk {

// Filled by the build from the same list as the Windows program's resource script.
struct EmbeddedResource {
  const char* name;
  const unsigned char* data;
  std::size_t size;
};
extern const EmbeddedResource kEmbeddedResources[];
extern const std::size_t kEmbeddedResourceCount;

bool EmbeddedResources::Load(const std::u16string& name, std::string* bytes) {
  const std::string wanted = Utf8(name);
  for (std::size_t i = 0; i < kEmbeddedResourceCount; ++i) {
    if (wanted == kEmbeddedResources[i].name) {
      bytes->assign(reinterpret_cast<const char*>(kEmbeddedResources[i].data), kEmbeddedResources[i].size);
      return true;
    }
  }
  return false;
}

}  // namespace vkr::gtk
