// The registry calls' contract, the same cases on both backends: natively
// against the store, under Wine against the prefix's real registry (set up
// through Wine's own regedit, which makes these cases a check of the
// store's .reg reader too).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "support/test_registry.h"

namespace {

// Deliberate differences between the store and the registry under Wine are
// decided by this flag, each at the place it matters, with its reason.
#ifdef _WIN32
const bool kRealRegistry = true;
#else
const bool kRealRegistry = false;
#endif

const char kTop[] = "HKEY_LOCAL_MACHINE\\Software\\RegContract";
const char kTopSub[] = "Software\\RegContract";

class RegistryContract : public ::testing::Test {
  protected:
    void SetUp() override { testing_registry::DeleteTree(kTop); }
    void TearDown() override {
        for (plat::RegKey k : open_) {
            plat::RegClose(k);
        }
        testing_registry::DeleteTree(kTop);
    }

    plat::RegKey Create(const std::string& sub) {
        plat::RegKey k = nullptr;
        EXPECT_EQ(plat::kErrSuccess, plat::RegCreate(plat::LocalMachine(), sub.c_str(), &k)) << sub;
        open_.push_back(k);
        return k;
    }

    std::vector<plat::RegKey> open_;
};

std::string Bytes(const char* s, size_t n) {
    return std::string(s, n);
}

std::vector<std::string> EnumAll(plat::RegKey key) {
    std::vector<std::string> names;
    char name[256];
    for (uint32_t i = 0; plat::RegEnumSubkey(key, i, name, sizeof name) == plat::kErrSuccess; i++) {
        names.push_back(name);
    }
    return names;
}

TEST_F(RegistryContract, KeyNamesAreCaseBlindAndKeepTheirSpelling) {
    Create(std::string(kTopSub) + "\\Mixed\\CaseKey");
    struct Row {
        const char* path;
        long expected;
    } rows[] = {
        {"Software\\RegContract\\Mixed\\CaseKey", plat::kErrSuccess},
        {"SOFTWARE\\REGCONTRACT\\MIXED\\CASEKEY", plat::kErrSuccess},
        {"software\\regcontract\\mixed\\casekey", plat::kErrSuccess},
        {"Software\\RegContract\\Mixed\\CaseKey\\", plat::kErrSuccess},
        {"Software\\RegContract\\Mixed\\CaseKe", plat::kErrFileNotFound},
        {"Software\\RegContract\\Missing", plat::kErrFileNotFound},
        {"Software\\RegContract\\Missing\\Deeper", plat::kErrFileNotFound},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        plat::RegKey k = reinterpret_cast<plat::RegKey>(0x1234);
        long got = plat::RegOpen(plat::LocalMachine(), rows[i].path, &k);
        EXPECT_EQ(rows[i].expected, got) << "row " << i << ": " << rows[i].path;
        if (got == plat::kErrSuccess) {
            plat::RegClose(k);
        } else {
            EXPECT_EQ(reinterpret_cast<plat::RegKey>(0x1234), k) << "row " << i << " set *out";
        }
    }
    // Creating it again under another spelling opens the existing key.
    Create("SOFTWARE\\regcontract\\MIXED");
    EXPECT_EQ(std::vector<std::string>{"Mixed"}, testing_registry::Subkeys(kTop));
    EXPECT_EQ(std::vector<std::string>{"CaseKey"},
              testing_registry::Subkeys(std::string(kTop) + "\\mixed"));
}

TEST_F(RegistryContract, CreateMakesEveryMissingKeyOfThePath) {
    plat::RegKey deep = Create(std::string(kTopSub) + "\\A\\B\\C");
    EXPECT_TRUE(testing_registry::KeyExists(std::string(kTop) + "\\A"));
    EXPECT_TRUE(testing_registry::KeyExists(std::string(kTop) + "\\A\\B\\C"));
    // A key opened relative to another one, and "" meaning the key itself.
    plat::RegKey a = nullptr;
    ASSERT_EQ(plat::kErrSuccess,
              plat::RegOpen(plat::LocalMachine(), "Software\\RegContract\\A", &a));
    plat::RegKey same = nullptr;
    ASSERT_EQ(plat::kErrSuccess, plat::RegOpen(deep, "", &same));
    const char text[] = "x";
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(same, "V", plat::kRegSz, text, 2));
    plat::RegKey c = nullptr;
    ASSERT_EQ(plat::kErrSuccess, plat::RegOpen(a, "b\\c", &c));
    char buf[8] = {};
    uint32_t size = sizeof buf;
    EXPECT_EQ(plat::kErrSuccess, plat::RegQuery(c, "v", nullptr, buf, &size));
    EXPECT_EQ(2u, size);
    EXPECT_STREQ("x", buf);
    for (plat::RegKey k : {a, same, c}) {
        EXPECT_EQ(plat::kErrSuccess, plat::RegClose(k));
    }
}

