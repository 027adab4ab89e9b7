// The uninstall's registry rules over the POSIX stand-ins: setup registers,
// the uninstall undoes, and the whole store is compared with the machine
// as it was (or with what the rule says must stay, and is reported).
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "install/register_driver.h"
#include "platform/posix/machine.h"
#include "platform/profile.h"
#include "script/setup_script.h"
#include "uninstall/undo.h"
#include "unit/register_driver_support.h"

using namespace regtest;
using plat::posix::InjectFault;
using plat::posix::Op;

namespace {

const std::string kPs2 = "BIOS\\*PNP0F13\\0000";
const std::string kSerial = "SERENUM\\VLR4417\\0001";
const std::string kClassPath = std::string(kClassMouse) + "\\";

// What a Windows 98 machine has anyway: other programs' entries that the
// uninstall must leave alone, and the keys it must not remove.
const std::string kBase =
    Key("HKEY_CLASSES_ROOT\\CLSID\\{00000000-1111-2222-3333-444444444444}") + Sz("", "Other") +
    Key(std::string(kCurrentVersion) + "\\Run") + Sz("SystemTray", "SysTray.Exe") +
    Key(std::string(kCurrentVersion) + "\\Uninstall\\Other") + Sz("DisplayName", "Other program") +
    Key(kClassMouse) + Sz("", "Mouse") + Key(std::string(kHklm) + "Enum\\Root\\*PNP0C01\\0000") +
    Sz("Class", "System");

std::string OldClass(const std::string& number) {
    return ClassKey(number) + Sz("DevLoader", "*vmouse") + Sz("MouseDriver", "mouse.drv") +
           Sz("InfPath", "MSMOUSE.INF") + Sz("DriverDesc", "Standard PS/2 Port Mouse") +
           Sz("DriverDate", "4-23-1999") + Sz("InfSection", "PS2_Inst");
}

std::string ListedDevice(const std::string& enumPath, const std::string& driver) {
    return Listed("C29A1C60", enumPath) + Device(enumPath) + Sz("Class", "Mouse") +
           Sz("DeviceDesc", "Standard PS/2 Port Mouse") + Sz("Mfg", "(Standard mouse types)") +
           (driver.empty() ? "" : Sz("Driver", driver)) + "\"ConfigFlags\"=hex:00,00,00,00\r\n";
}

// The device without setup's ConfigFlags, or with other flags.
std::string WithFlags(std::string machine, const std::string& flags) {
    const std::string zero = "\"ConfigFlags\"=hex:00,00,00,00\r\n";
    return machine.replace(machine.find(zero), zero.size(), flags);
}

std::string Snapshot() {
    return plat::posix::RegistrySaveText();
}

// The store as the given machine text loads it, for comparison.
std::string Expected(const std::string& body) {
    std::string now = Snapshot();
    plat::posix::RegistryClear();
    LoadReg(body);
    std::string text = Snapshot();
    plat::posix::RegistryClear();
    plat::posix::RegistryLoadText(now);
    return text;
}

std::string RecordPath() {
    return std::string(gChoices.destDir) + "\\SETUP.INF";
}

// The store's values, "[key] name" to its .reg text ("" for none).
std::map<std::string, std::string> Values(const std::string& reg) {
    std::map<std::string, std::string> out;
    std::string key, line;
    std::istringstream in(reg);
    while (std::getline(in, line)) {
        line.erase(line.find_last_not_of("\r") + 1);
        if (line.empty() || line == "REGEDIT4") {
            continue;
        }
        if (line[0] == '[') {
            key = line;
            continue;
        }
        // Long hex values go on over lines that end in a backslash.
        std::string more;
        while (line.back() == '\\' && std::getline(in, more)) {
            line.pop_back();
            line += more.substr(0, more.find_last_not_of("\r") + 1);
        }
        size_t eq = line[0] == '@' ? 1 : line.find("\"=") + 1;
        out[key + " " + line.substr(0, eq)] = line.substr(eq);
    }
    return out;
}

// The leftovers as "kind subject" lines.
std::vector<std::string> Leftovers(const UndoReport& r) {
    std::vector<std::string> out;
    for (int i = 0; i < r.count; i++) {
        out.push_back(std::to_string(r.leftovers[i].kind) + " " + r.leftovers[i].subject);
    }
    return out;
}

// "RECORD" in an expected leftover stands for the install record's path.
std::vector<std::string> Named(std::vector<std::string> lines) {
    for (std::string& line : lines) {
        size_t at = line.find("RECORD");
        if (at != std::string::npos) {
            line.replace(at, 6, RecordPath());
        }
    }
    return lines;
}

void Undo(UndoReport* r) {
    *r = UndoReport();
    RestoreDriverRegistration(regtest::RecordOf(gChoices), gScript.startupStrings, r);
    RemoveApplicationEntries(r);
}

}  // namespace

