// Registry set-up for the native tests: straight into the store. Reads go
// through the registry calls, so faults injected by a test apply to them.
#include <map>

#include "platform/posix/machine.h"
#include "platform/registry.h"
#include "support/test_registry.h"

namespace testing_registry {

namespace {

// Opens a full path ("HKEY_LOCAL_MACHINE\\..."); false when missing.
bool OpenFull(const std::string& fullKeyPath, plat::RegKey* out) {
    static const std::map<std::string, plat::RegKey> roots = {
        {"HKEY_LOCAL_MACHINE", plat::LocalMachine()},
        {"HKEY_CLASSES_ROOT", plat::ClassesRoot()},
        {"HKEY_DYN_DATA", plat::DynData()},
    };
    size_t cut = fullKeyPath.find('\\');
    std::string rootName = fullKeyPath.substr(0, cut);
    auto root = roots.find(rootName);
    if (root == roots.end()) {
        return false;
    }
    std::string sub = cut == std::string::npos ? "" : fullKeyPath.substr(cut + 1);
    return plat::RegOpen(root->second, sub.c_str(), out) == plat::kErrSuccess;
}

}  // namespace

bool Load(const std::string& regText) {
    return plat::posix::RegistryLoadText(regText);
}

void DeleteTree(const std::string& fullKeyPath) {
    plat::posix::RegistryLoadText("REGEDIT4\r\n\r\n[-" + fullKeyPath + "]\r\n");
}

Value Read(const std::string& fullKeyPath, const std::string& valueName) {
    Value v;
    plat::RegKey key;
    if (!OpenFull(fullKeyPath, &key)) {
        return v;
    }
    uint32_t size = 0;
    if (plat::RegQuery(key, valueName.c_str(), &v.type, nullptr, &size) == plat::kErrSuccess) {
        std::string data(size, '\0');
        if (plat::RegQuery(key, valueName.c_str(), &v.type, &data[0], &size) == plat::kErrSuccess) {
            v.present = true;
            v.data = data.substr(0, size);
        }
    }
    plat::RegClose(key);
    return v;
}

bool KeyExists(const std::string& fullKeyPath) {
    plat::RegKey key;
    if (!OpenFull(fullKeyPath, &key)) {
        return false;
    }
    plat::RegClose(key);
    return true;
}

std::vector<std::string> Subkeys(const std::string& fullKeyPath) {
    std::vector<std::string> names;
    plat::RegKey key;
    if (!OpenFull(fullKeyPath, &key)) {
        return names;
    }
    char name[256];
    for (uint32_t i = 0; plat::RegEnumSubkey(key, i, name, sizeof name) == plat::kErrSuccess; i++) {
        names.push_back(name);
    }
    plat::RegClose(key);
    return names;
}

}  // namespace testing_registry
