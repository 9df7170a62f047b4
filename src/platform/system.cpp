#include "platform/system.h"

namespace vkr {
namespace {
System g_system;
}  // namespace

System& Sys() { return g_system; }

void InstallSystem(const System& system) { g_system = system; }

}  // namespace vkr