TEST(UninstallRegistry, RoundTrips) {
    const std::string ps2Class = "System\\CurrentControlSet\\Services\\Class\\Mouse\\0000";
    const std::string ps2Device = "Enum\\" + kPs2;
    struct Row {
        int line;
        const char* what;
        int serial;
        int setups;
        std::string machine;
        std::string after;  // machine text the undo must give; "" for the machine itself
        std::vector<std::string> leftovers;
        std::vector<std::string> again;  // of a second run, when not the same
    } rows[] = {
        {__LINE__,
         "PS/2, class key existing",
         0,
         1,
         ListedDevice(kPs2, "Mouse\\0000") + OldClass("0000"),
         "",
         {},
         {}},
        {__LINE__,
         "PS/2, class key existing, two setups",
         0,
         2,
         ListedDevice(kPs2, "Mouse\\0000") + OldClass("0000"),
         "",
         {},
         {}},
        {__LINE__,
         "PS/2, Driver names a missing class key",
         0,
         1,
         ListedDevice(kPs2, "Mouse\\0000"),
         "",
         {},
         {}},
        {__LINE__,
         "PS/2 without Driver, other class keys",
         0,
         1,
         ListedDevice(kPs2, "") + OldClass("0000") + OldClass("0001"),
         "",
         {},
         {}},
        {__LINE__,
         "PS/2 without Driver, two setups: the Driver cannot be told",
         0,
         2,
         ListedDevice(kPs2, "") + OldClass("0000"),
         ListedDevice(kPs2, "") + Sz("Driver", "Mouse\\0001") + OldClass("0000"),
         {"2 " + ps2Device + "  Driver"},
         {}},
        // Nothing is recorded for the root device; the record is there all
        // the same (setup proves it can write one before it registers).
        {__LINE__,
         "serial, no listed device: new root device",
         1,
         1,
         ListedDevice(kPs2, "") + OldClass("0000"),
         "",
         {},
         {}},
        {__LINE__, "serial, no listed device, two setups", 1, 2, OldClass("0000"), "", {}, {}},
        // Setup's seven values and an eighth: not an orphan of setup's.
        {__LINE__,
         "serial, no listed device, a class key of setup's values and one more",
         1,
         1,
         OldClass("0000") + ClassKey("0001") + Sz("DevLoader", "*vmouse") +
             Sz("MouseType", "Serial") + Sz("MouseDriver", kMouseDriver) +
             Sz("InfPath", kMouseInf) + Sz("DriverDesc", kSerialName) +
             Sz("DriverDate", kDriverDate) + Sz("InfSection", kSerialInf) + Sz("Port", "COM1"),
         "",
         {},
         {}},
        {__LINE__, "serial device listed, no Driver", 1, 1, ListedDevice(kSerial, ""), "", {}, {}},
        {__LINE__,
         "serial device listed without ConfigFlags",
         1,
         1,
         WithFlags(ListedDevice(kSerial, ""), ""),
         "",
         {},
         {}},
        {__LINE__,
         "PS/2 device with other ConfigFlags, two setups",
         0,
         2,
         WithFlags(ListedDevice(kPs2, "Mouse\\0000"), "\"ConfigFlags\"=hex:10,00,00,00\r\n") +
             OldClass("0000"),
         "",
         {},
         {}},
        {__LINE__,
         "nothing listed: nothing registered or recorded",
         0,
         1,
         OldClass("0000"),
         "",
         {},
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << row.what);
        ResetScenario(row.serial);
        ASSERT_TRUE(LoadReg(kBase + row.machine));
        std::string before = Snapshot();
        for (int i = 0; i < row.setups; i++) {
            regtest::Register(RegisterScope::Full);
        }
        ASSERT_NE(before, Snapshot());
        UndoReport r;
        Undo(&r);
        std::string after = Snapshot();
        EXPECT_EQ(row.after.empty() ? before : Expected(kBase + row.after), after);
        EXPECT_EQ(Named(row.leftovers), Leftovers(r));
        EXPECT_EQ(1, r.changed);

        // A second run changes nothing.
        UndoReport again;
        Undo(&again);
        EXPECT_EQ(after, Snapshot());
        EXPECT_EQ(0, again.changed);
        EXPECT_EQ(Named(row.again.empty() ? row.leftovers : row.again), Leftovers(again));
    }
}

