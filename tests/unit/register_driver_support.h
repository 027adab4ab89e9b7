// Shared set-up and checks of the driver registration tests: a machine state
// as REGEDIT4 text, the [Startup] values, and read-back of registry values
// and of the install record.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/register_driver.h"
#include "model/setup_data.h"
#include "platform/regedit4_text.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "record/install_record.h"
#include "support/probe_device.h"
#include "support/test_machine.h"
#include "support/test_registry.h"

namespace regtest {

const char kHklm[] = "HKEY_LOCAL_MACHINE\\";
const char kClassMouse[] = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Mouse";
const char kDeviceList[] = "HKEY_DYN_DATA\\Config Manager\\Enum";
const char kRootDevice[] = "HKEY_LOCAL_MACHINE\\Enum\\Root\\VelorMouse\\0000";
const char kClsidKey[] = "HKEY_CLASSES_ROOT\\CLSID\\{7D31A6C2-5E90-11d2-9B4C-00A0C93E1F52}";
const char kCurrentVersion[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// [Startup] values of the scenarios.
const char kTitle[] = "Velor Wheel Mouse";
const char kMfg[] = "Velor";
const char kMouseDriver[] = "VLMOUSE.DRV";
const char kMouseInf[] = "VLMOUSE.INF";
const char kDriverDate[] = "01-15-1999";
const char kPs2Inf[] = "VLPS2";
const char kSerialInf[] = "VLSERIAL";
const char kPs2Name[] = "Velor PS/2 Wheel Mouse";
const char kSerialName[] = "Velor Serial Wheel Mouse";

inline std::string Key(const std::string& path) {
    return "\r\n[" + path + "]\r\n";
}
inline std::string Sz(const std::string& name, const std::string& value) {
    return (name.empty() ? std::string("@") : plat::RegQuoted(name)) + "=" +
           plat::RegQuoted(value) + "\r\n";
}
// One entry of the Configuration Manager's list of present devices.
inline std::string Listed(const std::string& subkey, const std::string& hardwareKey) {
    return Key(std::string(kDeviceList) + "\\" + subkey) + Sz("HardWareKey", hardwareKey);
}
inline std::string Device(const std::string& enumPath) {
    return Key(std::string(kHklm) + "Enum\\" + enumPath);
}
inline std::string ClassKey(const std::string& number) {
    return Key(std::string(kClassMouse) + "\\" + number);
}

inline bool LoadReg(const std::string& body) {
    return testing_registry::Load("REGEDIT4\r\n" + body + "\r\n");
}

// A fresh machine with the keys of these tests removed and the [Startup]
// values set; destDir is C:\...\VELOR below the scratch root.
inline void ResetScenario(int serialMouse) {
    testing_machine::Reset();
    const char* const keys[] = {
        kClsidKey,
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelorPoint",
        "HKEY_LOCAL_MACHINE\\Enum",
        kClassMouse,
        kDeviceList,
    };
    for (const char* key : keys) {
        testing_registry::DeleteTree(key);
    }
    testing_probe::SetDevicePresent(false);
    StartupStrings& s = gScript.startupStrings;
    text::Copy(s.Title, sizeof s.Title, kTitle);
    text::Copy(s.Mfg, sizeof s.Mfg, kMfg);
    text::Copy(s.MouseDriver, sizeof s.MouseDriver, kMouseDriver);
    text::Copy(s.MouseInf, sizeof s.MouseInf, kMouseInf);
    text::Copy(s.DriverDate, sizeof s.DriverDate, kDriverDate);
    text::Copy(s.PS2InfSection, sizeof s.PS2InfSection, kPs2Inf);
    text::Copy(s.SerialInfSection, sizeof s.SerialInfSection, kSerialInf);
    text::Copy(s.PS2Name, sizeof s.PS2Name, kPs2Name);
    text::Copy(s.SeialName, sizeof s.SeialName, kSerialName);
    std::string dest = testing_machine::Path("VELOR");
    text::Copy(gChoices.destDir, sizeof gChoices.destDir, dest.c_str());
    testing_machine::MakeDirs(dest);
    gChoices.serialMouse = serialMouse;
}

// The install record of choices' destination, opened as the programs open it.
inline InstallRecord& LastRecord() {
    static InstallRecord record;
    return record;
}
inline InstallRecord& RecordOf(const InstallChoices& choices) {
    LastRecord().Open(choices.destDir);
    return LastRecord();
}
// The registration of the scenario's choices, its record in the destination.
inline int Register(RegisterScope scope) {
    return RegisterMouseDriver(gScript, gChoices, RecordOf(gChoices), scope);
}

// Install record entries in file order, as "Section/Key=Value"; the mark
// that ends a record written whole is left out.
inline std::vector<std::string> RecordEntries() {
    std::string bytes;
    std::vector<std::string> entries;
    if (!testing_machine::ReadFile(std::string(gChoices.destDir) + "\\SETUP.INF", &bytes)) {
        return entries;
    }
    std::string section;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
        } else if (section != "End") {
            entries.push_back(section + "/" + line);
        }
    }
    return entries;
}

