// Registry set-up and read-back for the engine tests, on both backends.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace testing_registry {

// Applies REGEDIT4 text ("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\...]\r\n..."): natively
// into the store, under Wine through regedit /S (HKEY_DYN_DATA included).
bool Load(const std::string& regText);

// Removes a key and everything below it (setup between scenarios).
void DeleteTree(const std::string& fullKeyPath);  // "HKEY_LOCAL_MACHINE\\Enum\\Root\\VelorMouse"

struct Value {
    bool present = false;
    uint32_t type = 0;
    std::string data;  // raw bytes as stored, length included
};
Value Read(const std::string& fullKeyPath, const std::string& valueName);
bool KeyExists(const std::string& fullKeyPath);
std::vector<std::string> Subkeys(const std::string& fullKeyPath);  // enumeration order

}  // namespace testing_registry
