// How long LoadSetupScript takes on a large script: 6 disks, 32,000 file
// lines. Prints seconds; asserts nothing. Natively it runs on the fake
// machine (POSIX stand-ins), under Wine on the real profile calls.
//
//   script_load_bench [runs]
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <ctime>
#include <string>

#include "model/setup_data.h"
#include "model/texts.h"
#include "platform/text.h"
#include "script/setup_script.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include "model/native_strings.h"
#include "platform/posix/internal.h"
#include "platform/posix/machine.h"
#endif

namespace {

SetupScript gScript;  // what the loader fills
const char kWindowsDir[] = "C:\\WINDOWS";

const int kDisks = 6;
const int kLines = 32000;

std::string MakeScript() {
    std::string s =
        "[Main]\r\nDefaultPath=\\VELOR\r\nProductName=Velor Mouse\r\nMinimumSpace=800\r\n"
        "[DiskLabel]\r\n";
    for (int d = 1; d <= kDisks; d++) {
        s += "Disk" + std::to_string(d) + "=Disk " + std::to_string(d) + "\r\n";
    }
    s += "[DirectoryName]\r\nRootDir=\r\nSubDir1=HELP\r\nWinSystemDir=SYSTEM\r\n[FileCounts]\r\n";
    int per = (kLines + kDisks - 1) / kDisks;
    int left = kLines;
    int counts[kDisks];
    for (int d = 0; d < kDisks; d++) {
        counts[d] = left < per ? left : per;
        left -= counts[d];
        s += "Disk" + std::to_string(d + 1) + "=" + std::to_string(counts[d]) + "\r\n";
    }
    int n = 0;
    for (int d = 0; d < kDisks; d++) {
        s += "[Disk" + std::to_string(d + 1) + "]\r\n";
        for (int i = 1; i <= counts[d]; i++) {
            n++;
            char line[160];
            snprintf(line, sizeof line, "%d=F%07d.EXE, F%07d.EXE, Description of file %d, %s\r\n",
                     i, n, n, n,
                     n % 3 == 0   ? "SubDir1"
                     : n % 3 == 1 ? "RootDir"
                                  : "WinSystemDir");
            s += line;
        }
    }
    s += "[PM Info]\r\n1=VELOR.GRP, Velor, 0\r\n[Startup]\r\nTitle=Velor Mouse\r\n";
    return s;
}

bool WriteHost(const std::string& path, const std::string& data) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    return fclose(f) == 0 && ok;
}

// Prepares a program directory holding the script; returns the DOS path of
// the program's file, or "" on failure.
std::string Prepare(const std::string& script) {
#ifdef _WIN32
    CreateDirectoryA("C:\\VLBENCH", nullptr);
    if (!WriteHost("C:\\VLBENCH\\SETUP.INF", script)) {
        return "";
    }
    UseTextsOf(GetModuleHandleA(nullptr), nullptr);
#else
    char tmpl[] = "/tmp/script_load_bench.XXXXXX";
    if (mkdtemp(tmpl) == nullptr) {
        return "";
    }
    plat::posix::MachineConfig config;
    config.root = tmpl;
    plat::posix::MachineReset(config);
    UseProgramStrings();
    std::string dir = config.root + "/a";
    mkdir(dir.c_str(), 0755);
    if (!WriteHost(dir + "/SETUP.INF", script)) {
        return "";
    }
#endif
    return "A:\\SETUP.EXE";
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    std::string script = MakeScript();
    ResetSetupScript(gScript);
    std::string program = Prepare(script);
    if (program.empty()) {
        fprintf(stderr, "script_load_bench: cannot write the script\n");
        return 1;
    }
#ifdef _WIN32
    program = "C:\\VLBENCH\\SETUP.EXE";
#endif
    SetProgramPathForTest(program.c_str());

    double best = 1e9;
    double first = 0;
    double cpuBest = 1e9;
    for (int r = 0; r < runs; r++) {
#ifndef _WIN32
        plat::posix::ResetProfileCache();  // every run parses the file afresh
#endif
        // Processor time beside wall time: the machine may be shared.
        std::clock_t c0 = std::clock();
        auto t0 = std::chrono::steady_clock::now();
        int ok = LoadSetupScript(gScript, kWindowsDir, LoadText);
        auto t1 = std::chrono::steady_clock::now();
        double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        double s = std::chrono::duration<double>(t1 - t0).count();
        if (cpu < cpuBest) {
            cpuBest = cpu;
        }
        if (!ok || gScript.totalFileCount != kLines) {
            fprintf(stderr, "script_load_bench: load failed (%d files)\n", gScript.totalFileCount);
            return 1;
        }
        ReleaseInstallPlan(gScript);
        if (r == 0) {
            first = s;
        }
        if (s < best) {
            best = s;
        }
    }
    printf("script_load_bench: %d disks, %d file lines, %zu bytes of script\n", kDisks, kLines,
           script.size());
    printf("script_load_bench: first load %.4f s, best of %d %.4f s (processor time %.4f s)\n",
           first, runs, best, cpuBest);
    return 0;
}
