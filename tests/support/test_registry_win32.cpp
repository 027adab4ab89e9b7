// Registry set-up for the tests under Wine: the prefix's real registry,
// loaded through Wine's own regedit so HKEY_DYN_DATA can be filled too.
#include <windows.h>

#include "support/test_registry.h"

namespace testing_registry {

namespace {

HKEY RootOf(const std::string& fullKeyPath, std::string* sub) {
    size_t cut = fullKeyPath.find('\\');
    std::string root = fullKeyPath.substr(0, cut);
    *sub = cut == std::string::npos ? "" : fullKeyPath.substr(cut + 1);
    if (root == "HKEY_LOCAL_MACHINE") {
        return HKEY_LOCAL_MACHINE;
    }
    if (root == "HKEY_CLASSES_ROOT") {
        return HKEY_CLASSES_ROOT;
    }
    if (root == "HKEY_DYN_DATA") {
        return HKEY_DYN_DATA;
    }
    return nullptr;
}

bool OpenFull(const std::string& fullKeyPath, REGSAM access, HKEY* out) {
    std::string sub;
    HKEY root = RootOf(fullKeyPath, &sub);
    return root != nullptr && RegOpenKeyExA(root, sub.c_str(), 0, access, out) == ERROR_SUCCESS;
}

// Deletes every subkey of key, then key's own entry below parent: NT-style
// registries refuse to delete a key that still has subkeys.
void DeleteBelow(HKEY parent, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return;
    }
    char child[256];
    DWORD size = sizeof child;
    while (RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS) {
        DeleteBelow(key, child);
        size = sizeof child;
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, name);
}

}  // namespace

bool Load(const std::string& regText) {
    char dir[MAX_PATH];
    char file[MAX_PATH];
    if (GetTempPathA(sizeof dir, dir) == 0 || GetTempFileNameA(dir, "reg", 0, file) == 0) {
        return false;
    }
    HANDLE h = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL wrote =
        WriteFile(h, regText.data(), static_cast<DWORD>(regText.size()), &written, nullptr);
    CloseHandle(h);
    bool ok = false;
    char windows[MAX_PATH];
    if (wrote && written == regText.size() && GetWindowsDirectoryA(windows, sizeof windows) != 0) {
        std::string command = std::string("\"") + windows + "\\regedit.exe\" /S \"" + file + "\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                           &pi)) {
            WaitForSingleObject(pi.hProcess, 60000);
            DWORD code = 1;
            GetExitCodeProcess(pi.hProcess, &code);
            ok = code == 0;
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    }
    DeleteFileA(file);
    return ok;
}

void DeleteTree(const std::string& fullKeyPath) {
    std::string sub;
    HKEY root = RootOf(fullKeyPath, &sub);
    if (root == nullptr || sub.empty()) {
        return;
    }
    size_t cut = sub.find_last_of('\\');
    if (cut == std::string::npos) {
        DeleteBelow(root, sub.c_str());
        return;
    }
    HKEY parent;
    if (RegOpenKeyExA(root, sub.substr(0, cut).c_str(), 0, KEY_ALL_ACCESS, &parent) ==
        ERROR_SUCCESS) {
        DeleteBelow(parent, sub.substr(cut + 1).c_str());
        RegCloseKey(parent);
    }
}

Value Read(const std::string& fullKeyPath, const std::string& valueName) {
    Value v;
    HKEY key;
    if (!OpenFull(fullKeyPath, KEY_READ, &key)) {
        return v;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, valueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::string data(size + 1, '\0');
        if (RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(&data[0]), &size) == ERROR_SUCCESS) {
            v.present = true;
            v.type = type;
            v.data = data.substr(0, size);
        }
    }
    RegCloseKey(key);
    return v;
}

bool KeyExists(const std::string& fullKeyPath) {
    HKEY key;
    if (!OpenFull(fullKeyPath, KEY_READ, &key)) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::vector<std::string> Subkeys(const std::string& fullKeyPath) {
    std::vector<std::string> names;
    HKEY key;
    if (!OpenFull(fullKeyPath, KEY_READ, &key)) {
        return names;
    }
    char name[256];
    DWORD size = sizeof name;
    for (DWORD i = 0;
         RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         i++) {
        names.push_back(name);
        size = sizeof name;
    }
    RegCloseKey(key);
    return names;
}

}  // namespace testing_registry