TEST_F(RegistryContract, EnumerationOrderAndEnd) {
    plat::RegKey top = Create(kTopSub);
    for (const char* name : {"Zed", "alpha", "Mid", "0001", "0000"}) {
        Create(std::string(kTopSub) + "\\" + name);
    }
    std::vector<std::string> got = EnumAll(top);
    // Deliberate difference: Windows 95/98 and the store enumerate subkeys
    // in the order they were created; Wine's registry keeps them sorted.
    std::vector<std::string> expected =
        kRealRegistry ? std::vector<std::string>{"0000", "0001", "alpha", "Mid", "Zed"}
                      : std::vector<std::string>{"Zed", "alpha", "Mid", "0001", "0000"};
    EXPECT_EQ(expected, got);
    char name[16];
    EXPECT_EQ(plat::kErrNoMoreItems, plat::RegEnumSubkey(top, 5, name, sizeof name));
    EXPECT_EQ(plat::kErrNoMoreItems, plat::RegEnumSubkey(top, 1000, name, sizeof name));
    plat::RegKey leaf = Create(std::string(kTopSub) + "\\Zed");
    EXPECT_EQ(plat::kErrNoMoreItems, plat::RegEnumSubkey(leaf, 0, name, sizeof name));
}

TEST_F(RegistryContract, EnumerationNeedsRoomForNameAndTerminator) {
    plat::RegKey top = Create(kTopSub);
    Create(std::string(kTopSub) + "\\Eleven_Char");
    struct Row {
        uint32_t size;
        long expected;
    } rows[] = {{1, plat::kErrMoreData},
                {10, plat::kErrMoreData},
                {11, plat::kErrMoreData},
                {12, plat::kErrSuccess},
                {256, plat::kErrSuccess}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        char name[256];
        long got = plat::RegEnumSubkey(top, 0, name, rows[i].size);
        EXPECT_EQ(rows[i].expected, got) << "row " << i;
        if (got == plat::kErrSuccess) {
            EXPECT_STREQ("Eleven_Char", name) << "row " << i;
        }
    }
}

TEST_F(RegistryContract, ValuesRoundTripWithTheirTypeAndLength) {
    plat::RegKey k = Create(kTopSub);
    std::string binary;
    for (int i = 0; i < 300; i++) {
        binary += static_cast<char>(i * 7);
    }
    struct Row {
        const char* name;
        uint32_t type;
        std::string data;
    } rows[] = {
        {"Text", plat::kRegSz, Bytes("Serial\0", 7)},
        {"Empty", plat::kRegSz, Bytes("\0", 1)},
        {"ConfigFlags", plat::kRegBinary, Bytes("\0\0\0\0", 4)},
        {"NoBytes", plat::kRegBinary, ""},
        {"Long", plat::kRegBinary, binary},
        {"Number", plat::kRegDword, Bytes("\x2a\0\0\x80", 4)},
        {"Blanks in name", plat::kRegSz, Bytes("a \\ \"b\"\0", 8)},
    };
    for (const Row& r : rows) {
        ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, r.name, r.type, r.data.data(),
                                                  static_cast<uint32_t>(r.data.size())))
            << r.name;
    }
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        const Row& r = rows[i];
        std::string buf(400, '\x55');
        uint32_t type = 99;
        uint32_t size = static_cast<uint32_t>(buf.size());
        ASSERT_EQ(plat::kErrSuccess, plat::RegQuery(k, r.name, &type, &buf[0], &size))
            << "row " << i;
        EXPECT_EQ(r.type, type) << "row " << i;
        EXPECT_EQ(r.data, buf.substr(0, size)) << "row " << i;
        testing_registry::Value v = testing_registry::Read(kTop, r.name);
        EXPECT_TRUE(v.present) << "row " << i;
        EXPECT_EQ(r.type, v.type) << "row " << i;
        EXPECT_EQ(r.data, v.data) << "row " << i;
    }
}

