// libFuzzer target for the uninstall list over the POSIX stand-ins: the
// input is UNINSTAL.INF. Whatever it says, the uninstall deletes nothing and
// schedules nothing in WININIT.INI outside the install directory and the
// Windows directory (which holds the system and INF directories), and the
// running program stays until the next start (run in place, so do its list
// and the install record).
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz/fuzz_machine.h"
#include "model/startup_strings.h"
#include "record/install_record.h"
#include "uninstall/undo.h"

namespace {

namespace fs = std::filesystem;

std::string gRoot;  // host directory standing for the drives

// Files outside the four places, and the installation's own.
const char* const kOutside[] = {"c/AUTOEXEC.BAT", "c/OUTSIDE/KEEP.TXT", "c/VELOR2/X.TXT"};
const char* const kInstalled[] = {"c/VELOR/Q7MAIN.EXE",           "c/VELOR/SUB/A.TXT",
                                  "c/VELOR/UNINSTAL.EXE",         "c/VELOR/SETUP.INF",
                                  "c/WINDOWS/SYSTEM/VLMOUSE.VXD", "c/WINDOWS/INF/VLMOUSE.INF"};
const char* const kStayUntilRestart[] = {"c/VELOR/UNINSTAL.EXE", "c/VELOR/UNINSTAL.INF",
                                         "c/VELOR/SETUP.INF"};

void Fail(const char* what, const std::string& detail) {
    fprintf(stderr, "uninstall_list_fuzz: %s: %s\n", what, detail.c_str());
    abort();
}

void Put(const std::string& rel, const std::string& bytes) {
    std::string host = gRoot + "/" + rel;
    std::error_code ec;
    fs::create_directories(fs::path(host).parent_path(), ec);
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Upper(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

// Every "x=path" line of WININIT.INI names a path in one of the places.
void CheckWininit() {
    std::ifstream in(gRoot + "/c/WINDOWS/WININIT.INI", std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos || line[0] == '[') {
            continue;
        }
        std::string path = Upper(line.substr(eq + 1));
        bool inside = path.rfind("C:\\VELOR\\", 0) == 0 || path.rfind("C:\\WINDOWS\\", 0) == 0;
        if (!inside || path.find("\\..") != std::string::npos) {
            Fail("WININIT.INI schedules a path outside the places", line);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gRoot = fuzz_machine::Reset();
    std::error_code ec;
    fs::remove_all(gRoot + "/c", ec);
    for (const char* f : kOutside) {
        Put(f, "keep");
    }
    for (const char* f : kInstalled) {
        Put(f, "x");
    }
    fs::create_directories(gRoot + "/c/WINDOWS/SYSTEM", ec);
    Put("c/VELOR/UNINSTAL.INF", std::string(reinterpret_cast<const char*>(data), size));

    // Odd sizes run as the uninstaller's copy in the temp directory, which
    // deletes the install directory's own files at once.
    bool fromCopy = size % 2 == 1;
    Put("c/WINDOWS/TEMP/~VPUN00.EXE", "x");
    UndoPlaces places = {"C:\\VELOR", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM",
                         fromCopy ? "C:\\WINDOWS\\TEMP\\~VPUN00.EXE" : "C:\\VELOR\\UNINSTAL.EXE"};
    UndoReport report = UndoReport();
    static UndoContext undo;
    OpenUndo(&undo, places);
    RemoveInstalledFiles(undo, &report);
    for (const char* f : kStayUntilRestart) {
        if (!fromCopy && !fs::exists(gRoot + "/" + f)) {
            Fail("deleted before the next start", f);
        }
    }
    if (!fs::exists(gRoot + "/c/WINDOWS/TEMP/~VPUN00.EXE")) {
        Fail("deleted before the next start", "the running copy");
    }
    ScheduleRestartDeletes("C:\\WINDOWS", &report);
    for (const char* f : kOutside) {
        if (!fs::exists(gRoot + "/" + f)) {
            Fail("deleted outside the places", f);
        }
    }
    CheckWininit();
    return 0;
}
