// The copy engine on both backends, driven through a recording CopyProgress
// in place of the install page.
#include "install/file_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/install_plan.h"
#include "model/setup_data.h"
#include "platform/text.h"
#include "record/install_record.h"
#include "support/szdd_reference.h"
#include "support/test_machine.h"

namespace {

namespace tm = testing_machine;

using szdd_reference::Fixture;

struct PlanFile {
    const char* sourceDir;
    const char* sourceName;
    const char* targetDir;  // absolute when it has a drive
    const char* targetName;
    const char* description;
};

// A script holding an install plan of the given disks, set up the way the
// script loader leaves it, and the choices; the program directory is SRC
// and the destination DEST.
class Plan {
  public:
    SetupScript script;
    InstallChoices choices;
    InstallRecord record;  // in DEST, for the files that wait for the next start

    explicit Plan(const std::vector<std::vector<PlanFile>>& disks) {
        size_t total = 0;
        for (const auto& d : disks) {
            total += d.size();
        }
        entries_.assign(total + 1, FileEntry());
        ResetSetupScript(script);
        ResetInstallChoices(choices);
        text::Copy(script.setupDir, sizeof script.setupDir, tm::Path("SRC").c_str());
        text::Copy(choices.destDir, sizeof choices.destDir, tm::Path("DEST").c_str());
        text::Copy(choices.windowsDir, sizeof choices.windowsDir, tm::Path("WINDOWS").c_str());
        record.Open(choices.destDir);
        script.installPlan = entries_.data();
        script.diskCount = static_cast<int16_t>(disks.size());
        size_t at = 0;
        for (size_t d = 0; d < disks.size(); d++) {
            script.diskFirstEntry[d] = entries_.data() + at;
            script.diskFileCounts[d] = static_cast<int16_t>(disks[d].size());
            for (const PlanFile& f : disks[d]) {
                FileEntry& e = entries_[at++];
                if (f.sourceName == nullptr) {
                    continue;  // an empty file line: the entry stays all zero
                }
                std::string target = f.targetDir;
                e.Absolute = target.size() > 1 && target[1] == ':';
                text::Copy(e.SourceDir, sizeof e.SourceDir, f.sourceDir);
                text::Copy(e.TargetDir, sizeof e.TargetDir, f.targetDir);
                text::Copy(e.SourceName, sizeof e.SourceName, f.sourceName);
                text::Copy(e.TargetName, sizeof e.TargetName, f.targetName);
                text::Copy(e.Description, sizeof e.Description, f.description);
            }
        }
        script.diskFirstEntry[disks.size()] = entries_.data() + at;
    }

  private:
    std::vector<FileEntry> entries_;
};

// Records what the page would show; can cancel at a given message step,
// as a click on Cancel does, and notes which destinations exist then.
class Recorder : public CopyProgress {
  public:
    std::vector<std::string> events;
    int cancelAtStep = -1;  // message steps counted from 1
    int steps = 0;

    int cancelled = 0;

