#include "fakes/fake_desktop.h"

#include <algorithm>

namespace vkr::testing {

std::u16string FakeDesktop::DataDir() {
  ++data_dir_calls;
  if (!data_dir.empty()) files_.CreateDirectories(data_dir);
  return data_dir;
}

std::vector<std::uint32_t> FakeDesktop::OtherCopies() {
  ++other_copy_lists;
  std::vector<std::uint32_t> running;
  for (const std::uint32_t id : other_copies) {
    const bool ended = terminated && std::find(terminated->begin(), terminated->end(), id) != terminated->end() &&
                       std::find(unkillable.begin(), unkillable.end(), id) == unkillable.end();
    if (!ended) running.push_back(id);
  }
  return running;
}

}  // namespace vkr::testing
