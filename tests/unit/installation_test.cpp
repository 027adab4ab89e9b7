// The steps of an installation in their order, on both backends: the copy,
// the pause, the registration and the system.ini switch-over, and what a
// cancel leaves out.
#include "install/installation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/install_plan.h"
#include "model/setup_state.h"
#include "platform/text.h"
#include "script/setup_script.h"
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

std::string Read(const std::string& path) {
    std::string bytes;
    return tm::ReadFile(path, &bytes) ? bytes : std::string("<missing>");
}

TEST(Installation, StepsInOrderAndWhatCancelLeavesOut) {
    const char kIni[] = "[386Enh]\r\nmouse=old.vxd\r\n";
    struct Row {
        CancelAt at;
        int result;
        std::vector<std::string> events;
        bool switched;  // system.ini switched over
        int fails = 0;  // 1: B.TXT cannot be written; 2: system.bak cannot be replaced
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
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        regtest::ResetScenario(1);
        SetupState& state = gSetup;
        std::string windows = tm::Path("WINDOWS");
        ASSERT_TRUE(tm::WriteFile(windows + "\\system.ini", kIni));
        text::Copy(state.windowsDir, sizeof state.windowsDir, windows.c_str());
        std::string source = tm::Path("DISK");
        ASSERT_TRUE(tm::WriteFile(source + "\\A.TXT", "a"));
        ASSERT_TRUE(tm::WriteFile(source + "\\B.TXT", "b"));
        text::Copy(state.setupDir, sizeof state.setupDir, source.c_str());
        ASSERT_EQ(1, AllocateInstallPlan(state, 2));
        text::Copy(state.installPlan[0].SourceName, 15, "A.TXT");
        text::Copy(state.installPlan[0].TargetName, 15, "A.TXT");
        text::Copy(state.installPlan[1].SourceName, 15, "B.TXT");
        text::Copy(state.installPlan[1].TargetName, 15, "B.TXT");
        state.diskCount = 1;
        state.diskFileCounts[0] = 2;
        state.diskFirstEntry[0] = state.installPlan;
        state.diskFirstEntry[1] = state.installPlan + 2;

        if (rows[i].fails == 1) {
            // lz32 falls back to the compressed name: both are taken.
            ASSERT_TRUE(tm::MakeDirs(std::string(state.destDir) + "\\B.TXT"));
            ASSERT_TRUE(tm::MakeDirs(std::string(state.destDir) + "\\B.TX_"));
        } else if (rows[i].fails == 2) {
            ASSERT_TRUE(tm::MakeDirs(windows + "\\system.bak"));
        }
        PageStandIn page(rows[i].at);
        EXPECT_EQ(rows[i].result, RunInstallation(state, page));
        ReleaseInstallPlan(state);

        EXPECT_EQ(rows[i].events, page.events);
        std::string dest = state.destDir;
        EXPECT_EQ("a", Read(dest + "\\A.TXT"));
        EXPECT_TRUE(testing_registry::KeyExists(regtest::kClsidKey)) << "registered";
        EXPECT_EQ(rows[i].switched ? "[386Enh]\r\nmouse=*vmouse\r\n" : kIni,
                  Read(windows + "\\system.ini"));
        EXPECT_EQ(rows[i].switched || rows[i].fails == 2, tm::Exists(windows + "\\system.bak"));
        EXPECT_FALSE(tm::Exists(windows + "\\system.new"));
    }
}

}  // namespace