    void NewDisk(int disk) override { events.push_back("disk " + std::to_string(disk)); }
    void CopyingFile(const FileEntry& e) override {
        events.push_back(std::string("file ") + e.SourceName + ": " + e.Description);
    }
    void Percentage(int percent) override { events.push_back("pct " + std::to_string(percent)); }
    int MessageStep() override {
        steps++;
        events.push_back("step");
        if (steps == cancelAtStep) {
            cancelled = 1;
        }
        return cancelled;
    }
    std::vector<int> Percentages() const {
        std::vector<int> p;
        for (const std::string& e : events) {
            if (e.compare(0, 4, "pct ") == 0) {
                p.push_back(std::stoi(e.substr(4)));
            }
        }
        return p;
    }
};

std::string Read(const std::string& relative) {
    std::string bytes;
    EXPECT_TRUE(tm::ReadFile(tm::Path(relative), &bytes)) << relative;
    return bytes;
}

TEST(FileCopy, PercentageSequences) {
    struct Row {
        int files;
        std::vector<int> expected;
    } rows[] = {
        {3, {33, 66, 100}},                  // 1
        {1, {100}},                          // 2
        {7, {14, 28, 42, 57, 71, 85, 100}},  // 3
        {5, {20, 40, 60, 80, 100}},          // 4
    };
    int row = 0;
    for (const Row& r : rows) {
        row++;
        std::vector<int> got;
        for (int i = 0; i < r.files; i++) {
            got.push_back(CopyPercentage(i, r.files));
        }
        EXPECT_EQ(r.expected, got) << "row " << row;
    }
    EXPECT_EQ(0, CopyPercentage(0, 0)) << "no division by zero";
}

TEST(FileCopy, Paths) {
    tm::Reset();
    const std::string abs = tm::Path("WINDOWS\\INF");
    Plan plan({{{"", "Q7MAIN.EXE", "", "Q7MAIN.EXE", "app"},
                {"HELP", "HELP.HLP", "HELP", "VELOR.HLP", "help"},
                {"INF", "DRIVER.INF", abs.c_str(), "DRIVER.INF", "inf"}}});
    const std::string src = tm::Path("SRC");
    const std::string dst = tm::Path("DEST");
    struct Row {
        int file;
        std::string source, destination;
    } rows[] = {
        {0, src + "\\\\Q7MAIN.EXE", dst + "\\\\Q7MAIN.EXE"},  // 1 empty dirs: two backslashes
        {1, src + "\\HELP\\HELP.HLP", dst + "\\HELP\\VELOR.HLP"},
        {2, src + "\\INF\\DRIVER.INF", abs + "\\DRIVER.INF"},  // 3 absolute target
    };
    int row = 0;
    for (const Row& r : rows) {
        row++;
        char path[kPathSize];
        EXPECT_EQ(1, BuildSourcePath(plan.script, 0, r.file, path)) << "row " << row;
        EXPECT_EQ(r.source, path) << "row " << row;
        EXPECT_EQ(1, BuildDestinationPath(plan.script, plan.choices, 0, r.file, path))
            << "row " << row;
        EXPECT_EQ(r.destination, path) << "row " << row;
    }
    // A destination directory that leaves no room: the path is refused, not cut.
    std::string longDir = dst + "\\" + std::string(250 - dst.size(), 'd');
    text::Copy(plan.choices.destDir, sizeof plan.choices.destDir, longDir.c_str());
    char path[kPathSize];
    EXPECT_EQ(0, BuildDestinationPath(plan.script, plan.choices, 0, 1, path));
    EXPECT_EQ(1, BuildSourcePath(plan.script, 0, 1, path));
}

TEST(FileCopy, CopiesCompressedAndPlainByteExact) {
    tm::Reset();
    ASSERT_TRUE(tm::WriteFile(tm::Path("SRC\\TEXT.SZ"), Fixture("TEXT.SZ")));
    ASSERT_TRUE(tm::WriteFile(tm::Path("SRC\\HELP\\MIXED.SZ"), Fixture("MIXED.SZ")));
    ASSERT_TRUE(tm::WriteFile(tm::Path("SRC\\PLAIN.BIN"), Fixture("T4097.BIN")));
    ASSERT_TRUE(tm::MakeDirs(tm::Path("DEST")));
    ASSERT_TRUE(tm::MakeDirs(tm::Path("WINDOWS\\INF")));
    const std::string inf = tm::Path("WINDOWS\\INF");
    Plan plan({{{"", "TEXT.SZ", "", "TEXT.TXT", "Text"},
                {"HELP", "MIXED.SZ", "HELP", "MIXED.DAT", "Mixed data"}},
               {{"", "PLAIN.BIN", inf.c_str(), "PLAIN.INF", "Plain"}}});
    // SubDir6, the last one made; WinDir after it names no subdirectory.
    text::Copy(plan.script.directoryNames[kSubDir1 + 5], 256, "HELP");
    text::Copy(plan.script.directoryNames[kSubDir1 + 6], 256, "WINDIR");
    CreateSubdirectories(plan.script, plan.choices);
    EXPECT_FALSE(tm::Exists(tm::Path("DEST\\WINDIR")));
    Recorder r;
    EXPECT_EQ(1, CopyInstallPlan(plan.script, plan.choices, plan.record, r));
    EXPECT_TRUE(Fixture("TEXT.BIN") == Read("DEST\\TEXT.TXT"));
    EXPECT_TRUE(Fixture("MIXED.BIN") == Read("DEST\\HELP\\MIXED.DAT"));
    EXPECT_TRUE(Fixture("T4097.BIN") == Read("WINDOWS\\INF\\PLAIN.INF"));
    std::vector<std::string> expected = {
        "disk 0",
        "file TEXT.SZ: Text",
        "step",
        "pct 50",
        "step",
        "file MIXED.SZ: Mixed data",
        "step",
        "pct 100",
        "step",
        "disk 1",
        "file PLAIN.BIN: Plain",
        "step",
        "pct 100",
        "step",
    };
    EXPECT_EQ(expected, r.events);
}

// The failure rows: each file is skipped and the walk goes on; the file
// shown, percentage and both message steps come for every file. A missing
// source is silent; a destination that cannot be written is reported.
TEST(FileCopy, FailuresSkipTheFile) {
    tm::Reset();
    ASSERT_TRUE(tm::WriteFile(tm::Path("SRC\\A.SZ"), Fixture("T4095.SZ")));
    ASSERT_TRUE(tm::WriteFile(tm::Path("DEST\\KEEP.TXT"), "installed earlier"));
    ASSERT_TRUE(tm::MakeDirs(tm::Path("DEST\\HELP")));
    Plan plan({{{"", "MISSING.EXE", "", "KEEP.TXT", "missing source"},
                {"", "A.SZ", "NODIR", "A.TXT", "no such directory"},
                {nullptr, nullptr, nullptr, nullptr, nullptr},
                {"", "A.SZ", "HELP", "A.TXT", "existing subdirectory"}}});
    text::Copy(plan.script.directoryNames[kSubDir1], 256, "HELP");  // exists already
    CreateSubdirectories(plan.script, plan.choices);
    Recorder r;
    EXPECT_EQ(kCopyFailed, CopyInstallPlan(plan.script, plan.choices, plan.record, r)) << "row 2";
    EXPECT_EQ("installed earlier", Read("DEST\\KEEP.TXT")) << "row 1: left untouched";
    EXPECT_FALSE(tm::Exists(tm::Path("DEST\\NODIR"))) << "row 2";
    EXPECT_FALSE(tm::Exists(tm::Path("DEST\\A.TXT"))) << "row 2";
    EXPECT_TRUE(Fixture("T4095.BIN") == Read("DEST\\HELP\\A.TXT")) << "row 4";
    EXPECT_EQ((std::vector<int>{25, 50, 75, 100}), r.Percentages());
    EXPECT_EQ(8, r.steps);
    EXPECT_EQ("file : ", r.events[9]) << "row 3: the empty entry";
}

// A file line with an empty name names no file. Neither lz32's
// compressed-name fallback for a path ending in a backslash ("._") is
// opened or created, nor anything else; the walk goes on as for any file.
TEST(FileCopy, EntriesWithoutANameCopyNothing) {
    tm::Reset();
    ASSERT_TRUE(tm::WriteFile(tm::Path("SRC\\A.SZ"), Fixture("TEXT.SZ")));
    ASSERT_TRUE(tm::WriteFile(tm::Path("SRC\\._"), "what the fallback would open"));
    ASSERT_TRUE(tm::MakeDirs(tm::Path("DEST")));
    Plan plan({{{"", "A.SZ", "", "", "no target name"},
                {"", "", "", "B.TXT", "no source name"},
                {"", "A.SZ", "", "A.TXT", "named"}}});
    Recorder r;
    EXPECT_EQ(1, CopyInstallPlan(plan.script, plan.choices, plan.record, r));
    EXPECT_FALSE(tm::Exists(tm::Path("DEST\\._"))) << "row 1";
    EXPECT_FALSE(tm::Exists(tm::Path("DEST\\B.TXT"))) << "row 2";
    EXPECT_TRUE(Fixture("TEXT.BIN") == Read("DEST\\A.TXT")) << "row 3";
    EXPECT_EQ((std::vector<int>{33, 66, 100}), r.Percentages());
    EXPECT_EQ(6, r.steps);
    char path[kPathSize] = "x";
    EXPECT_EQ(0, BuildDestinationPath(plan.script, plan.choices, 0, 0, path));
    EXPECT_STREQ("", path);
    path[0] = 'x';
    EXPECT_EQ(0, BuildSourcePath(plan.script, 0, 1, path));
    EXPECT_STREQ("", path);
}

// Cancel during the second of five files: it is completed, the third is
// never opened (not even shown), nothing copied is removed.
TEST(FileCopy, CancelStopsBeforeTheNextFile) {
    struct Row {
        int cancelAtStep;
        int filesCopied;
    } rows[] = {
        {3, 2},   // 1 after the second source opened
        {4, 2},   // 2 after the second copy
        {1, 1},   // 3 after the first source opened
        {10, 5},  // 4 after the last file: nothing left to stop
    };
    int row = 0;
    for (const Row& c : rows) {
        row++;
        tm::Reset();
        std::vector<PlanFile> files;
        static const char* names[] = {"F1.SZ", "F2.SZ", "F3.SZ", "F4.SZ", "F5.SZ"};
        for (const char* n : names) {
            ASSERT_TRUE(tm::WriteFile(tm::Path(std::string("SRC\\") + n), Fixture("TEXT.SZ")));
            files.push_back({"", n, "", n, "file"});
        }
        ASSERT_TRUE(tm::MakeDirs(tm::Path("DEST")));
        Plan plan({files, {{"", "F1.SZ", "", "DISK2.TXT", "next disk"}}});
        Recorder r;
        r.cancelAtStep = c.cancelAtStep;
        int walked = CopyInstallPlan(plan.script, plan.choices, plan.record, r);
        int copied = 0;
        for (const char* n : names) {
            copied += tm::Exists(tm::Path(std::string("DEST\\") + n));
        }
        EXPECT_EQ(c.filesCopied, copied) << "row " << row;
        EXPECT_TRUE(Fixture("TEXT.BIN") == Read(std::string("DEST\\") + names[c.filesCopied - 1]))
            << "row " << row << ": the file in progress is completed";
        EXPECT_EQ(c.filesCopied * 2, r.steps) << "row " << row;
        EXPECT_EQ(0, walked) << "row " << row;
        EXPECT_FALSE(tm::Exists(tm::Path("DEST\\DISK2.TXT"))) << "row " << row;
        EXPECT_EQ(r.events.end(), std::find(r.events.begin(), r.events.end(), "disk 1"))
            << "row " << row;
    }
}

TEST(FileCopy, NoDisksAndEmptyDisks) {
    tm::Reset();
    {
        Plan plan({});
        Recorder r;
        EXPECT_EQ(1, CopyInstallPlan(plan.script, plan.choices, plan.record, r));
        EXPECT_TRUE(r.events.empty());
    }
    {
        Plan plan({{}, {}});
        Recorder r;
        EXPECT_EQ(1, CopyInstallPlan(plan.script, plan.choices, plan.record, r));
        EXPECT_EQ((std::vector<std::string>{"disk 0", "disk 1"}), r.events);
    }
    {
        // A step that answers "cancelled" from the start still finishes the
        // file in progress, then nothing more.
        Plan plan({{{"", "X", "", "X", "x"}, {"", "Y", "", "Y", "y"}}});
        Recorder r;
        r.cancelled = 1;
        EXPECT_EQ(0, CopyInstallPlan(plan.script, plan.choices, plan.record, r));
        EXPECT_EQ((std::vector<std::string>{"disk 0", "file X: x", "step", "pct 50", "step"}),
                  r.events);
    }
}

// lz32 keeps 16 expansion states: every handle must be closed, including
// those of files whose destination fails, or the 17th file comes out empty.
TEST(FileCopy, MoreThanSixteenCompressedFiles) {
    tm::Reset();
    ASSERT_TRUE(tm::WriteFile(tm::Path("SRC\\T.SZ"), Fixture("TEXT.SZ")));
    ASSERT_TRUE(tm::MakeDirs(tm::Path("DEST")));
    std::vector<std::string> names;
    for (int i = 0; i < 20; i++) {
        names.push_back("OUT" + std::to_string(i) + ".TXT");
    }
    std::vector<PlanFile> files;
    for (int i = 0; i < 20; i++) {
        // Every other file has a destination that cannot be created.
        files.push_back({"", "T.SZ", i % 2 ? "NODIR" : "", names[i].c_str(), "text"});
    }
    for (int i = 0; i < 20; i++) {
        files.push_back({"", "T.SZ", "", names[i].c_str(), "text"});
    }
    Plan plan({files});
    Recorder r;
    CopyInstallPlan(plan.script, plan.choices, plan.record, r);
    const std::string text = Fixture("TEXT.BIN");
    for (int i = 0; i < 20; i++) {
        EXPECT_TRUE(text == Read("DEST\\" + names[i])) << "file " << i;
    }
}

}  // namespace
