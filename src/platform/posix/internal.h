// Hooks between the parts of the POSIX backend.
#pragma once

#include <string>

namespace plat {
namespace posix {

void ResetRegistryStore();  // registry.cpp: empty store, empty write record
void ResetProfileCache();   // profile.cpp: forget cached files
void ResetLzHandles();      // lz.cpp: close every open handle
bool PowerArmed();          // power.cpp: power cuts are being tried

}  // namespace posix
}  // namespace plat
