// libFuzzer target for the system.ini round trip over the POSIX stand-ins:
// the input is system.ini (each input is also tried a second way, below).
// The switch-over must change only the mouse lines the rule picks, each to
// setup's line with the line end it had, every other byte kept; system.bak
// then holds the old text byte for byte, else it stays as it was; no
// system.new is left behind; the VxD is set aside. The restore that follows
// must give back the old bytes, or name in its result why it did not; it
// leaves no system.bak, system.new, system.un$ or WININIT.INI behind.
#include <ctype.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_machine.h"
#include "install/system_ini.h"
#include "platform/raw_file.h"
#include "uninstall/undo.h"

namespace {

namespace fs = std::filesystem;

const char kOlderBackup[] = "system.bak of an earlier setup\r\n";
const std::string kReplacement = "mouse=*vmouse";

std::string gRoot;  // host directory standing for the drives

void Fail(const char* what) {
    fprintf(stderr, "system_ini_fuzz: %s\n", what);
    abort();
}

std::string Windows(const char* name) {
    return gRoot + "/c/WINDOWS/" + name;
}
std::string Vmm32(const char* name) {
    return gRoot + "/c/WINDOWS/SYSTEM/VMM32/" + name;
}

void Put(const std::string& host, const std::string& bytes) {
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        Fail("cannot write a file of the fake machine");
    }
}

// The file's bytes, or false when it is not there.
bool Get(const std::string& host, std::string* bytes) {
    std::ifstream in(host, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream all;
    all << in.rdbuf();
    *bytes = all.str();
    return true;
}

void SetUpMachine() {
    gRoot = fuzz_machine::Reset();
    std::error_code ec;
    fs::create_directories(gRoot + "/c/WINDOWS/SYSTEM/VMM32", ec);
    for (const char* name :
         {"system.ini", "system.bak", "system.new", "system.un$", "WININIT.INI"}) {
        fs::remove(Windows(name), ec);
    }
}

// The lines of a text, each up to and with its LF.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t lf = text.find('\n', at);
        size_t end = lf == std::string::npos ? text.size() : lf + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

// A line's end: CR LF, LF, or nothing.
std::string EndOf(const std::string& line) {
    if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) {
        return "\r\n";
    }
    return !line.empty() && line.back() == '\n' ? "\n" : "";
}

// Which lines the switch-over replaces: the first line that holds "mouse",
// does not begin with ";", is no section header and does not hold
// "[386Enh]" itself, at or after each line that holds "[386Enh]".
std::vector<bool> Switched(const std::vector<std::string>& lines) {
    std::vector<bool> switched(lines.size(), false);
    bool armed = false;
    for (size_t i = 0; i < lines.size(); i++) {
        const std::string& line = lines[i];
        bool hasHeader = line.find("[386Enh]") != std::string::npos;
        armed = armed || hasHeader;
        size_t first = line.find_first_not_of(" \t");
        bool header = hasHeader || (first != std::string::npos && line[first] == '[');
        if (armed && line.find("mouse") != std::string::npos && line[0] != ';' && !header) {
            switched[i] = true;
            armed = false;
        }
    }
    return switched;
}

// The restore after the switch-over, checked against the text before it.
void RestoreAndCheck(const std::string& old) {
    UndoReport report = UndoReport();
    RestoreSystemIni("C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", &report, "C:\\WINDOWS\\system.bak");
    std::string ini;
    std::string scratch;
    if (!Get(Windows("system.ini"), &ini)) {
        Fail("the restore lost system.ini");
    }
    for (const char* name : {"system.new", "system.un$", "WININIT.INI"}) {
        if (Get(Windows(name), &scratch)) {
            fprintf(stderr, "%s\n", name);
            Fail("the restore left a file behind");
        }
    }
    for (int i = 0; i < report.count; i++) {
        int kind = report.leftovers[i].kind;
        if (kind != kLeftNoEarlierLine && kind != kLeftMouseLine) {
            fprintf(stderr, "%d %s\n", kind, report.leftovers[i].subject);
            Fail("the restore reports a failure where nothing failed");
        }
    }
    if (report.count > 0) {
        return;
    }
    if (ini != old) {
        Fail("system.ini did not come back byte for byte, and the result names nothing");
    }
    if (Get(Windows("system.bak"), &scratch)) {
        Fail("system.bak stayed after a whole restore");
    }
    if (!Get(Vmm32("VMOUSE.VXD"), &scratch) || scratch != "vxd") {
        Fail("VMOUSE.VXD did not come back");
    }
}

