// What only the POSIX stand-ins show: the order of every registry write,
// failures injected into the registry, and enumeration orders that the
// real registry would sort.
#include <gtest/gtest.h>
#include <stdio.h>
#include <strings.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install/installation.h"
#include "install/register_driver.h"
#include "model/setup_data.h"
#include "platform/posix/machine.h"
#include "platform/text.h"
#include "support/test_machine.h"
#include "unit/register_driver_support.h"

using namespace regtest;
using plat::posix::InjectFault;
using plat::posix::Op;

namespace {

const std::string kPs2Key = "BIOS\\*PNP0F13\\0000";
const std::string kDevice = "HKEY_LOCAL_MACHINE\\Enum\\" + kPs2Key;
const std::string kVersion = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const std::string kClsid = "{7D31A6C2-5E90-11d2-9B4C-00A0C93E1F52}";

std::string Ps2Machine(const std::string& driverLine) {
    return Listed("C29A3B10", kPs2Key) + Device(kPs2Key) + Sz("DeviceDesc", "Old desc") +
           Sz("Mfg", "Old mfg") + driverLine;
}

// One expected write: key, value name, type, data ("\0\0\0\0" for flags).
struct W {
    std::string key;
    std::string value;
    uint32_t type;
    std::string data;
};

W Text(const std::string& key, const std::string& value, const std::string& data) {
    return W{key, value, plat::kRegSz, data};
}
W Flags(const std::string& key, const std::string& value) {
    return W{key, value, plat::kRegBinary, std::string(4, '\0')};
}

std::vector<W> ApplicationWrites(const std::string& dest, const std::string& title) {
    std::string handlers = kVersion + "\\Controls Folder\\Mouse\\shellex\\PropertySheetHandlers";
    return {
        Text("HKEY_CLASSES_ROOT\\CLSID\\" + kClsid, "", "Q7MouseControlPage"),
        Text("HKEY_CLASSES_ROOT\\CLSID\\" + kClsid + "\\InProcServer32", "", dest + "\\Q7PAGE.DLL"),
        Text("HKEY_CLASSES_ROOT\\CLSID\\" + kClsid + "\\InProcServer32", "ThreadingModel",
             "Apartment"),
        Text(handlers, "", "Q7MousePage"),
        Text(handlers + "\\Q7MousePage", "", kClsid),
        Text(kVersion + "\\Run", "VelorPoint", dest + "\\Q7MAIN.EXE -startup"),
        Text(kVersion + "\\Uninstall\\VelorPoint", "DisplayName", title),
        Text(kVersion + "\\Uninstall\\VelorPoint", "UninstallString", dest + "\\UNINSTAL.EXE"),
    };
}

std::vector<W> CreatedClassWrites(const std::string& cls, const std::string& typeWord,
                                  const std::string& desc, const std::string& inf) {
    return {
        Text(cls, "DevLoader", "*vmouse"),      Text(cls, "MouseType", typeWord),
        Text(cls, "MouseDriver", kMouseDriver), Text(cls, "InfPath", kMouseInf),
        Text(cls, "DriverDesc", desc),          Text(cls, "DriverDate", kDriverDate),
        Text(cls, "InfSection", inf),
    };
}

std::vector<W> Concat(std::vector<W> a, const std::vector<W>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Compares the store's record of writes with the expected list, row by row;
// key paths compare case-blindly (the store keeps the spelling it created).
void ExpectWrites(int line, const std::vector<W>& expected) {
    const std::vector<plat::posix::RegWrite>& got = plat::posix::RegistryWrites();
    size_t n = std::max(expected.size(), got.size());
    for (size_t i = 0; i < n; i++) {
        if (i >= got.size()) {
            ADD_FAILURE() << "line " << line << " write " << i << ": missing " << expected[i].key
                          << " : " << expected[i].value;
            continue;
        }
        if (i >= expected.size()) {
            ADD_FAILURE() << "line " << line << " write " << i << ": unexpected " << got[i].key
                          << " : " << got[i].value;
            continue;
        }
        EXPECT_EQ(0, strcasecmp(expected[i].key.c_str(), got[i].key.c_str()))
            << "line " << line << " write " << i << ": key " << got[i].key << ", expected "
            << expected[i].key;
        EXPECT_EQ(expected[i].value, got[i].value) << "line " << line << " write " << i;
        EXPECT_EQ(expected[i].type, got[i].type)
            << "line " << line << " write " << i << " " << got[i].value;
        EXPECT_EQ(expected[i].data, got[i].data)
            << "line " << line << " write " << i << " " << got[i].value;
    }
}

}  // namespace

TEST(RegisterDriverNative, ListedDeviceWithClassKeyWritesInOrder) {
    ResetScenario(0);
    ASSERT_TRUE(LoadReg(Ps2Machine(Sz("Driver", "Mouse\\0001")) + ClassKey("0001") +
                        Sz("DevLoader", "*vmouse")));
    plat::posix::ClearRegistryWrites();

    regtest::Register(RegisterScope::Full);

    std::string cls = std::string(kClassMouse) + "\\0001";
    std::vector<W> driver = {
        Text(kDevice, "DeviceDesc", kPs2Name),
        Flags(kDevice, "ConfigFlags"),
        Text(kDevice, "Mfg", kMfg),
        Text(cls, "MouseDriver", kMouseDriver),
        Text(cls, "InfPath", kMouseInf),
        Text(cls, "DriverDesc", kPs2Name),
        Text(cls, "DriverDate", kDriverDate),
        Text(cls, "InfSection", kPs2Inf),
        Text(cls, "MouseType", "PS2"),
    };
    ExpectWrites(__LINE__, Concat(ApplicationWrites(gChoices.destDir, kTitle), driver));
}

TEST(RegisterDriverNative, NewClassKeyWritesDriverFirstThenTheTableOrder) {
    ResetScenario(0);
    ASSERT_TRUE(LoadReg(Ps2Machine("")));
    plat::posix::ClearRegistryWrites();

    regtest::Register(RegisterScope::DriverOnly);

    std::string cls = std::string(kClassMouse) + "\\0000";
    std::vector<W> device = {
        Text(kDevice, "DeviceDesc", kPs2Name),
        Flags(kDevice, "ConfigFlags"),
        Text(kDevice, "Mfg", kMfg),
        Text(kDevice, "Driver", "Mouse\\0000"),
    };
    ExpectWrites(__LINE__, Concat(device, CreatedClassWrites(cls, "PS2", kPs2Name, kPs2Inf)));
}

TEST(RegisterDriverNative, NewSerialDeviceWritesInOrder) {
    ResetScenario(1);
    plat::posix::ClearRegistryWrites();

    regtest::Register(RegisterScope::DriverOnly);

    std::string cls = std::string(kClassMouse) + "\\0000";
    std::vector<W> device = {
        Text(kRootDevice, "Class", "Mouse"),
        Text(kRootDevice, "DeviceDesc", kSerialName),
        Text(kRootDevice, "Mfg", kMfg),
        Flags(kRootDevice, "ConfigFlags"),
        Flags(kRootDevice, "DetFlags"),
        Text(kRootDevice, "DetFunc", "*:DETECTSERIALMOUSE"),
        Text(kRootDevice, "Driver", "Mouse\\0000"),
    };
    ExpectWrites(__LINE__,
                 Concat(device, CreatedClassWrites(cls, "Serial", kSerialName, kSerialInf)));
}

TEST(RegisterDriverNative, ApplicationKeyThatCannotBeCreatedIsSkipped) {
    ResetScenario(0);
    InjectFault(Op::RegCreate, "InProcServer32");
    InjectFault(Op::RegCreate, "\\Run");
    plat::posix::ClearRegistryWrites();

    regtest::Register(RegisterScope::Full);

    std::vector<W> all = ApplicationWrites(gChoices.destDir, kTitle);
    ExpectWrites(__LINE__, {all[0], all[3], all[4], all[6], all[7]});
}

TEST(RegisterDriverNative, FailedWritesArePassedOverAndTold) {
    ResetScenario(0);
    ASSERT_TRUE(LoadReg(Ps2Machine(Sz("Driver", "Mouse\\0001")) + ClassKey("0001") +
                        Sz("MouseDriver", "old.drv") + Sz("InfPath", "OLD.INF")));
    // The class key's second write, InfPath, fails; the rest go on.
    InjectFault(Op::RegSet, "Mouse\\0001", 1, 1);

    EXPECT_EQ(0, regtest::Register(RegisterScope::DriverOnly));

    std::string cls = std::string(kClassMouse) + "\\0001";
    EXPECT_KEPT(cls, "InfPath", "OLD.INF");
    EXPECT_TEXT(cls, "MouseDriver", kMouseDriver);
    EXPECT_TEXT(cls, "DriverDesc", kPs2Name);
    EXPECT_TEXT(cls, "MouseType", "PS2");
    std::vector<std::string> record = RecordEntries();
    ASSERT_EQ(11u, record.size()) << Joined(record);
    EXPECT_EQ("PS2/InfPath=OLD.INF", record[6]);
    EXPECT_EQ("PS2/DriverDesc=-", record[7]) << "absent before";
}

TEST(RegisterDriverNative, AFailedWriteIsToldAndSystemIniLeftAsItWas) {
    struct Row {
        int line;
        Op op;
        const char* match;
        int result;
        bool classWritten;  // setup's MouseType in the class key
    } rows[] = {
        {__LINE__, Op::RegSet, "Mouse\\0001", kInstallRegisterFailed, true},
        // The record cannot be written once there is one to copy: nothing
        // it would keep is overwritten.
        {__LINE__, Op::FileCreate, "SETUP.NEW", kInstallRecordFailed, false},
        // The registration cannot be put on the disk: system.ini must not
        // name the driver yet.
        {__LINE__, Op::RegFlush, "HKEY_LOCAL_MACHINE", kInstallRegisterFailed, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        ResetScenario(0);
        ASSERT_TRUE(LoadReg(Ps2Machine(Sz("Driver", "Mouse\\0001")) + ClassKey("0001")));
        const char ini[] = "[386Enh]\r\nmouse=old.vxd\r\n";
        std::string windows = testing_machine::Path("WINDOWS");
        ASSERT_TRUE(testing_machine::WriteFile(windows + "\\system.ini", ini));
        text::Copy(gChoices.windowsDir, sizeof gChoices.windowsDir, windows.c_str());
        InjectFault(row.op, row.match, 0, row.op == Op::RegSet ? 1 : -1);
        NoProgress page;

        EXPECT_EQ(row.result,
                  RunInstallation(gScript, gChoices, regtest::RecordOf(gChoices), page));

        plat::posix::ClearFaults();
        std::string now;
        ASSERT_TRUE(testing_machine::ReadFile(windows + "\\system.ini", &now));
        EXPECT_EQ(ini, now);
        EXPECT_EQ(row.classWritten,
                  testing_registry::Read(std::string(kClassMouse) + "\\0001", "MouseType").present);
    }
}

TEST(RegisterDriverNative, UnreadableValuesAreRecordedUnknown) {
    ResetScenario(0);
    // The 80-byte field: 79 characters and the end fit, 80 without an end
    // (as a value may be stored) do not.
    std::string hex80 = "\"InfPath\"=hex(1):69";
    for (int i = 1; i < 80; i++) {
        hex80 += ",69";
    }
    ASSERT_TRUE(LoadReg(Ps2Machine(Sz("Driver", "Mouse\\0001")) + ClassKey("0001") +
                        Sz("MouseDriver", "old.drv") + Sz("DriverDesc", std::string(79, 'd')) +
                        hex80 + "\r\n"));
    // Queries are made on the device key (DeviceDesc, Mfg, Driver) and then
    // on the class key; the device's first one fails.
    InjectFault(Op::RegQuery, kPs2Key, 0, 1);

    EXPECT_EQ(1, regtest::Register(RegisterScope::DriverOnly)) << "a read is no write";

    std::vector<std::string> record = RecordEntries();
    ASSERT_EQ(11u, record.size()) << Joined(record);
    EXPECT_EQ("PS2/DeviceDesc=?", record[1]);
    EXPECT_EQ("PS2/Mfg=Old mfg", record[3]);
    EXPECT_EQ("PS2/MouseDriver=old.drv", record[5]);
    EXPECT_EQ("PS2/InfPath=?", record[6]);
    EXPECT_EQ("PS2/DriverDesc=" + std::string(79, 'd'), record[7]);
    EXPECT_TEXT(kDevice, "DeviceDesc", kPs2Name);
}

TEST(RegisterDriverNative, ClassKeyThatCannotBeCreatedLeavesDriverNamingIt) {
    ResetScenario(0);
    ASSERT_TRUE(LoadReg(Ps2Machine("")));
    InjectFault(Op::RegCreate, "Class\\Mouse");

    regtest::Register(RegisterScope::DriverOnly);

    EXPECT_TEXT(kDevice, "Driver", "Mouse\\0000");
    EXPECT_FALSE(testing_registry::KeyExists(std::string(kClassMouse) + "\\0000"));
}

TEST(RegisterDriverNative, DeviceKeyThatCannotBeOpenedEndsTheCall) {
    struct Row {
        int serialMouse;
        Op op;
        const char* match;
    } rows[] = {
        {0, Op::RegOpen, "Enum\\BIOS"},
        {1, Op::RegCreate, "VelorMouse"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        ResetScenario(rows[i].serialMouse);
        ASSERT_TRUE(LoadReg(Ps2Machine("")));
        InjectFault(rows[i].op, rows[i].match);
        plat::posix::ClearRegistryWrites();

        regtest::Register(RegisterScope::DriverOnly);

        EXPECT_TRUE(plat::posix::RegistryWrites().empty());
        EXPECT_TRUE(RecordEntries().empty()) << Joined(RecordEntries());
        EXPECT_FALSE(testing_registry::KeyExists(kClassMouse));
    }
}

TEST(RegisterDriverNative, DeviceListThatCannotBeOpenedFindsNothing) {
    ResetScenario(1);
    ASSERT_TRUE(LoadReg(Listed("C1000000", "SERENUM\\VLR4417\\0") + Device("SERENUM\\VLR4417\\0")));
    InjectFault(Op::RegOpen, "Config Manager\\Enum");

    regtest::Register(RegisterScope::DriverOnly);

    // The listed serial device goes unseen, so the root device is made.
    EXPECT_TEXT(kRootDevice, "Driver", "Mouse\\0000");
    EXPECT_ABSENT("HKEY_LOCAL_MACHINE\\Enum\\SERENUM\\VLR4417\\0", "DeviceDesc");
}

TEST(RegisterDriverNative, SubkeysAreTakenInRegistryOrderNotSorted) {
    struct Row {
        std::vector<std::string> subkeys;  // in creation order
        const char* expected;
    } rows[] = {
        {{"0001", "0000"}, "Mouse\\0000"},
        {{"0000", "0002", "0001"}, "Mouse\\0001"},
        {{"0000", "0001", "-3", "0002"}, "Mouse\\-002"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        ResetScenario(0);
        std::string reg;
        for (const std::string& k : rows[i].subkeys) {
            reg += ClassKey(k) + Sz("DevLoader", "*vmouse");
        }
        ASSERT_TRUE(LoadReg(reg)) << "row " << i;
        char out[80];
        NextMouseClassKey(out);
        EXPECT_STREQ(rows[i].expected, out) << "row " << i;
    }
}

TEST(RegisterDriverNative, FiveDigitClassNumberIsWrittenInFull) {
    ResetScenario(0);
    std::string reg;
    for (int n = 0; n < 10000; n++) {
        char name[8];
        snprintf(name, sizeof name, "%04d", n);
        reg += ClassKey(name);
    }
    ASSERT_TRUE(LoadReg(reg));
    char out[80];
    NextMouseClassKey(out);
    EXPECT_STREQ("Mouse\\10000", out);
}

TEST(RegisterDriverNative, DeviceListNameTooLongEndsTheSearch) {
    ResetScenario(0);
    ASSERT_TRUE(LoadReg(Listed(std::string(80, 'N'), kPs2Key) + Listed("C2000000", kPs2Key)));
    char out[80] = "unchanged";
    EXPECT_EQ(0, FindHardwareKey("BIOS\\*PNP0F13\\", out));
    EXPECT_STREQ("unchanged", out);
}
