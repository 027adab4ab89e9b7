// Driver registration scenarios, run on both backends: a machine state as
// REGEDIT4 text, the call, then the registry values (type and exact
// length), the install record in file order, and the mouse type word.
#include "install/register_driver.h"

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "unit/register_driver_support.h"

using namespace regtest;

namespace {

const std::string kPs2Key = "BIOS\\*PNP0F13\\0000";
const std::string kPs2Device = std::string(kHklm) + "Enum\\" + kPs2Key;
const std::string kClassPrefix = "System\\CurrentControlSet\\Services\\Class\\";

// A PS/2 device listed by the Configuration Manager, with earlier values.
std::string Ps2Machine(const std::string& driverLine) {
    return Listed("C29A3B10", kPs2Key) + Device(kPs2Key) + Sz("Class", "Mouse") +
           Sz("DeviceDesc", "Standard PS/2 Port Mouse") + Sz("Mfg", "(Standard mouse types)") +
           driverLine;
}

std::string OldClassKey(const std::string& number) {
    return ClassKey(number) + Sz("DevLoader", "*oldloader") + Sz("MouseType", "Old") +
           Sz("MouseDriver", "mouse.drv") + Sz("InfPath", "MSMOUSE.INF") +
           Sz("DriverDesc", "Standard PS/2 Port Mouse") + Sz("DriverDate", "05-11-1998") +
           Sz("InfSection", "PS2_Inst") + Sz("Extra", "kept");
}

}  // namespace

TEST(RegisterDriver, ListedPs2WithClassKeyRecordsEverythingInOrder) {
    ResetScenario(0);
    ASSERT_TRUE(LoadReg(Ps2Machine(Sz("Driver", "Mouse\\0001")) + OldClassKey("0001")));

    regtest::Register(RegisterScope::Full);

    // Application entries.
    std::string dest = gChoices.destDir;
    EXPECT_TEXT(kClsidKey, "", "Q7MouseControlPage");
    EXPECT_TEXT(std::string(kClsidKey) + "\\InProcServer32", "", dest + "\\Q7PAGE.DLL");
    EXPECT_TEXT(std::string(kClsidKey) + "\\InProcServer32", "ThreadingModel", "Apartment");
    std::string handlers =
        std::string(kCurrentVersion) + "\\Controls Folder\\Mouse\\shellex\\PropertySheetHandlers";
    EXPECT_TEXT(handlers, "", "Q7MousePage");
    EXPECT_TEXT(handlers + "\\Q7MousePage", "", "{7D31A6C2-5E90-11d2-9B4C-00A0C93E1F52}");
    EXPECT_TEXT(std::string(kCurrentVersion) + "\\Run", "VelorPoint",
                dest + "\\Q7MAIN.EXE -startup");
    std::string uninstall = std::string(kCurrentVersion) + "\\Uninstall\\VelorPoint";
    EXPECT_TEXT(uninstall, "DisplayName", kTitle);
    EXPECT_TEXT(uninstall, "UninstallString", dest + "\\UNINSTAL.EXE");

    // Device key: new texts, flags, Driver left alone.
    EXPECT_TEXT(kPs2Device, "DeviceDesc", kPs2Name);
    EXPECT_TEXT(kPs2Device, "Mfg", kMfg);
    EXPECT_FLAGS(kPs2Device, "ConfigFlags");
    EXPECT_KEPT(kPs2Device, "Driver", "Mouse\\0001");
    EXPECT_ABSENT(kPs2Device, "DetFlags");

    // Class key brought up to date; its loader and other values stay.
    std::string cls = std::string(kClassMouse) + "\\0001";
    EXPECT_CLASS(cls, "PS2", kPs2Name, kPs2Inf);
    EXPECT_KEPT(cls, "DevLoader", "*oldloader");
    EXPECT_KEPT(cls, "Extra", "kept");

    std::vector<std::string> expected = {
        "PS2/SubKey1=Enum\\" + kPs2Key,
        "PS2/DeviceDesc=Standard PS/2 Port Mouse",
        "PS2/ConfigFlags=-",
        "PS2/Mfg=(Standard mouse types)",
        "PS2/SubKey2=" + kClassPrefix + "Mouse\\0001",
        "PS2/MouseDriver=mouse.drv",
        "PS2/InfPath=MSMOUSE.INF",
        "PS2/DriverDesc=Standard PS/2 Port Mouse",
        "PS2/DriverDate=05-11-1998",
        "PS2/InfSection=PS2_Inst",
        "PS2/MouseType=Old",
    };
    EXPECT_EQ(expected, RecordEntries()) << "record:\n" << Joined(RecordEntries());
}

