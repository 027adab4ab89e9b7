// The scratch machine under Wine: a new directory C:\setuptests\<pid>-<n>
// for every Reset, on the prefix's real drive C:.
#include <windows.h>

#include <vector>

#include "model/texts.h"
#include "support/test_machine.h"

namespace testing_machine {

namespace {

std::string gScratch;
int gCount = 0;
std::vector<HANDLE> gHeld;

// Removes a directory tree (scratch dirs of this process only).
void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            std::string path = dir + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

}  // namespace

std::string Reset() {
    ReleaseHeld();
    if (!gScratch.empty()) {
        RemoveTree(gScratch);
    }
    gCount++;
    gScratch =
        "C:\\setuptests\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(gCount);
    RemoveTree(gScratch);
    MakeDirs(gScratch);
    ResetSetupScript(gScript);
    ResetInstallChoices(gChoices);
    gTexts = LoadedTexts();  // as at a program's start: the first text in buffer 0
    UseTextsOf(GetModuleHandleA(nullptr), nullptr);
    return gScratch;
}

std::string Path(const std::string& relative) {
    if (gScratch.empty()) {
        Reset();
    }
    return relative.empty() ? gScratch : gScratch + "\\" + relative;
}

bool MakeDirs(const std::string& dosPath) {
    for (size_t i = 3; i <= dosPath.size(); i++) {
        if (i == dosPath.size() || dosPath[i] == '\\') {
            CreateDirectoryA(dosPath.substr(0, i).c_str(), nullptr);
        }
    }
    DWORD attributes = GetFileAttributesA(dosPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteFile(const std::string& dosPath, const std::string& bytes) {
    size_t cut = dosPath.find_last_of('\\');
    if (cut != std::string::npos && cut > 2 && !MakeDirs(dosPath.substr(0, cut))) {
        return false;
    }
    HANDLE file = CreateFileA(dosPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ok = CloseHandle(file) && ok;
    return ok && written == bytes.size();
}

bool ReadFile(const std::string& dosPath, std::string* bytes) {
    HANDLE file = CreateFileA(dosPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bytes->clear();
    char buf[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ::ReadFile(file, buf, sizeof buf, &got, nullptr) != 0) && got > 0) {
        bytes->append(buf, got);
    }
    CloseHandle(file);
    return ok;
}

bool Exists(const std::string& dosPath) {
    return GetFileAttributesA(dosPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Opened for reading without sharing writes, as the loader maps a program.
bool Hold(const std::string& dosPath) {
    HANDLE file = CreateFileA(dosPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    gHeld.push_back(file);
    return true;
}

void ReleaseHeld() {
    for (HANDLE file : gHeld) {
        CloseHandle(file);
    }
    gHeld.clear();
}

bool IsNative() {
    return false;
}

}  // namespace testing_machine