// One switch-over of system.ini = old, checked.
void SwitchAndCheck(const std::string& old) {
    SetUpMachine();
    Put(Windows("system.ini"), old);
    Put(Windows("system.bak"), kOlderBackup);
    Put(Vmm32("VMOUSE.VXD"), "vxd");
    Put(Vmm32("VMOUSE.BAK"), "older vxd");

    if (SwitchSystemIni("C:\\WINDOWS") != 1) {
        Fail("the VxD was not set aside");
    }

    std::string ini;
    std::string bak;
    std::string scratch;
    if (!Get(Windows("system.ini"), &ini) || !Get(Windows("system.bak"), &bak)) {
        Fail("system.ini or system.bak is missing");
    }
    if (Get(Windows("system.new"), &scratch)) {
        Fail("system.new was left behind");
    }
    if (Get(Vmm32("VMOUSE.VXD"), &scratch) || !Get(Vmm32("VMOUSE.BAK"), &scratch) ||
        scratch != "vxd") {
        Fail("VMOUSE.VXD did not become VMOUSE.BAK");
    }

    // Line by line: each line of the new file is the old one copied, or the
    // replacement in the place of a line the rule picks.
    std::vector<std::string> oldLines = Lines(old);
    std::vector<std::string> newLines = Lines(ini);
    std::vector<bool> switched = Switched(oldLines);
    // A picked line that names the built-in driver already, in any letter
    // case, is kept as it is.
    for (size_t i = 0; i < oldLines.size(); i++) {
        std::string text = oldLines[i].substr(0, oldLines[i].size() - EndOf(oldLines[i]).size());
        bool builtIn = text.size() == kReplacement.size();
        for (size_t k = 0; builtIn && k < text.size(); k++) {
            builtIn = tolower(static_cast<unsigned char>(text[k])) == kReplacement[k];
        }
        switched[i] = switched[i] && !builtIn;
    }
    std::string expected;
    for (size_t i = 0; i < oldLines.size(); i++) {
        expected += switched[i] ? kReplacement + EndOf(oldLines[i]) : oldLines[i];
    }
    if (ini != expected) {
        fprintf(stderr, "old %zu lines, new %zu lines\n", oldLines.size(), newLines.size());
        for (size_t i = 0; i < oldLines.size() && i < newLines.size(); i++) {
            if (newLines[i] != (switched[i] ? kReplacement + EndOf(oldLines[i]) : oldLines[i])) {
                fprintf(stderr, "first differing line: %zu\n", i);
                break;
            }
        }
        Fail("system.ini differs in more than the switched mouse lines");
    }
    if (ini == old ? bak != kOlderBackup : bak != old) {
        Fail(ini == old ? "an unchanged system.ini replaced system.bak"
                        : "system.bak does not hold the old system.ini");
    }
    if (Get(Windows("WININIT.INI"), &scratch)) {
        Fail("the switch-over left WININIT.INI behind");
    }
    RestoreAndCheck(old);
}

}  // namespace

// Each input is switched over as it is, and again behind a comment line that
// moves it to the end of the first read buffer (where it would seldom get
// otherwise), so its lines cross the boundary between two reads.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    SwitchAndCheck(input);
    size_t pad = fileio::kRawBuffer - 128 + size % 128;
    SwitchAndCheck(";" + std::string(pad - 3, 'p') + "\r\n" + input);
    return 0;
}
