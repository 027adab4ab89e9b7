// The device probe and the Configuration Manager's list against Wine's real
// calls: "\\.\VLMOUSE" opened with the probe's exact arguments, and
// HKEY_DYN_DATA entries that regedit loaded into the running wineserver.
#include <gtest/gtest.h>
#include <windows.h>

#include "install/register_driver.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "support/probe_device.h"
#include "support/test_machine.h"
#include "support/test_registry.h"

namespace {

// CreateFileA(name, 0, 0, NULL, 0, 0, NULL): creation disposition 0 is only
// taken for a VxD name in the Windows 95/98 mode; NT rejects it outright.
bool RawProbeOpens() {
    HANDLE h = CreateFileA("\\\\.\\VLMOUSE", 0, 0, nullptr, 0, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(h);
    return true;
}

}  // namespace

TEST(DeviceProbeWine, BothOutcomesWithTheProbeArguments) {
    ASSERT_NE(0u, GetVersion() & 0x80000000u)
        << "the test program must run with the Windows 98 version set in the prefix";
    struct Row {
        bool present;
    } rows[] = {{false}, {true}, {false}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        ASSERT_TRUE(testing_probe::SetDevicePresent(rows[i].present)) << "row " << i;
        EXPECT_EQ(rows[i].present, RawProbeOpens()) << "row " << i;
        EXPECT_EQ(rows[i].present ? 1 : 0, plat::DeviceOpens("\\\\.\\VLMOUSE")) << "row " << i;
    }
    testing_probe::SetDevicePresent(false);
}

TEST(DeviceProbeWine, DeviceListLoadedByRegeditIsSearched) {
    testing_machine::Reset();
    testing_registry::DeleteTree("HKEY_DYN_DATA\\Config Manager\\Enum");
    ASSERT_TRUE(
        testing_registry::Load("REGEDIT4\r\n\r\n[HKEY_DYN_DATA\\Config Manager\\Enum\\C29A3B10]\r\n"
                               "\"HardWareKey\"=\"BIOS\\\\*PNP0F13\\\\0000\"\r\n\r\n"));

    plat::RegKey list;
    ASSERT_EQ(plat::kErrSuccess, plat::RegOpen(plat::DynData(), "Config Manager\\Enum", &list));
    char name[80];
    EXPECT_EQ(plat::kErrSuccess, plat::RegEnumSubkey(list, 0, name, sizeof name));
    EXPECT_STREQ("C29A3B10", name);
    plat::RegClose(list);

    char out[80] = "";
    EXPECT_EQ(1, FindHardwareKey("BIOS\\*PNP0F13\\", out));
    EXPECT_STREQ("BIOS\\*PNP0F13\\0000", out);
    testing_registry::DeleteTree("HKEY_DYN_DATA\\Config Manager\\Enum");
    EXPECT_EQ(0, FindHardwareKey("BIOS\\*PNP0F13\\", out));
}
