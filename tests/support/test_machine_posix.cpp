// The scratch machine natively: a fresh fake machine directory for every
// Reset, below one temporary directory that goes away when the tests end.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "model/native_strings.h"
#include "model/texts.h"
#include "platform/posix/machine.h"
#include "support/test_machine.h"

namespace testing_machine {

namespace {

namespace fs = std::filesystem;

std::string gBase;     // host directory holding every machine of this run
std::string gScratch;  // DOS path of the current scratch root
int gCount = 0;

void RemoveBase() {
    if (!gBase.empty()) {
        std::error_code ec;
        fs::remove_all(gBase, ec);
    }
}

const std::string& Base() {
    if (gBase.empty()) {
        std::string pattern = (fs::temp_directory_path() / "setup-machine-XXXXXX").string();
        char* made = mkdtemp(&pattern[0]);
        if (made == nullptr) {
            std::perror("mkdtemp");
            abort();
        }
        gBase = made;
        atexit(RemoveBase);
    }
    return gBase;
}

std::string Host(const std::string& dosPath) {
    return plat::posix::HostPath(dosPath.c_str());
}

}  // namespace

std::string Reset() {
    std::error_code ec;
    std::string root = Base() + "/m" + std::to_string(++gCount);
    // Only one machine lives at a time: drop the last one's files.
    fs::remove_all(Base() + "/m" + std::to_string(gCount - 1), ec);
    fs::remove_all(root, ec);

    plat::posix::MachineConfig config;
    config.root = root;
    plat::posix::MachineReset(config);
    fs::create_directories(root + "/c", ec);
    fs::create_directories(root + "/a", ec);
    // A Windows 98 machine has its Windows and system directories.
    MakeDirs(config.windowsDir);
    MakeDirs(config.systemDir);

    ResetSetupScript(gScript);
    ResetInstallChoices(gChoices);
    // As at a program's start: the first text goes into buffer 0. The
    // stand-in has one string table: the program's.
    gTexts = LoadedTexts();
    UseTextsOf(nullptr, nullptr);
    UseProgramStrings();
    gScratch = "C:\\SETUPTESTS\\" + std::to_string(gCount);
    MakeDirs(gScratch);
    return gScratch;
}

std::string Path(const std::string& relative) {
    if (gScratch.empty()) {
        Reset();
    }
    return relative.empty() ? gScratch : gScratch + "\\" + relative;
}

bool MakeDirs(const std::string& dosPath) {
    std::string host = Host(dosPath);
    if (host.empty()) {
        return false;
    }
    std::error_code ec;
    fs::create_directories(host, ec);
    return fs::is_directory(host, ec);
}

bool WriteFile(const std::string& dosPath, const std::string& bytes) {
    size_t cut = dosPath.find_last_of('\\');
    if (cut != std::string::npos && cut > 2 && !MakeDirs(dosPath.substr(0, cut))) {
        return false;
    }
    std::string host = Host(dosPath);
    if (host.empty()) {
        return false;
    }
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool ReadFile(const std::string& dosPath, std::string* bytes) {
    std::string host = Host(dosPath);
    std::error_code ec;
    if (host.empty() || !fs::is_regular_file(host, ec)) {
        return false;
    }
    std::ifstream in(host, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    *bytes = all.str();
    return static_cast<bool>(in) || in.eof();
}

bool Exists(const std::string& dosPath) {
    std::string host = Host(dosPath);
    std::error_code ec;
    return !host.empty() && fs::exists(host, ec);
}

bool Hold(const std::string& dosPath) {
    std::string host = Host(dosPath);
    if (host.empty() || !fs::is_regular_file(host)) {
        return false;
    }
    plat::posix::Machine().heldFiles.insert(host);
    return true;
}

void ReleaseHeld() {
    plat::posix::Machine().heldFiles.clear();
}

bool IsNative() {
    return true;
}

}  // namespace testing_machine
