// Placeholder until the REGEDIT4 store lands: every call fails.
#include "platform/registry.h"

#include "platform/posix/internal.h"
#include "platform/posix/machine.h"

namespace plat {
RegKey ClassesRoot() { return reinterpret_cast<RegKey>(0x80000000ul); }
RegKey LocalMachine() { return reinterpret_cast<RegKey>(0x80000002ul); }
RegKey DynData() { return reinterpret_cast<RegKey>(0x80000006ul); }
long RegOpen(RegKey, const char*, RegKey*) { return kErrFileNotFound; }
long RegCreate(RegKey, const char*, RegKey*) { return kErrAccessDenied; }
long RegEnumSubkey(RegKey, uint32_t, char*, uint32_t) { return kErrNoMoreItems; }
long RegQuery(RegKey, const char*, uint32_t*, void*, uint32_t*) { return kErrFileNotFound; }
long RegSet(RegKey, const char*, uint32_t, const void*, uint32_t) { return kErrAccessDenied; }
long RegClose(RegKey) { return kErrSuccess; }
namespace posix {
void ResetRegistryStore() {}
bool RegistryLoadFile(const std::string&) { return false; }
bool RegistryLoadText(const std::string&) { return false; }
bool RegistrySaveFile(const std::string&) { return false; }
std::string RegistrySaveText() { return ""; }
void RegistryClear() {}
static std::vector<RegWrite> gWrites;
const std::vector<RegWrite>& RegistryWrites() { return gWrites; }
void ClearRegistryWrites() {}
}  // namespace posix
}  // namespace plat
