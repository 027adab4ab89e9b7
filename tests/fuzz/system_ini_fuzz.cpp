// libFuzzer target for the system.ini switch-over over the POSIX stand-ins:
// the input is system.ini (each input is also tried a second way, below).
// Whatever it holds, the switch-over must keep its promise: system.ini is
// either left as it was or differs from the old text only in the mouse
// lines it switched (and in the text-mode rules: a bare LF is written as
// CR LF, nothing from a Ctrl-Z on is kept); system.bak then holds the old
// text byte for byte, else it stays as it was; no system.new is left
// behind; the VxD is set aside.
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
#include "platform/textstream.h"

namespace {

namespace fs = std::filesystem;

const char kOlderBackup[] = "system.bak of an earlier setup\r\n";
const char kReplacement[] = "mouse=*vmouse\r\n";

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
    for (const char* name : {"system.ini", "system.bak", "system.new"}) {
        fs::remove(Windows(name), ec);
    }
}

// The lines of a text as the switch-over reads it: up to the first Ctrl-Z,
// each line up to and with its LF.
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string text = bytes.substr(0, bytes.find('\x1A'));
    size_t at = 0;
    while (at < text.size()) {
        size_t lf = text.find('\n', at);
        size_t end = lf == std::string::npos ? text.size() : lf + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

// A line as it is written back unchanged: a bare LF becomes CR LF.
std::string Copied(const std::string& line) {
    if (!line.empty() && line.back() == '\n' &&
        (line.size() < 2 || line[line.size() - 2] != '\r')) {
        return line.substr(0, line.size() - 1) + "\r\n";
    }
    return line;
}

// Which lines the switch-over replaces: the first line that holds "mouse"
// and does not begin with ";" at or after each line that holds "[386Enh]".
std::vector<bool> Switched(const std::vector<std::string>& lines) {
    std::vector<bool> switched(lines.size(), false);
    bool armed = false;
    for (size_t i = 0; i < lines.size(); i++) {
        if (lines[i].find("[386Enh]") != std::string::npos) {
            armed = true;
        }
        if (armed && lines[i].find("mouse") != std::string::npos && lines[i][0] != ';') {
            switched[i] = true;
            armed = false;
        }
    }
    return switched;
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
    std::string expected;
    for (size_t i = 0; i < oldLines.size(); i++) {
        expected += switched[i] ? kReplacement : Copied(oldLines[i]);
    }
    if (ini != expected) {
        fprintf(stderr, "old %zu lines, new %zu lines\n", oldLines.size(), newLines.size());
        for (size_t i = 0; i < oldLines.size() && i < newLines.size(); i++) {
            if (newLines[i] != (switched[i] ? kReplacement : Copied(oldLines[i]))) {
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
}

}  // namespace

// Each input is switched over as it is, and again behind a comment line that
// moves it to the end of the text stream's first buffer (where it would
// seldom get otherwise), so its lines cross the boundary between two reads.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    SwitchAndCheck(input);
    size_t pad = kTextStreamBuffer - 128 + size % 128;
    SwitchAndCheck(";" + std::string(pad - 3, 'p') + "\r\n" + input);
    return 0;
}