TEST(UninstallRegistry, ValueRules) {
    // The class key's values after setup are edited as the row says, then
    // undone: only a value that still holds setup's text is touched.
    const std::string cls = kClassPath + "0000";
    const std::string clsShort = "System\\CurrentControlSet\\Services\\Class\\Mouse\\0000";
    struct Row {
        int line;
        const char* what;
        std::string classKey;  // before setup
        std::string edit;      // applied after setup
        std::string value;     // value checked after the undo
        const char* expected;  // its text, or null for absent
        std::vector<std::string> leftovers;
    } rows[] = {
        {__LINE__, "recorded text put back", OldClass("0000"), "", "InfPath", "MSMOUSE.INF", {}},
        {__LINE__,
         "value absent before: recorded empty, removed again",
         ClassKey("0000") + Sz("DevLoader", "*vmouse") + Sz("MouseDriver", "mouse.drv"),
         "",
         "InfPath",
         nullptr,
         {}},
        {__LINE__,
         "empty before: recorded empty, removed (absent is taken)",
         OldClass("0000") + Sz("DriverDate", ""),
         "",
         "DriverDate",
         nullptr,
         {}},
        {__LINE__,
         "recorded text is setup's own: kept and reported",
         ClassKey("0000") + Sz("DevLoader", "*vmouse") + Sz("MouseDriver", "mouse.drv") +
             Sz("InfPath", kMouseInf),
         "",
         "InfPath",
         kMouseInf,
         {"2 " + clsShort + "  InfPath"}},
        {__LINE__,
         "changed after setup: kept and reported",
         OldClass("0000"),
         Key(cls) + Sz("InfPath", "OTHER.INF"),
         "InfPath",
         "OTHER.INF",
         {"1 " + clsShort + "  InfPath"}},
        {__LINE__,
         "absent before, changed after setup: kept and reported",
         ClassKey("0000") + Sz("DevLoader", "*vmouse") + Sz("MouseDriver", "mouse.drv"),
         Key(cls) + Sz("InfPath", "OTHER.INF"),
         "InfPath",
         "OTHER.INF",
         {"1 " + clsShort + "  InfPath"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << row.what);
        ResetScenario(0);
        ASSERT_TRUE(LoadReg(kBase + ListedDevice(kPs2, "Mouse\\0000") + row.classKey));
        regtest::Register(RegisterScope::Full);
        if (!row.edit.empty()) {
            ASSERT_TRUE(LoadReg(row.edit));
        }
        UndoReport r;
        Undo(&r);
        testing_registry::Value v = testing_registry::Read(cls, row.value);
        EXPECT_EQ(row.expected != nullptr, v.present);
        if (row.expected != nullptr) {
            EXPECT_EQ(row.expected, v.data.substr(0, v.data.find('\0')));
        }
        EXPECT_EQ(row.leftovers, Leftovers(r));
    }
}

TEST(UninstallRegistry, SetupsOwnKeysAreToldByTheValuesThatTellThem) {
    // The root device setup made for a serial mouse and its class key,
    // edited after setup: a changed value that tells setup's key from
    // another keeps that key (named), a changed value elsewhere does not,
    // and a [Startup] text the list does not give tells nothing.
    const std::string cls = kClassPath + "0000";
    const std::string clsShort = "System\\CurrentControlSet\\Services\\Class\\Mouse\\0000";
    const std::string device = "Enum\\Root\\VelorMouse\\0000";
    struct Row {
        int line;
        std::string edit;
        std::string unknown;  // the [Startup] value left out of the list
        bool deviceGone, classGone;
        std::vector<std::string> leftovers;
    } rows[] = {
        {__LINE__, Key(kRootDevice) + Sz("Mfg", "Other"), "", true, true, {}},
        {__LINE__, Key(kRootDevice) + Sz("Class", "Ports"), "", false, true, {"1 " + device}},
        {__LINE__, Key(kRootDevice) + Sz("DeviceDesc", "Mine"), "", false, true, {"1 " + device}},
        {__LINE__, Key(kRootDevice) + Sz("DetFunc", "*:MINE"), "", false, true, {"1 " + device}},
        {__LINE__, Key(kRootDevice) + Sz("DeviceDesc", "Mine"), "SeialName", true, true, {}},
        {__LINE__, Key(cls) + Sz("DriverDesc", "Mine"), "", true, true, {}},
        {__LINE__, Key(cls) + Sz("DevLoader", "*mine"), "", false, false, {"1 " + clsShort}},
        {__LINE__, Key(cls) + Sz("MouseType", "PS2"), "", false, false, {"1 " + clsShort}},
        {__LINE__, Key(cls) + Sz("MouseDriver", "MINE.DRV"), "", false, false, {"1 " + clsShort}},
        {__LINE__, Key(cls) + Sz("MouseDriver", "MINE.DRV"), "MouseDriver", true, true, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        ResetScenario(1);
        ASSERT_TRUE(LoadReg(kBase));
        regtest::Register(RegisterScope::DriverOnly);
        ASSERT_TRUE(LoadReg(row.edit));
        StartupStrings script = gScript.startupStrings;
        if (row.unknown == "SeialName") {
            script.SeialName[0] = 0;
        } else if (row.unknown == "MouseDriver") {
            script.MouseDriver[0] = 0;
        }
        UndoReport r = UndoReport();
        RestoreDriverRegistration(regtest::RecordOf(gChoices), script, &r);
        EXPECT_EQ(row.deviceGone, !testing_registry::KeyExists(kRootDevice));
        EXPECT_EQ(row.classGone, !testing_registry::KeyExists(cls));
        EXPECT_EQ(row.leftovers, Leftovers(r));
    }
}

TEST(UninstallRegistry, WhatAnOlderRecordDidNotKeepIsLeftAndNamed) {
    // A first setup of an older version recorded the section without
    // ConfigFlags and MouseType; a second setup finds only its own values
    // there and must not keep them as the earlier ones.
    ResetScenario(0);
    ASSERT_TRUE(LoadReg(kBase + ListedDevice(kPs2, "Mouse\\0000") + OldClass("0000")));
    regtest::Register(RegisterScope::Full);
    for (const char* key : {"ConfigFlags", "MouseType"}) {
        plat::ProfileWriteString("PS2", key, nullptr, RecordPath().c_str());
    }
    regtest::Register(RegisterScope::Full);
    char kept[8];
    for (const char* key : {"ConfigFlags", "MouseType"}) {
        plat::ProfileGetString("PS2", key, "", kept, sizeof kept, RecordPath().c_str());
        EXPECT_STREQ("?", kept) << key;
    }
    UndoReport r;
    Undo(&r);
    EXPECT_EQ((std::vector<std::string>{
                  "2 System\\CurrentControlSet\\Services\\Class\\Mouse\\0000  MouseType",
                  "2 Enum\\" + kPs2 + "  ConfigFlags"}),
              Leftovers(r));
}

TEST(UninstallRegistry, TamperedRecordTouchesNothingOutsideItsKeys) {
    // A record whose SubKey2 names a key outside the class keys, and whose
    // SubKey1 is not a device key: neither is opened. A SubKey1 naming a
    // device that is no mouse (the keyboard, with setup's texts and zero
    // flags) is not touched either.
    ResetScenario(0);
    ASSERT_TRUE(LoadReg(kBase + Key(std::string(kCurrentVersion) + "\\Setup") +
                        Sz("MouseDriver", "VLMOUSE.DRV") + Sz("DevLoader", "*vmouse") +
                        Sz("MouseType", "PS2") + Device("BIOS\\*PNP0303\\0000") +
                        Sz("Class", "Keyboard") + Sz("DeviceDesc", kSerialName) + Sz("Mfg", kMfg) +
                        "\"ConfigFlags\"=hex:00,00,00,00\r\n"));
    InstallRecord& record = regtest::RecordOf(gChoices);
    record.RecordOriginalValue("PS2", "SubKey1",
                               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup");
    record.RecordOriginalValue("PS2", "SubKey2",
                               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup");
    record.RecordOriginalValue("Serial", "SubKey1", "Enum\\BIOS\\*PNP0303\\0000");
    record.RecordOriginalValue("Serial", "DeviceDesc", "Standard 101/102-Key Keyboard");
    record.RecordOriginalValue("Serial", "Mfg", "(Standard keyboards)");
    record.RecordOriginalValue("Serial", "ConfigFlags", "-");
    ASSERT_EQ(1, record.Commit());
    std::string before = Snapshot();
    UndoReport r;
    Undo(&r);
    EXPECT_EQ(before, Snapshot());
    EXPECT_EQ(0, r.changed);
    EXPECT_EQ(std::vector<std::string>{"2 Enum\\BIOS\\*PNP0303\\0000"}, Leftovers(r));
}

TEST(UninstallRegistry, FailuresLoseNoValue) {
    // Every registry write or delete of the undo fails in turn: what was
    // there stays, and the failure is reported.
    struct Row {
        int line;
        Op op;
        const char* match;
        int kind;
    } rows[] = {
        {__LINE__, Op::RegSet, "Class\\Mouse\\0000", kLeftFailed},
        {__LINE__, Op::RegSet, "BIOS", kLeftFailed},
        {__LINE__, Op::RegDelete, "Uninstall", kLeftKey},
        {__LINE__, Op::RegOpen, "Class\\Mouse\\0000", kLeftKey},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        ResetScenario(0);
        ASSERT_TRUE(LoadReg(kBase + ListedDevice(kPs2, "Mouse\\0000") + OldClass("0000")));
        std::map<std::string, std::string> before = Values(Snapshot());
        regtest::Register(RegisterScope::Full);
        std::map<std::string, std::string> installed = Values(Snapshot());
        InjectFault(row.op, row.match);
        UndoReport r;
        Undo(&r);
        plat::posix::ClearFaults();
        bool reported = false;
        for (int i = 0; i < r.count; i++) {
            reported = reported || r.leftovers[i].kind == row.kind;
        }
        EXPECT_TRUE(reported) << testing::PrintToString(Leftovers(r));
        // Nothing of the machine went missing: every value (absent counts)
        // is either setup's or the one before it.
        std::map<std::string, std::string> now = Values(Snapshot());
        std::map<std::string, std::string> all = before;
        all.insert(installed.begin(), installed.end());
        all.insert(now.begin(), now.end());
        for (const auto& kv : all) {
            const std::string& v = now[kv.first];
            EXPECT_TRUE(v == before[kv.first] || v == installed[kv.first])
                << kv.first << " = " << v << ": neither setup's nor the earlier value";
        }
        // A later run without the fault finishes the job.
        UndoReport again;
        Undo(&again);
        testing_registry::Value restored =
            testing_registry::Read(kClassPath + "0000", "MouseDriver");
        EXPECT_EQ("mouse.drv", restored.data.substr(0, restored.data.find('\0')));
        EXPECT_FALSE(
            testing_registry::KeyExists(std::string(kCurrentVersion) + "\\Uninstall\\VelorPoint"));
    }
}

TEST(UninstallRegistry, AKeyWithSubkeysIsNotTakenWhole) {
    // Setup made Mouse\0001 for a device without Driver; something else
    // has put a subkey below it since.
    ResetScenario(0);
    ASSERT_TRUE(LoadReg(kBase + ListedDevice(kPs2, "") + OldClass("0000")));
    regtest::Register(RegisterScope::Full);
    ASSERT_TRUE(LoadReg(Key(kClassPath + "0001\\Extra") + Sz("Kept", "yes")));
    UndoReport r;
    Undo(&r);
    EXPECT_TRUE(testing_registry::Read(kClassPath + "0001\\Extra", "Kept").present);
    EXPECT_EQ(std::vector<std::string>{"3 " + std::string(kClassPath).substr(19) + "0001"},
              Leftovers(r));
    // The device keeps the Driver that names it.
    EXPECT_TRUE(testing_registry::Read(std::string(kHklm) + "Enum\\" + kPs2, "Driver").present);
}