TEST_F(RegistryContract, QueryTooSmallSaysMoreDataAndTheSize) {
    plat::RegKey k = Create(kTopSub);
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "S", plat::kRegSz, "abcd", 5));
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "B", plat::kRegBinary, "\1\2\3", 3));
    struct Row {
        const char* name;
        uint32_t capacity;
        bool withData;
        long expected;
        uint32_t size;
    } rows[] = {
        {"S", 4, true, plat::kErrMoreData, 5}, {"S", 5, true, plat::kErrSuccess, 5},
        {"S", 0, false, plat::kErrSuccess, 5}, {"S", 1, true, plat::kErrMoreData, 5},
        {"B", 2, true, plat::kErrMoreData, 3}, {"B", 3, true, plat::kErrSuccess, 3},
        {"B", 0, false, plat::kErrSuccess, 3}, {"Missing", 16, true, plat::kErrFileNotFound, 16},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        char buf[16];
        uint32_t size = rows[i].capacity;
        long got =
            plat::RegQuery(k, rows[i].name, nullptr, rows[i].withData ? buf : nullptr, &size);
        EXPECT_EQ(rows[i].expected, got) << "row " << i;
        if (got != plat::kErrFileNotFound) {
            EXPECT_EQ(rows[i].size, size) << "row " << i;
        }
    }
}

TEST_F(RegistryContract, DefaultValueIsNullOrEmptyName) {
    plat::RegKey k = Create(kTopSub);
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, nullptr, plat::kRegSz, "first", 6));
    char buf[16];
    uint32_t size = sizeof buf;
    ASSERT_EQ(plat::kErrSuccess, plat::RegQuery(k, "", nullptr, buf, &size));
    EXPECT_STREQ("first", buf);
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "", plat::kRegSz, "second", 7));
    size = sizeof buf;
    ASSERT_EQ(plat::kErrSuccess, plat::RegQuery(k, nullptr, nullptr, buf, &size));
    EXPECT_STREQ("second", buf);
    EXPECT_EQ(std::string("second", 7), testing_registry::Read(kTop, "").data);
}

TEST_F(RegistryContract, ValueNamesAreCaseBlindAndOverwriteKeepsOne) {
    plat::RegKey k = Create(kTopSub);
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "MouseType", plat::kRegSz, "PS2", 4));
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "MOUSETYPE", plat::kRegBinary, "\1", 1));
    uint32_t type = 0;
    char buf[8];
    uint32_t size = sizeof buf;
    ASSERT_EQ(plat::kErrSuccess, plat::RegQuery(k, "mousetype", &type, buf, &size));
    EXPECT_EQ(plat::kRegBinary, type);
    EXPECT_EQ(1u, size);
}

TEST_F(RegistryContract, TextWrittenWithoutItsTerminator) {
    // The setup writes text values with the length of the text alone.
    plat::RegKey k = Create(kTopSub);
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "T", plat::kRegSz, "Serial", 6));
    char buf[16];
    for (char& c : buf) {
        c = 'x';
    }
    uint32_t size = sizeof buf;
    ASSERT_EQ(plat::kErrSuccess, plat::RegQuery(k, "T", nullptr, buf, &size));
    EXPECT_STREQ("Serial", buf);  // terminated in the caller's buffer either way
    // Deliberate difference: the store keeps exactly the bytes written, as
    // the write record does; Wine follows the NT rule of adding the
    // terminator the caller left out, so the text reads back one longer.
    EXPECT_EQ(kRealRegistry ? 7u : 6u, size);
    // With no room for the terminator the text comes back as written.
    for (char& c : buf) {
        c = 'x';
    }
    size = 6;
    long got = plat::RegQuery(k, "T", nullptr, buf, &size);
    if (kRealRegistry) {
        EXPECT_EQ(plat::kErrMoreData, got);
    } else {
        EXPECT_EQ(plat::kErrSuccess, got);
        EXPECT_EQ(std::string("Serialx"), std::string(buf, 7));
    }
}

