// libFuzzer target for the SETUP.INF loader over the POSIX stand-ins: the
// input is the script beside A:\SETUP.EXE. After the load, the source and
// destination paths of every plan entry are built as the copy builds them.
// Besides what the sanitizers catch, the plan must hang together: disk and
// file counts in range and adding up, every record inside the block, every
// text of the script and of the records ended within its field, every
// path that is built ended within its buffer.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/fuzz_machine.h"
#include "install/file_copy.h"
#include "model/native_strings.h"
#include "model/setup_data.h"
#include "model/texts.h"
#include "platform/posix/machine.h"
#include "platform/text.h"
#include "script/setup_script.h"

namespace {

namespace fs = std::filesystem;

std::string gRoot;        // host directory standing for the drives
SetupScript gScript;      // what the loader fills
InstallChoices gChoices;  // the script's proposals, for the destination paths

void Fail(const char* what) {
    fprintf(stderr, "setup_script_fuzz: %s\n", what);
    abort();
}

// A text field must hold its terminating zero within its N bytes.
template <size_t N>
void Ended(const char (&field)[N], const char* what) {
    if (memchr(field, 0, N) == nullptr) {
        Fail(what);
    }
}

// The three states of the program-files directory in the registry: no
// key, a key without the value, and a value as long as the loader reads.
const char* const kProgramFiles[] = {
    nullptr,
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n",
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
    "\"ProgramFilesDir\"=\"C:\\\\Program Files\\\\"
    "pppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppp\"\r\n",
};

void SetUpMachine(size_t size) {
    gRoot = fuzz_machine::Reset();  // the program is A:\SETUP.EXE
    // Picked by the input's length, so that the input stays the script.
    const char* reg = kProgramFiles[size % 3];
    if (reg != nullptr && !plat::posix::RegistryLoadText(reg)) {
        Fail("the registry text does not load");
    }
    std::error_code ec;
    fs::create_directories(gRoot + "/a", ec);
    ResetSetupScript(gScript);
    ResetInstallChoices(gChoices);
    UseProgramStrings();
    UseTextsOf(nullptr, nullptr);
    text::Copy(gChoices.windowsDir, sizeof gChoices.windowsDir, "C:\\WINDOWS");
}

void CheckScript() {
    Ended(gScript.setupDir, "setupDir");
    Ended(gScript.productName, "productName");
    Ended(gScript.caption, "caption");
    Ended(gScript.defaultDestDir, "defaultDestDir");
    Ended(gScript.groupName, "groupName");
    Ended(gScript.groupTitle, "groupTitle");
    Ended(gScript.startupFileName, "startupFileName");
    for (const auto& label : gScript.diskLabels) {
        Ended(label, "a disk label");
    }
    for (const auto& name : gScript.directoryNames) {
        Ended(name, "a directory name");
    }
    const StartupStrings& s = gScript.startupStrings;
    Ended(s.Title, "Title");
    Ended(s.Mfg, "Mfg");
    Ended(s.MouseDriver, "MouseDriver");
    Ended(s.MouseInf, "MouseInf");
    Ended(s.DriverDate, "DriverDate");
    Ended(s.PS2InfSection, "PS2InfSection");
    Ended(s.SerialInfSection, "SerialInfSection");
    Ended(s.PS2Name, "PS2Name");
    Ended(s.SeialName, "SeialName");

    if (gScript.diskCount < 0 || gScript.diskCount > kMaxDisks) {
        Fail("disk count out of range");
    }
    int32_t total = 0;
    for (int d = 0; d < gScript.diskCount; d++) {
        if (gScript.diskFileCounts[d] < 0) {
            Fail("negative file count");
        }
        if (gScript.diskFirstEntry[d] != gScript.installPlan + total) {
            Fail("a disk's first record is not where the counts put it");
        }
        total += gScript.diskFileCounts[d];
    }
    if (total != gScript.totalFileCount || total > 32767 ||
        gScript.diskFirstEntry[gScript.diskCount] != gScript.installPlan + total) {
        Fail("file counts do not add up");
    }
    if (gScript.groupItemCount < 0 || gScript.groupItemCount > kGroupItemCount) {
        Fail("group item count out of range");
    }
}

void CheckPlan() {
    for (int d = 0; d < gScript.diskCount; d++) {
        for (int f = 0; f < gScript.diskFileCounts[d]; f++) {
            const FileEntry& e = gScript.diskFirstEntry[d][f];
            Ended(e.SourceDir, "SourceDir");
            Ended(e.TargetDir, "TargetDir");
            Ended(e.SourceName, "SourceName");
            Ended(e.TargetName, "TargetName");
            Ended(e.Description, "Description");
            if (e.Absolute != 0 && e.Absolute != 1) {
                Fail("Absolute is neither 0 nor 1");
            }
            char path[kPathSize + 1];
            path[kPathSize] = 'x';  // a guard byte the builders must not reach
            for (int which = 0; which < 2; which++) {
                memset(path, 'x', kPathSize);
                int built = which == 0 ? BuildSourcePath(gScript, d, f, path)
                                       : BuildDestinationPath(gScript, gChoices, d, f, path);
                if (path[kPathSize] != 'x') {
                    Fail("a path ran past its buffer");
                }
                if (built && memchr(path, 0, kPathSize) == nullptr) {
                    Fail("a built path is not ended");
                }
                if (built && (which == 0 ? e.SourceName : e.TargetName)[0] == 0) {
                    Fail("a path was built for an empty name");
                }
            }
        }
    }
    const GroupItem* items =
        reinterpret_cast<const GroupItem*>(gScript.diskFirstEntry[gScript.diskCount]);
    for (int i = 0; i < gScript.groupItemCount; i++) {
        Ended(items[i].field1, "a group item field");
        Ended(items[i].field2, "a group item field");
        Ended(items[i].field3, "a group item field");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetUpMachine(size);
    {
        std::ofstream out(gRoot + "/a/SETUP.INF", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) {
            Fail("cannot write SETUP.INF");
        }
    }
    if (LoadSetupScript(gScript, gChoices.windowsDir, LoadText) != 1) {
        Fail("the install plan could not be had");
    }
    ProposeChoices(gScript, gChoices);
    CheckScript();
    CheckPlan();
    ReleaseInstallPlan(gScript);
    return 0;
}