TEST(RegisterDriver, DriverNamingMissingClassKeyCreatesIt) {
    ResetScenario(0);
    ASSERT_TRUE(LoadReg(Ps2Machine(Sz("Driver", "Mouse\\0004"))));

    regtest::Register(RegisterScope::DriverOnly);

    EXPECT_KEPT(kPs2Device, "Driver", "Mouse\\0004");
    std::string cls = std::string(kClassMouse) + "\\0004";
    EXPECT_TEXT(cls, "DevLoader", "*vmouse");
    EXPECT_CLASS(cls, "PS2", kPs2Name, kPs2Inf);
    std::vector<std::string> expected = {
        "PS2/SubKey1=Enum\\" + kPs2Key,
        "PS2/DeviceDesc=Standard PS/2 Port Mouse",
        "PS2/ConfigFlags=-",
        "PS2/Mfg=(Standard mouse types)",
        "PS2/SubKey2=" + kClassPrefix + "Mouse\\0004",
    };
    EXPECT_EQ(expected, RecordEntries()) << "record:\n" << Joined(RecordEntries());
}

TEST(RegisterDriver, DeviceWithoutDriverGetsFirstFreeClassKey) {
    struct Row {
        const char* driverLine;  // the device key's Driver, if any
    } rows[] = {
        {""},
        {"\"Driver\"=\"\"\r\n"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        ResetScenario(0);
        ASSERT_TRUE(LoadReg(Ps2Machine(rows[i].driverLine) + OldClassKey("0000") +
                            OldClassKey("0001") + OldClassKey("0003")));

        regtest::Register(RegisterScope::DriverOnly);

        EXPECT_TEXT(kPs2Device, "Driver", "Mouse\\0002");
        std::string cls = std::string(kClassMouse) + "\\0002";
        EXPECT_TEXT(cls, "DevLoader", "*vmouse");
        EXPECT_CLASS(cls, "PS2", kPs2Name, kPs2Inf);
        // The neighbours are not touched.
        EXPECT_KEPT(std::string(kClassMouse) + "\\0001", "MouseDriver", "mouse.drv");
        std::vector<std::string> expected = {
            "PS2/SubKey1=Enum\\" + kPs2Key,
            "PS2/DeviceDesc=Standard PS/2 Port Mouse",
            "PS2/ConfigFlags=-",
            "PS2/Mfg=(Standard mouse types)",
        };
        EXPECT_EQ(expected, RecordEntries()) << "record:\n" << Joined(RecordEntries());
    }
}

TEST(RegisterDriver, SearchPicksFirstIdThenLatestDevice) {
    struct Row {
        const char* list;        // subkey:HardWareKey pairs, in enumeration order
        const char* registered;  // device key that gets the new DeviceDesc
        const char* untouched;   // device key that keeps its own
    } rows[] = {
        // Two devices with the same id: the later one wins.
        {"C1000000:BIOS\\*PNP0F13\\0000;C2000000:BIOS\\*PNP0F13\\0001", "BIOS\\*PNP0F13\\0001",
         "BIOS\\*PNP0F13\\0000"},
        // The first id of the table wins over a device found earlier.
        {"C1000000:ROOT\\*PNP0F0E\\0000;C2000000:BIOS\\*PNP0F13\\0000", "BIOS\\*PNP0F13\\0000",
         "ROOT\\*PNP0F0E\\0000"},
        {"C1000000:BIOS\\*PNP0F0E\\0000;C2000000:ROOT\\*PNP0F0E\\0000", "BIOS\\*PNP0F0E\\0000",
         "ROOT\\*PNP0F0E\\0000"},
        // Anywhere inside a longer text.
        {"C1000000:ISAPNP\\BIOS\\*PNP0F13\\0000;C2000000:bios\\*pnp0f13\\0001",
         "ISAPNP\\BIOS\\*PNP0F13\\0000", "bios\\*pnp0f13\\0001"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        ResetScenario(0);
        std::string reg;
        std::string list = rows[i].list;
        size_t pos = 0;
        while (pos < list.size()) {
            size_t end = list.find(';', pos);
            if (end == std::string::npos) {
                end = list.size();
            }
            std::string entry = list.substr(pos, end - pos);
            size_t colon = entry.find(':');
            std::string hw = entry.substr(colon + 1);
            reg += Listed(entry.substr(0, colon), hw) + Device(hw) + Sz("DeviceDesc", "Old");
            pos = end + 1;
        }
        ASSERT_TRUE(LoadReg(reg));

        regtest::Register(RegisterScope::DriverOnly);

        EXPECT_TEXT(std::string(kHklm) + "Enum\\" + rows[i].registered, "DeviceDesc", kPs2Name);
        EXPECT_KEPT(std::string(kHklm) + "Enum\\" + rows[i].untouched, "DeviceDesc", "Old");
        std::vector<std::string> record = RecordEntries();
        ASSERT_FALSE(record.empty());
        EXPECT_EQ(std::string("PS2/SubKey1=Enum\\") + rows[i].registered, record[0]);
    }
}

TEST(RegisterDriver, IdsMatchCaseSensitively) {
    // Only a lower-case PS/2 id is listed: no PS/2 device, so a PS/2 choice
    // writes nothing after the probe.
    ResetScenario(0);
    std::string hw = "bios\\*pnp0f13\\0000";
    ASSERT_TRUE(LoadReg(Listed("C1000000", hw) + Device(hw) + Sz("DeviceDesc", "Old")));
    char out[80] = "unchanged";
    EXPECT_EQ(0, FindHardwareKey("BIOS\\*PNP0F13\\", out));
    EXPECT_STREQ("unchanged", out);
    EXPECT_EQ(1, FindHardwareKey("bios\\*pnp0f13\\", out));
    EXPECT_EQ(hw, out);

    regtest::Register(RegisterScope::DriverOnly);

    EXPECT_KEPT(std::string(kHklm) + "Enum\\" + hw, "DeviceDesc", "Old");
    EXPECT_FALSE(testing_registry::KeyExists(std::string(kClassMouse) + "\\0000"));
    EXPECT_TRUE(RecordEntries().empty()) << Joined(RecordEntries());
}

TEST(RegisterDriver, SerialWithoutListedSerialDeviceCreatesRootDevice) {
    // A PS/2 device is listed, but the user chose serial: it is left alone.
    ResetScenario(1);
    ASSERT_TRUE(LoadReg(Ps2Machine(Sz("Driver", "Mouse\\0000")) + OldClassKey("0000")));

    regtest::Register(RegisterScope::DriverOnly);

    EXPECT_TEXT(kRootDevice, "Class", "Mouse");
    EXPECT_TEXT(kRootDevice, "DeviceDesc", kSerialName);
    EXPECT_TEXT(kRootDevice, "Mfg", kMfg);
    EXPECT_FLAGS(kRootDevice, "ConfigFlags");
    EXPECT_FLAGS(kRootDevice, "DetFlags");
    EXPECT_TEXT(kRootDevice, "DetFunc", "*:DETECTSERIALMOUSE");
    EXPECT_TEXT(kRootDevice, "Driver", "Mouse\\0001");
    std::string cls = std::string(kClassMouse) + "\\0001";
    EXPECT_TEXT(cls, "DevLoader", "*vmouse");
    EXPECT_CLASS(cls, "Serial", kSerialName, kSerialInf);
    EXPECT_KEPT(kPs2Device, "DeviceDesc", "Standard PS/2 Port Mouse");
    EXPECT_KEPT(std::string(kClassMouse) + "\\0000", "MouseType", "Old");
    EXPECT_TRUE(RecordEntries().empty()) << Joined(RecordEntries());

    // A further call keeps the class key its root device names.
    regtest::Register(RegisterScope::DriverOnly);
    EXPECT_TEXT(kRootDevice, "Driver", "Mouse\\0001");
    EXPECT_FALSE(testing_registry::KeyExists(std::string(kClassMouse) + "\\0002"));
}

TEST(RegisterDriver, ListedSerialDeviceIsRegistered) {
    struct Row {
        const char* hardwareKey;
    } rows[] = {
        {"ROOT\\*PNP0F0C\\0000"},
        {"SERENUM\\VLR4417\\1&2A5B&0"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        ResetScenario(1);
        std::string hw = rows[i].hardwareKey;
        ASSERT_TRUE(LoadReg(Listed("C1000000", hw) + Device(hw) + Sz("DeviceDesc", "Serial")));

        regtest::Register(RegisterScope::DriverOnly);

        std::string device = std::string(kHklm) + "Enum\\" + hw;
        EXPECT_TEXT(device, "DeviceDesc", kSerialName);
        EXPECT_TEXT(device, "Driver", "Mouse\\0000");
        EXPECT_ABSENT(device, "DetFunc");
        EXPECT_CLASS(std::string(kClassMouse) + "\\0000", "Serial", kSerialName, kSerialInf);
        EXPECT_FALSE(testing_registry::KeyExists(kRootDevice));
        std::vector<std::string> expected = {
            "Serial/SubKey1=Enum\\" + hw,
            "Serial/DeviceDesc=Serial",
            "Serial/ConfigFlags=-",
            "Serial/Mfg=-",
        };
        EXPECT_EQ(expected, RecordEntries()) << "record:\n" << Joined(RecordEntries());
    }
}

TEST(RegisterDriver, NoBranchWritesNothingAfterTheApplicationEntries) {
    struct Row {
        int serialMouse;
        bool ps2Listed;
    } rows[] = {
        {0, false},  // PS/2 chosen, none listed
        {2, true},   // a script default outside 0 and 1
        {-1, true},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        ResetScenario(rows[i].serialMouse);
        std::string reg = Listed("C1000000", "ROOT\\*PNP0F0C\\0000") +
                          Device("ROOT\\*PNP0F0C\\0000") + Sz("DeviceDesc", "Old");
        if (rows[i].ps2Listed) {
            reg += Ps2Machine("");
        }
        ASSERT_TRUE(LoadReg(reg));

        regtest::Register(RegisterScope::Full);

        EXPECT_TEXT(kClsidKey, "", "Q7MouseControlPage");
        EXPECT_KEPT(std::string(kHklm) + "Enum\\ROOT\\*PNP0F0C\\0000", "DeviceDesc", "Old");
        EXPECT_FALSE(testing_registry::KeyExists(kRootDevice));
        EXPECT_FALSE(testing_registry::KeyExists(kClassMouse));
        EXPECT_TRUE(RecordEntries().empty()) << Joined(RecordEntries());
    }
}

TEST(RegisterDriver, OpenProbeEndsTheCallAfterApplicationEntries) {
    struct Row {
        RegisterScope scope;
    } rows[] = {{RegisterScope::Full}, {RegisterScope::DriverOnly}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        ResetScenario(0);
        ASSERT_TRUE(LoadReg(Ps2Machine("")));
        ASSERT_TRUE(testing_probe::SetDevicePresent(true));

        RegisterMouseDriver(gScript, gChoices, regtest::RecordOf(gChoices), rows[i].scope);

        EXPECT_EQ(rows[i].scope == RegisterScope::Full, testing_registry::KeyExists(kClsidKey));
        EXPECT_EQ(
            rows[i].scope == RegisterScope::Full,
            testing_registry::Read(std::string(kCurrentVersion) + "\\Run", "VelorPoint").present);
        EXPECT_KEPT(kPs2Device, "DeviceDesc", "Standard PS/2 Port Mouse");
        EXPECT_ABSENT(kPs2Device, "Driver");
        EXPECT_FALSE(testing_registry::KeyExists(kClassMouse));
        EXPECT_TRUE(RecordEntries().empty()) << Joined(RecordEntries());
        testing_probe::SetDevicePresent(false);
    }
}

TEST(RegisterDriver, SecondCallKeepsFirstSeenValues) {
    ResetScenario(0);
    // No Mfg on the device: it is kept as absent, and stays so through the
    // next call, as every other entry does.
    ASSERT_TRUE(LoadReg(Listed("C1000000", kPs2Key) + Device(kPs2Key) +
                        Sz("DeviceDesc", "Standard PS/2 Port Mouse") + Sz("Driver", "Mouse\\0001") +
                        OldClassKey("0001")));

    regtest::Register(RegisterScope::DriverOnly);
    std::vector<std::string> first = RecordEntries();
    ASSERT_EQ(11u, first.size()) << Joined(first);
    EXPECT_EQ("PS2/Mfg=-", first[3]);

    regtest::Register(RegisterScope::DriverOnly);
    std::vector<std::string> second = RecordEntries();
    EXPECT_EQ(first, second) << "record:\n" << Joined(second);
    // An older setup kept the absent Mfg as an empty entry: it stays too.
    std::string record = std::string(gChoices.destDir) + "\\SETUP.INF";
    ASSERT_TRUE(plat::ProfileWriteString("PS2", "Mfg", "", record.c_str()));
    regtest::Register(RegisterScope::DriverOnly);
    EXPECT_EQ("PS2/Mfg=", RecordEntries()[3]);
    EXPECT_TEXT(kPs2Device, "DeviceDesc", kPs2Name);
    EXPECT_CLASS(std::string(kClassMouse) + "\\0001", "PS2", kPs2Name, kPs2Inf);
}

TEST(RegisterDriver, NextClassKeyFollowsTheSubkeysInOrder) {
    struct Row {
        std::vector<std::string> subkeys;  // in creation and name order
        const char* expected;
    } rows[] = {
        {{}, "Mouse\\0000"},
        {{"0000", "0001", "0003"}, "Mouse\\0002"},
        {{"0000", "0001", "0002", "0003", "0004"}, "Mouse\\0005"},
        {{"0001"}, "Mouse\\0000"},
        {{"0000", "abc"}, "Mouse\\0001"},  // no leading digits: number 0
        {{"0000", "1x", "2"}, "Mouse\\0003"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        ResetScenario(0);
        std::string reg;
        for (const std::string& k : rows[i].subkeys) {
            reg += ClassKey(k) + Sz("DevLoader", "*vmouse");
        }
        if (!reg.empty()) {
            ASSERT_TRUE(LoadReg(reg)) << "row " << i;
        }
        char out[80];
        EXPECT_EQ(1, NextMouseClassKey(out)) << "row " << i;
        EXPECT_STREQ(rows[i].expected, out) << "row " << i;
    }
}

TEST(RegisterDriver, TextsTooLongForTheirFieldsAreNotWrittenCut) {
    // The composed paths go through 80-byte fields: up to 79 characters.
    struct Row {
        size_t destLength;
        bool page;       // destDir + "\Q7PAGE.DLL" (11 more)
        bool run;        // destDir + "\Q7MAIN.EXE -startup" (20 more)
        bool uninstall;  // destDir + "\UNINSTAL.EXE" (13 more)
    } rows[] = {
        {59, true, true, true},   {60, true, false, true},  {66, true, false, true},
        {67, true, false, false}, {68, true, false, false}, {69, false, false, false},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        ResetScenario(0);
        std::string dest = gChoices.destDir;
        ASSERT_LT(dest.size() + 2, rows[i].destLength);
        dest += "\\" + std::string(rows[i].destLength - dest.size() - 1, 'D');
        text::Copy(gChoices.destDir, sizeof gChoices.destDir, dest.c_str());
        ASSERT_TRUE(testing_machine::MakeDirs(dest));  // the record's place

        regtest::Register(RegisterScope::Full);

        std::string server = std::string(kClsidKey) + "\\InProcServer32";
        std::string run = std::string(kCurrentVersion) + "\\Run";
        std::string uninstall = std::string(kCurrentVersion) + "\\Uninstall\\VelorPoint";
        EXPECT_EQ(rows[i].page, testing_registry::Read(server, "").present);
        EXPECT_EQ(rows[i].run, testing_registry::Read(run, "VelorPoint").present);
        EXPECT_EQ(rows[i].uninstall, testing_registry::Read(uninstall, "UninstallString").present);
        if (rows[i].page) {
            EXPECT_TEXT(server, "", dest + "\\Q7PAGE.DLL");
        }
        // The other values of the same keys are still written.
        EXPECT_TEXT(server, "ThreadingModel", "Apartment");
        EXPECT_TEXT(uninstall, "DisplayName", kTitle);
    }

    struct TitleRow {
        size_t length;
        bool written;
    } titles[] = {{79, true}, {80, false}, {255, false}};
    for (size_t i = 0; i < sizeof titles / sizeof titles[0]; i++) {
        SCOPED_TRACE("title row " + std::to_string(i));
        ResetScenario(0);
        std::string title(titles[i].length, 'T');
        text::Copy(gScript.startupStrings.Title, sizeof gScript.startupStrings.Title,
                   title.c_str());

        regtest::Register(RegisterScope::Full);

        std::string uninstall = std::string(kCurrentVersion) + "\\Uninstall\\VelorPoint";
        if (titles[i].written) {
            EXPECT_TEXT(uninstall, "DisplayName", title);
        } else {
            EXPECT_ABSENT(uninstall, "DisplayName");
        }
        EXPECT_TEXT(uninstall, "UninstallString", std::string(gChoices.destDir) + "\\UNINSTAL.EXE");
    }
}

TEST(RegisterDriver, DeviceKeyTooLongForItsFieldEndsTheDriverPart) {
    // "Enum\" and the HardWareKey text must fit in 79 characters; a longer
    // listed device is still found, so no root device replaces it either.
    struct Row {
        const char* id;
        int serialMouse;
        size_t length;  // of the HardWareKey text
        bool registered;
    } rows[] = {
        {"BIOS\\*PNP0F13\\", 0, 74, true},   {"BIOS\\*PNP0F13\\", 0, 75, false},
        {"BIOS\\*PNP0F13\\", 0, 79, false},  {"BIOS\\*PNP0F13\\", 0, 100, false},
        {"SERENUM\\VLR4417\\", 1, 74, true}, {"SERENUM\\VLR4417\\", 1, 90, false},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        ResetScenario(rows[i].serialMouse);
        std::string hw = rows[i].id;
        hw += std::string(rows[i].length - hw.size(), '7');
        ASSERT_TRUE(LoadReg(Listed("C1000000", hw) + Device(hw) + Sz("DeviceDesc", "Old")));

        regtest::Register(RegisterScope::DriverOnly);

        std::string device = std::string(kHklm) + "Enum\\" + hw;
        if (rows[i].registered) {
            EXPECT_TEXT(device, "DeviceDesc", rows[i].serialMouse ? kSerialName : kPs2Name);
        } else {
            EXPECT_KEPT(device, "DeviceDesc", "Old");
        }
        EXPECT_EQ(rows[i].registered, testing_registry::KeyExists(kClassMouse));
        EXPECT_FALSE(testing_registry::KeyExists(kRootDevice));
        EXPECT_EQ(rows[i].registered ? 4u : 0u, RecordEntries().size()) << Joined(RecordEntries());
    }
}