TEST_F(RegistryContract, RegeditTextLoadsTheSameOnBothBackends) {
    // Wine's regedit is the oracle for what this text means.
    std::string reg =
        "REGEDIT4\r\n"
        "\r\n"
        "; a comment line\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\RegContract\\Loaded]\r\n"
        "@=\"default text\"\r\n"
        "\"Escapes\"=\"C:\\\\Program Files\\\\ \\\"q\\\"\"\r\n"
        "\"Empty\"=\"\"\r\n"
        "\"Flags\"=hex:00,00,00,00\r\n"
        "\"NoBytes\"=hex:\r\n"
        "\"Wrapped\"=hex:01,02,03,\\\r\n"
        "  04,05,\\\r\n"
        "  06\r\n"
        "\"Count\"=dword:0000002A\r\n"
        "\"Short\"=dword:7\r\n"
        "\"Expand\"=hex(2):25,57,49,4e,44,49,52,25,00\r\n"
        "\"Multi\"=hex(7):61,00,62,63,00,00\r\n"
        "\"Gone\"=\"soon\"\r\n"
        "\"Gone\"=-\r\n"
        "\"Spaced\" = \"around\"\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\RegContract\\Loaded\\Child]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\RegContract\\Doomed\\Inner]\r\n"
        "\"x\"=\"y\"\r\n"
        "\r\n"
        "[-HKEY_LOCAL_MACHINE\\Software\\RegContract\\Doomed]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\RegContract\\Lf]\n"
        "\"Unix\"=\"lines\"\n";
    ASSERT_TRUE(testing_registry::Load(reg));
    const std::string key = std::string(kTop) + "\\Loaded";
    struct Row {
        const char* name;
        bool present;
        uint32_t type;
        std::string data;
    } rows[] = {
        {"", true, plat::kRegSz, Bytes("default text\0", 13)},
        {"Escapes", true, plat::kRegSz, Bytes("C:\\Program Files\\ \"q\"\0", 22)},
        {"Empty", true, plat::kRegSz, Bytes("\0", 1)},
        {"Flags", true, plat::kRegBinary, Bytes("\0\0\0\0", 4)},
        {"NoBytes", true, plat::kRegBinary, ""},
        {"Wrapped", true, plat::kRegBinary, "\1\2\3\4\5\6"},
        {"Count", true, plat::kRegDword, Bytes("\x2a\0\0\0", 4)},
        {"Short", true, plat::kRegDword, Bytes("\7\0\0\0", 4)},
        {"Expand", true, 2, Bytes("%WINDIR%\0", 9)},
        {"Multi", true, 7, Bytes("a\0bc\0\0", 6)},
        {"Gone", false, 0, ""},
        {"Spaced", true, plat::kRegSz, Bytes("around\0", 7)},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        testing_registry::Value v = testing_registry::Read(key, rows[i].name);
        EXPECT_EQ(rows[i].present, v.present) << "row " << i << " " << rows[i].name;
        if (v.present && rows[i].present) {
            EXPECT_EQ(rows[i].type, v.type) << "row " << i << " " << rows[i].name;
            EXPECT_EQ(rows[i].data, v.data) << "row " << i << " " << rows[i].name;
        }
    }
    EXPECT_TRUE(testing_registry::KeyExists(key + "\\Child"));
    EXPECT_FALSE(testing_registry::KeyExists(std::string(kTop) + "\\Doomed"));
    EXPECT_EQ(Bytes("lines\0", 6), testing_registry::Read(std::string(kTop) + "\\Lf", "Unix").data);
}

