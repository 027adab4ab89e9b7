// The steps of an installation in their order, on both backends: the copy,
// the pause, the registration and the system.ini switch-over, and what a
// cancel leaves out.
#include "install/installation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/install_plan.h"
#include "model/setup_data.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "script/setup_script.h"
#include "uninstall/undo.h"
#include "unit/register_driver_support.h"

namespace {

namespace tm = testing_machine;

enum CancelAt { kNever, kFirstStep, kPause };

// Stands in for the install page: records the calls and cancels where told.
class PageStandIn : public InstallProgress {
  public:
    explicit PageStandIn(CancelAt at) : at_(at) {}
    std::vector<std::string> events;

    void NewDisk(int disk) override { events.push_back("disk " + std::to_string(disk)); }
    void CopyingFile(const FileEntry& e) override {
        events.push_back(std::string("file ") + e.SourceName);
    }
    void Percentage(int) override {}
    int MessageStep() override {
        events.push_back("step");
        if (at_ == kFirstStep) {
            cancelled_ = 1;
        }
        return cancelled_;
    }
    void Registering() override {
        events.push_back("registering");
        if (at_ == kPause) {
            cancelled_ = 1;
        }
    }
    int Cancelled() override { return cancelled_; }

  private:
    CancelAt at_;
    int cancelled_ = 0;
};

const char kSharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// The SharedDLLs count of path: -1 when there is none.
int64_t SharedCount(const std::string& path) {
    testing_registry::Value v =
        testing_registry::Read(std::string(regtest::kHklm) + kSharedDlls, path);
    if (!v.present || v.type != plat::kRegDword || v.data.size() != 4) {
        return -1;
    }
    uint32_t n = 0;
    for (int i = 3; i >= 0; i--) {
        n = n << 8 | static_cast<uint8_t>(v.data[i]);
    }
    return n;
}

void SetSharedCount(const std::string& path, int64_t count) {
    plat::RegKey key;
    ASSERT_EQ(plat::kErrSuccess, plat::RegCreate(plat::LocalMachine(), kSharedDlls, &key));
    uint32_t n = static_cast<uint32_t>(count);
    if (count < 0) {
        plat::RegRemoveValue(key, path.c_str());
    } else {
        plat::RegSet(key, path.c_str(), plat::kRegDword, &n, sizeof n);
    }
    plat::RegClose(key);
}

std::string Read(const std::string& path) {
    std::string bytes;
    return tm::ReadFile(path, &bytes) ? bytes : std::string("<missing>");
}

// A disk with A.TXT and B.TXT for the install directory, on a machine whose
// system.ini has ini; the Windows directory is WINDOWS.
void TwoFilePlan(const char* ini) {
    std::string windows = tm::Path("WINDOWS");
    ASSERT_TRUE(tm::WriteFile(windows + "\\system.ini", ini));
    text::Copy(gChoices.windowsDir, sizeof gChoices.windowsDir, windows.c_str());
    std::string source = tm::Path("DISK");
    ASSERT_TRUE(tm::WriteFile(source + "\\A.TXT", "a"));
    ASSERT_TRUE(tm::WriteFile(source + "\\B.TXT", "b"));
    text::Copy(gScript.setupDir, sizeof gScript.setupDir, source.c_str());
    ASSERT_EQ(1, AllocateInstallPlan(gScript, 2));
    text::Copy(gScript.installPlan[0].SourceName, 15, "A.TXT");
    text::Copy(gScript.installPlan[0].TargetName, 15, "A.TXT");
    text::Copy(gScript.installPlan[1].SourceName, 15, "B.TXT");
    text::Copy(gScript.installPlan[1].TargetName, 15, "B.TXT");
    gScript.diskCount = 1;
    gScript.diskFileCounts[0] = 2;
    gScript.diskFirstEntry[0] = gScript.installPlan;
    gScript.diskFirstEntry[1] = gScript.installPlan + 2;
}

std::string ShortOf(const std::string& path) {
    char out[300];
    return plat::ShortPathName(path.c_str(), out, sizeof out) != 0 ? out : path;
}

// A destination file another program holds is replaced at the next start
// (the record names its waiting file first); the product's own deletion
// or waiting replacement of a file it writes is taken out; another
// program's rename onto or away from one, or a SETUP.INF that is not the
// record, stops the run before anything changes.
TEST(Installation, FilesInUseAndWhatWaitsForTheNextStart) {
    const std::string own =
        "[Files]\r\nAll=1\r\nInstall, A.TXT=new\r\nInstall, B.TXT=existed\r\n"
        "[Pending]\r\nInstall, B.TXT=~VPNW000.TMP\r\n[End]\r\nWhole=1\r\n";
    struct Row {
        int line;
        const char* what;
        bool held;            // DEST\B.TXT held by another program
        std::string wininit;  // WININIT.INI before ("" none); D: DEST, W: WINDOWS
        std::string record;   // DEST\SETUP.INF before ("" none)
        int result;
        const char* bAfter;  // DEST\B.TXT after ("old" as before, "b" the disk's)
        // WININIT.INI after: 'u' unchanged, 'o' its line taken out, 'w' the
        // line that puts B.TXT's waiting text in place.
        char wininitAfter;
        const char* recordedB;  // [Files] of B.TXT after
    } rows[] = {
        {__LINE__, "B.TXT in use", true, "", "", kInstallDoneAtRestart, "old", 'w', "existed"},
        {__LINE__, "the product's own deletion of B.TXT", false, "NUL=D\\B.TXT", "", kInstallDone,
         "b", 'o', "new"},
        {__LINE__, "a replacement an earlier setup left waiting", false, "D\\B.TXT=D\\~VPNW000.TMP",
         own, kInstallDone, "b", 'o', "existed"},
        {__LINE__, "another program replaces B.TXT", false, "D\\B.TXT=W\\B.NEW", "",
         kInstallRestartFirst, "old", 'u', ""},
        {__LINE__, "another program renames A.TXT away", false, "W\\X.DLL=D\\A.TXT", "",
         kInstallRestartFirst, "old", 'u', ""},
        {__LINE__, "another program's line on its own files", false, "NUL=W\\X.TMP", "",
         kInstallDone, "b", 'u', "existed"},
        {__LINE__, "another program's SETUP.INF", false, "", "[Main]\r\nProduct=Other\r\n",
         kInstallForeignRecord, "old", 'u', ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << row.what);
        regtest::ResetScenario(0);
        TwoFilePlan("[386Enh]\r\nmouse=old.vxd\r\n");
        std::string dest = gChoices.destDir;
        std::string windows = gChoices.windowsDir;
        ASSERT_TRUE(tm::WriteFile(dest + "\\B.TXT", "old"));
        ASSERT_TRUE(tm::WriteFile(windows + "\\B.NEW", "other"));
        std::string wininit = row.wininit;
        for (size_t at; (at = wininit.find("D\\")) != std::string::npos;) {
            wininit.replace(at, 1, dest);
        }
        for (size_t at; (at = wininit.find("W\\")) != std::string::npos;) {
            wininit.replace(at, 1, windows);
        }
        wininit = wininit.empty() ? "" : "[rename]\r\n" + wininit + "\r\n";
        if (!wininit.empty()) {
            ASSERT_TRUE(tm::WriteFile(windows + "\\WININIT.INI", wininit));
        }
        if (!row.record.empty()) {
            ASSERT_TRUE(tm::WriteFile(dest + "\\SETUP.INF", row.record));
        }
        if (row.record == own) {
            ASSERT_TRUE(tm::WriteFile(dest + "\\~VPNW000.TMP", "an earlier run's"));
        }
        ASSERT_TRUE(!row.held || tm::Hold(dest + "\\B.TXT"));
        PageStandIn page(kNever);
        EXPECT_EQ(row.result,
                  RunInstallation(gScript, gChoices, regtest::RecordOf(gChoices), page));
        ReleaseInstallPlan(gScript);
        tm::ReleaseHeld();

        bool stopped = row.result == kInstallRestartFirst || row.result == kInstallForeignRecord;
        EXPECT_EQ(stopped ? "<missing>" : "a", Read(dest + "\\A.TXT"));
        EXPECT_EQ(row.bAfter, Read(dest + "\\B.TXT"));
        EXPECT_EQ(!stopped, testing_registry::KeyExists(regtest::kClsidKey)) << "registered";
        std::string waiting = dest + "\\~VPNW000.TMP";
        std::string line = ShortOf(dest + "\\B.TXT") + "=" + ShortOf(waiting);
        std::string want = row.wininitAfter == 'w'   ? "[rename]\r\n" + line + "\r\n"
                           : row.wininitAfter == 'o' ? std::string("[rename]\r\n")
                           : wininit.empty()         ? std::string("<missing>")
                                                     : wininit;
        EXPECT_EQ(want, Read(windows + "\\WININIT.INI"));
        bool waits = row.wininitAfter == 'w';
        EXPECT_EQ(waits ? "b" : "<missing>", Read(waiting));
        std::string record = dest + "\\SETUP.INF";
        char recorded[32];
        plat::ProfileGetString("Files", "Install, B.TXT", "", recorded, sizeof recorded,
                               record.c_str());
        EXPECT_STREQ(row.recordedB, recorded);
        plat::ProfileGetString("Pending", "Install, B.TXT", "", recorded, sizeof recorded,
                               record.c_str());
        EXPECT_STREQ(waits ? "~VPNW000.TMP" : "", recorded);
    }
}

TEST(Installation, StepsInOrderAndWhatCancelLeavesOut) {
    const char kIni[] = "[386Enh]\r\nmouse=old.vxd\r\n";
    struct Row {
        CancelAt at;
        int result;
        std::vector<std::string> events;
        bool switched;  // system.ini switched over
        // 1: B.TXT cannot be written; 2: WININIT.INI cannot be (the guard of
        // the system.ini swap); 3: another program's system.bak is there
        int fails = 0;
    } rows[] = {
        /* 0 */ {
            kNever,
            1,
            {"disk 0", "file A.TXT", "step", "step", "file B.TXT", "step", "step", "registering"},
            true},
        // The file in progress is finished and what was copied is registered.
        /* 1 */ {kFirstStep, 0, {"disk 0", "file A.TXT", "step", "step", "registering"}, false},
        /* 2 */
        {kPause,
         0,
         {"disk 0", "file A.TXT", "step", "step", "file B.TXT", "step", "step", "registering"},
         false},
        // A failed step is told; system.ini stays whole and no system.new is left.
        /* 3 */
        {kNever,
         kInstallCopyFailed,
         {"disk 0", "file A.TXT", "step", "step", "file B.TXT", "step", "step", "registering"},
         false,
         1},
        /* 4 */
        {kNever,
         kInstallSwitchFailed,
         {"disk 0", "file A.TXT", "step", "step", "file B.TXT", "step", "step", "registering"},
         false,
         2},
        // Another program's system.bak stays; setup's copy takes the next name.
        /* 5 */
        {kNever,
         1,
         {"disk 0", "file A.TXT", "step", "step", "file B.TXT", "step", "step", "registering"},
         true,
         3},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        regtest::ResetScenario(1);
        std::string windows = tm::Path("WINDOWS");
        TwoFilePlan(kIni);

        if (rows[i].fails == 1) {
            // lz32 falls back to the compressed name: both are taken.
            ASSERT_TRUE(tm::MakeDirs(std::string(gChoices.destDir) + "\\B.TXT"));
            ASSERT_TRUE(tm::MakeDirs(std::string(gChoices.destDir) + "\\B.TX_"));
        } else if (rows[i].fails == 2) {
            ASSERT_TRUE(tm::MakeDirs(windows + "\\WININIT.INI"));
        } else if (rows[i].fails == 3) {
            ASSERT_TRUE(tm::WriteFile(windows + "\\system.bak", "theirs"));
        }
        PageStandIn page(rows[i].at);
        EXPECT_EQ(rows[i].result,
                  RunInstallation(gScript, gChoices, regtest::RecordOf(gChoices), page));
        ReleaseInstallPlan(gScript);

        EXPECT_EQ(rows[i].events, page.events);
        std::string dest = gChoices.destDir;
        EXPECT_EQ("a", Read(dest + "\\A.TXT"));
        EXPECT_TRUE(testing_registry::KeyExists(regtest::kClsidKey)) << "registered";
        EXPECT_EQ(rows[i].switched ? "[386Enh]\r\nmouse=*vmouse\r\n" : kIni,
                  Read(windows + "\\system.ini"));
        bool theirs = rows[i].fails == 3;
        EXPECT_EQ(theirs             ? "theirs"
                  : rows[i].switched ? kIni
                                     : "<missing>",
                  Read(windows + "\\system.bak"));
        EXPECT_EQ(theirs ? kIni : "<missing>", Read(windows + "\\system.b00"));
        EXPECT_FALSE(tm::Exists(windows + "\\system.new"));
    }
}

// Setup (once or twice), then the uninstaller's file step, for a disk with
// A.TXT for the install directory and SHARED.DLL for the system directory:
// what was there stays (and is named), counts come back as they were. The
// list also names Windows' own WIN.INI, which no setup copied.
TEST(Installation, UninstallKeepsWhatSetupFoundAndGivesCountsBack) {
    enum Between { kNothing, kOlderRecord, kAnotherUser };
    struct Row {
        int line;
        const char* what;
        const char* before;   // there before setup: t A.TXT, d SHARED.DLL
        int64_t countBefore;  // SharedDLLs count of SHARED.DLL; -1 none
        int setups;
        // Between setup and uninstall: kOlderRecord, the record loses
        // [Files] and [Counted]; kAnotherUser, another product counts the
        // library once more.
        Between between;
        int64_t countAfterSetup, countAfterUninstall;
        const char* kept;       // after the uninstall (w WIN.INI)
        const char* leftovers;  // kinds, A.TXT's first: E kLeftExisted, S kLeftShared,
                                // N kLeftNotRecorded
        // The list's entry of the library: any spelling of its place is one file.
        const char* listed = "Windows, SYSTEM\\SHARED.DLL";
    } rows[] = {
        {__LINE__, "shared, there with count 2", "d", 2, 1, kNothing, 3, 2, "dw", "EN"},
        {__LINE__, "shared, made by setup, no count", "", -1, 1, kNothing, -1, -1, "w", "N"},
        {__LINE__, "shared, there without a count", "td", -1, 1, kNothing, 1, -1, "tdw", "EEN"},
        {__LINE__, "a second setup counts nothing again", "td", 2, 2, kNothing, 3, 2, "tdw", "EEN"},
        {__LINE__, "made by setup, another product counts it", "", 1, 1, kNothing, 2, 1, "dw",
         "SN"},
        {__LINE__, "an older record: listed files go, counts stay", "td", 2, 1, kOlderRecord, 3, 3,
         "", ""},
        {__LINE__, "another product counts it after setup: one less", "d", 2, 1, kAnotherUser, 3, 3,
         "dw", "EN"},
        {__LINE__, "a count that would wrap is left", "d", 0xFFFFFFFF, 1, kNothing, 0xFFFFFFFF,
         0xFFFFFFFF, "dw", "EN"},
        {__LINE__, "the list names the system directory's library by its place", "d", 2, 1,
         kNothing, 3, 2, "dw", "EN", "System, SHARED.DLL"},
        {__LINE__, "there with a count of 0: the value stays, at 0", "d", 0, 1, kNothing, 1, 0,
         "dw", "EN"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << row.what);
        regtest::ResetScenario(1);
        std::string windows = tm::Path("WINDOWS");
        std::string dest = gChoices.destDir;
        std::string txt = dest + "\\A.TXT";
        std::string dll = windows + "\\SYSTEM\\SHARED.DLL";
        text::Copy(gChoices.windowsDir, sizeof gChoices.windowsDir, windows.c_str());
        ASSERT_TRUE(tm::WriteFile(windows + "\\system.ini", "[386Enh]\r\nmouse=a\r\n"));
        ASSERT_TRUE(tm::MakeDirs(windows + "\\SYSTEM"));
        ASSERT_TRUE(tm::WriteFile(tm::Path("DISK") + "\\A.TXT", "disk"));
        ASSERT_TRUE(tm::WriteFile(tm::Path("DISK") + "\\SHARED.DLL", "disk"));
        ASSERT_TRUE(tm::WriteFile(dest + "\\UNINSTAL.INF",
                                  std::string("[Files]\r\n1=Install, A.TXT\r\n2=") + row.listed +
                                      "\r\n3=Windows, WIN.INI\r\n"));
        std::string winIni = windows + "\\WIN.INI";
        ASSERT_TRUE(tm::WriteFile(winIni, "[windows]\r\n"));
        if (text::Find(row.before, "t") != nullptr) {
            ASSERT_TRUE(tm::WriteFile(txt, "mine"));
        }
        if (text::Find(row.before, "d") != nullptr) {
            ASSERT_TRUE(tm::WriteFile(dll, "mine"));
        }
        SetSharedCount(dll, row.countBefore);
        text::Copy(gScript.setupDir, sizeof gScript.setupDir, tm::Path("DISK").c_str());
        ASSERT_EQ(1, AllocateInstallPlan(gScript, 2));
        FileEntry* e = gScript.installPlan;
        text::Copy(e[0].SourceName, 15, "A.TXT");
        text::Copy(e[0].TargetName, 15, "A.TXT");
        text::Copy(e[1].SourceName, 15, "SHARED.DLL");
        text::Copy(e[1].TargetName, 15, "SHARED.DLL");
        text::Format(e[1].TargetDir, sizeof e[1].TargetDir, "%s\\SYSTEM", gChoices.windowsDir);
        e[1].Absolute = 1;
        gScript.diskCount = 1;
        gScript.diskFileCounts[0] = 2;
        gScript.diskFirstEntry[0] = gScript.installPlan;
        gScript.diskFirstEntry[1] = gScript.installPlan + 2;
        for (int i = 0; i < row.setups; i++) {
            PageStandIn page(kNever);
            RunInstallation(gScript, gChoices, regtest::RecordOf(gChoices), page);
        }
        ReleaseInstallPlan(gScript);
        EXPECT_EQ("disk", Read(dll));
        EXPECT_EQ(row.countAfterSetup, SharedCount(dll));
        std::string record = dest + "\\SETUP.INF";
        if (row.between == kOlderRecord) {
            plat::ProfileWriteString("Files", nullptr, nullptr, record.c_str());
            plat::ProfileWriteString("Counted", nullptr, nullptr, record.c_str());
        } else if (row.between == kAnotherUser) {
            SetSharedCount(dll, SharedCount(dll) + 1);
        }

        std::string program = dest + "\\UNINSTAL.EXE";
        std::string system = windows + "\\SYSTEM";
        UndoPlaces places = {dest.c_str(), windows.c_str(), system.c_str(), program.c_str()};
        for (int run = 0; run < 2; run++) {  // a second run changes nothing
            UndoReport r = UndoReport();
            static UndoContext undo;
            OpenUndo(&undo, places);
            RestoreSharedCounts(undo, &r);
            RemoveInstalledFiles(undo, &r);
            std::string kinds, kept;
            for (int i = 0; i < r.count; i++) {
                int k = r.leftovers[i].kind;
                kinds += k == kLeftExisted       ? "E"
                         : k == kLeftShared      ? "S"
                         : k == kLeftNotRecorded ? "N"
                         : k == kLeftDirectory   ? ""
                                                 : "?";
            }
            kept = std::string(tm::Exists(txt) ? "t" : "") + (tm::Exists(dll) ? "d" : "") +
                   (tm::Exists(winIni) ? "w" : "");
            EXPECT_EQ(row.leftovers, kinds) << "run " << run;
            EXPECT_EQ(row.countAfterUninstall, SharedCount(dll)) << "run " << run;
            EXPECT_EQ(row.kept, kept) << "run " << run;
        }
        SetSharedCount(dll, -1);
    }
}

}  // namespace