inline std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) {
        out += "  " + l + "\n";
    }
    return out;
}

// A REG_SZ value of exactly the text's length (no terminating zero).
// Deliberate difference under Wine: the NT-family RegSetValueExA counts a
// "forgotten" terminator when the byte after the data is zero, so there the
// value reads back one byte longer; Windows 95/98 keep the length given.
// The exact length written is asserted natively through the write record.
inline void ExpectText(int line, const std::string& key, const std::string& name,
                       const std::string& text) {
    std::string expected = text;
    if (!testing_machine::IsNative()) {
        expected += std::string(1, '\0');
    }
    testing_registry::Value v = testing_registry::Read(key, name);
    EXPECT_TRUE(v.present) << "line " << line << ": " << key << " : " << name << " is missing";
    EXPECT_EQ(plat::kRegSz, v.type) << "line " << line << ": " << key << " : " << name;
    EXPECT_EQ(expected, v.data) << "line " << line << ": " << key << " : " << name << " (length "
                                << v.data.size() << ")";
}

// A text value that this setup left as loaded. Values loaded from REGEDIT4
// text carry their terminating zero, as regedit stores them.
inline void ExpectKept(int line, const std::string& key, const std::string& name,
                       const std::string& expected) {
    testing_registry::Value v = testing_registry::Read(key, name);
    EXPECT_TRUE(v.present) << "line " << line << ": " << key << " : " << name << " is missing";
    EXPECT_EQ(expected + std::string(1, '\0'), v.data)
        << "line " << line << ": " << key << " : " << name << " (length " << v.data.size() << ")";
}

inline void ExpectFlags(int line, const std::string& key, const std::string& name) {
    testing_registry::Value v = testing_registry::Read(key, name);
    EXPECT_TRUE(v.present) << "line " << line << ": " << key << " : " << name << " is missing";
    EXPECT_EQ(plat::kRegBinary, v.type) << "line " << line << ": " << key << " : " << name;
    EXPECT_EQ(std::string(4, '\0'), v.data) << "line " << line << ": " << key << " : " << name;
}

inline void ExpectAbsent(int line, const std::string& key, const std::string& name) {
    EXPECT_FALSE(testing_registry::Read(key, name).present)
        << "line " << line << ": " << key << " : " << name << " should not be there";
}

// The seven values of a class key written by this setup.
inline void ExpectClassValues(int line, const std::string& key, const std::string& typeWord,
                              const std::string& description, const std::string& infSection) {
    ExpectText(line, key, "MouseType", typeWord);
    ExpectText(line, key, "MouseDriver", kMouseDriver);
    ExpectText(line, key, "InfPath", kMouseInf);
    ExpectText(line, key, "DriverDesc", description);
    ExpectText(line, key, "DriverDate", kDriverDate);
    ExpectText(line, key, "InfSection", infSection);
}

}  // namespace regtest

#define EXPECT_TEXT(key, name, value) regtest::ExpectText(__LINE__, key, name, value)
#define EXPECT_KEPT(key, name, value) regtest::ExpectKept(__LINE__, key, name, value)
#define EXPECT_FLAGS(key, name) regtest::ExpectFlags(__LINE__, key, name)
#define EXPECT_ABSENT(key, name) regtest::ExpectAbsent(__LINE__, key, name)
#define EXPECT_CLASS(key, type, desc, inf) \
    regtest::ExpectClassValues(__LINE__, key, type, desc, inf)