TEST(RegistryContractDynData, ConfigManagerListLoadsAndEnumerates) {
    const char kEnum[] = "HKEY_DYN_DATA\\Config Manager\\Enum";
    testing_registry::DeleteTree(std::string(kEnum) + "\\C29A1A30");
    ASSERT_TRUE(
        testing_registry::Load("REGEDIT4\r\n\r\n"
                               "[HKEY_DYN_DATA\\Config Manager\\Enum\\C29A1A30]\r\n"
                               "\"HardWareKey\"=\"BIOS\\\\*PNP0F13\\\\0000\"\r\n"
                               "\"Problem\"=hex:00,00,00,00\r\n"));
    plat::RegKey e = nullptr;
    ASSERT_EQ(plat::kErrSuccess, plat::RegOpen(plat::DynData(), "Config Manager\\Enum", &e));
    std::vector<std::string> ids = EnumAll(e);
    bool seen = false;
    for (const std::string& id : ids) {
        seen = seen || id == "C29A1A30";
    }
    EXPECT_TRUE(seen);
    plat::RegKey dev = nullptr;
    ASSERT_EQ(plat::kErrSuccess, plat::RegOpen(e, "c29a1a30", &dev));
    char buf[80];
    uint32_t size = sizeof buf;
    uint32_t type = 0;
    ASSERT_EQ(plat::kErrSuccess, plat::RegQuery(dev, "HardWareKey", &type, buf, &size));
    EXPECT_EQ(plat::kRegSz, type);
    EXPECT_STREQ("BIOS\\*PNP0F13\\0000", buf);
    EXPECT_EQ(19u, size);
    plat::RegClose(dev);
    plat::RegClose(e);
    testing_registry::DeleteTree(std::string(kEnum) + "\\C29A1A30");
    EXPECT_FALSE(testing_registry::KeyExists(std::string(kEnum) + "\\C29A1A30"));
}

}  // namespace

TEST_F(RegistryContract, DeletesOfValuesAndKeys) {
    std::string top = kTopSub;
    plat::RegKey parent = Create(top + "\\Parent");
    Create(top + "\\Parent\\Child");
    plat::RegSet(parent, "Name", plat::kRegSz, "x", 1);
    plat::RegSet(parent, nullptr, plat::kRegSz, "d", 1);
    // Values enumerate by name, the default one as ""; the order is the
    // registry's own (Wine puts the default value first).
    std::vector<std::string> names;
    char name[16];
    for (uint32_t i = 0; plat::RegEnumValueName(parent, i, name, sizeof name) == plat::kErrSuccess;
         i++) {
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"", "Name"}), names);
    struct Row {
        int line;
        long got;
        long expected;
    } rows[] = {
        {__LINE__, plat::RegRemoveValue(parent, "NAME"), plat::kErrSuccess},
        {__LINE__, plat::RegRemoveValue(parent, "Name"), plat::kErrFileNotFound},
        {__LINE__, plat::RegRemoveValue(parent, nullptr), plat::kErrSuccess},
        {__LINE__, plat::RegRemoveKey(plat::LocalMachine(), (top + "\\PARENT\\child").c_str()),
         plat::kErrSuccess},
        {__LINE__, plat::RegRemoveKey(plat::LocalMachine(), (top + "\\Parent\\Child").c_str()),
         plat::kErrFileNotFound},
        {__LINE__, plat::RegFlush(parent), plat::kErrSuccess},
        {__LINE__, plat::RegFlush(plat::LocalMachine()), plat::kErrSuccess},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.expected, row.got) << "row at line " << row.line;
    }
    // Windows 95's delete (Wine's in Windows 98 mode) takes the subkeys with it.
    Create(top + "\\Parent\\Again\\Deeper");
    EXPECT_EQ(plat::kErrSuccess,
              plat::RegRemoveKey(plat::LocalMachine(), (top + "\\Parent").c_str()));
    EXPECT_FALSE(testing_registry::KeyExists(std::string(kTop) + "\\Parent"));
}
