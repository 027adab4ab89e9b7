// The registry store behind the POSIX backend: what only the stand-in has
// (creation order, the .reg text it writes, faults, the write record) and
// the .reg reader's edge cases.
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/internal.h"
#include "platform/posix/machine.h"
#include "platform/registry.h"
#include "support/test_registry.h"

namespace {

using plat::posix::Op;

std::string Bytes(const char* s, size_t n) {
    return std::string(s, n);
}

class RegistryStore : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::posix::ResetRegistryStore();
        plat::posix::ClearFaults();
    }
    void TearDown() override {
        plat::posix::ClearFaults();
        plat::posix::ResetRegistryStore();
    }

    plat::RegKey Create(plat::RegKey root, const char* sub) {
        plat::RegKey k = nullptr;
        EXPECT_EQ(plat::kErrSuccess, plat::RegCreate(root, sub, &k)) << sub;
        return k;
    }
};

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The expected text is REGEDIT4 as written out here by hand; that Wine's
// regedit reads the store's files back the same is tests/regedit's round trip.
TEST_F(RegistryStore, SavesTheRegedit4LayoutWrittenOutHere) {
    plat::RegKey mouse = Create(plat::LocalMachine(), "Enum\\Root\\Mouse\\0000");
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(mouse, "Driver", plat::kRegSz, "Mouse\\0002", 10));
    ASSERT_EQ(plat::kErrSuccess,
              plat::RegSet(mouse, "ConfigFlags", plat::kRegBinary, "\0\0\0\0", 4));
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(mouse, nullptr, plat::kRegSz, "Say \"hi\"", 9));
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(mouse, "N", plat::kRegDword, "\x2a\1\0\0", 4));
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(mouse, "X", 2, "%a%", 4));
    Create(plat::ClassesRoot(), "CLSID");
    std::string expected =
        "REGEDIT4\r\n"
        "\r\n"
        "[HKEY_CLASSES_ROOT\\CLSID]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Enum]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Enum\\Root]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Enum\\Root\\Mouse]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Enum\\Root\\Mouse\\0000]\r\n"
        "\"Driver\"=\"Mouse\\\\0002\"\r\n"
        "\"ConfigFlags\"=hex:00,00,00,00\r\n"
        "@=\"Say \\\"hi\\\"\"\r\n"
        "\"N\"=dword:0000012a\r\n"
        "\"X\"=hex(2):25,61,25,00\r\n"
        "\r\n";
    EXPECT_EQ(expected, plat::posix::RegistrySaveText());
}

TEST_F(RegistryStore, LongHexWrapsBelowEightyColumns) {
    plat::RegKey k = Create(plat::LocalMachine(), "K");
    std::string data(100, '\xab');
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "Blob", plat::kRegBinary, data.data(), 100));
    std::string text = plat::posix::RegistrySaveText();
    std::istringstream lines(text);
    std::string line;
    size_t count = 0;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 81u) << line;  // 80 columns and the CR
        count++;
    }
    EXPECT_GT(count, 6u);
    plat::posix::ResetRegistryStore();
    ASSERT_TRUE(plat::posix::RegistryLoadText(text));
    EXPECT_EQ(data, testing_registry::Read("HKEY_LOCAL_MACHINE\\K", "Blob").data);
}

TEST_F(RegistryStore, SaveThenLoadGivesTheSameStore) {
    plat::RegKey a = Create(plat::LocalMachine(), "Software\\Zed");
    Create(plat::LocalMachine(), "Software\\alpha");
    plat::RegKey d = Create(plat::DynData(), "Config Manager\\Enum\\C1");
    const struct {
        plat::RegKey key;
        const char* name;
        uint32_t type;
        std::string data;
        std::string reloaded;  // when it differs from data
    } rows[] = {
        {a, "Plain", plat::kRegSz, Bytes("text\0", 5), ""},
        // Written as "text", like regedit, so it comes back terminated.
        {a, "NoTerminator", plat::kRegSz, "text", Bytes("text\0", 5)},
        {a, "Embedded", plat::kRegSz, Bytes("a\0b\0", 4), ""},
        {a, "Lines", plat::kRegSz, Bytes("a\r\nb\0", 5), ""},
        {a, "High", plat::kRegSz, Bytes("caf\xe9\0", 5), ""},
        {a, "Short dword", plat::kRegDword, "\1\2", ""},
        {a, "Odd", 0x20, "\xff", ""},
        {a, "", plat::kRegBinary, "", ""},
        {d, "HardWareKey", plat::kRegSz, Bytes("BIOS\\*PNP0F13\\0000\0", 19), ""},
    };
    for (const auto& r : rows) {
        ASSERT_EQ(plat::kErrSuccess, plat::RegSet(r.key, r.name, r.type, r.data.data(),
                                                  static_cast<uint32_t>(r.data.size())));
    }
    std::string saved = plat::posix::RegistrySaveText();
    plat::posix::ResetRegistryStore();
    ASSERT_TRUE(plat::posix::RegistryLoadText(saved));
    EXPECT_EQ(saved, plat::posix::RegistrySaveText());
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        std::string key = rows[i].key == d ? "HKEY_DYN_DATA\\Config Manager\\Enum\\C1"
                                           : "HKEY_LOCAL_MACHINE\\Software\\Zed";
        testing_registry::Value v = testing_registry::Read(key, rows[i].name);
        EXPECT_TRUE(v.present) << "row " << i;
        EXPECT_EQ(rows[i].type, v.type) << "row " << i;
        EXPECT_EQ(rows[i].reloaded.empty() ? rows[i].data : rows[i].reloaded, v.data)
            << "row " << i;
    }
    EXPECT_EQ((std::vector<std::string>{"Zed", "alpha"}),
              testing_registry::Subkeys("HKEY_LOCAL_MACHINE\\Software"));
}

TEST_F(RegistryStore, ValuesKeepTheOrderFirstWritten) {
    plat::RegKey k = Create(plat::LocalMachine(), "K");
    for (const char* name : {"b", "A", "c", "B"}) {
        ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, name, plat::kRegBinary, name, 1));
    }
    // "B" overwrote "b" in place, under the first spelling.
    EXPECT_EQ(
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"b\"=hex:42\r\n\"A\"=hex:41\r\n"
        "\"c\"=hex:63\r\n\r\n",
        plat::posix::RegistrySaveText());
}

TEST_F(RegistryStore, LoadsWhatWinesRegeditExported) {
    // Exported by Wine 8's regedit /E (UTF-16, version 5 header) from the
    // REGEDIT4 file beside it.
    std::string dir = std::string(SETUP_SOURCE_DIR) + "/tests/regedit/";
    ASSERT_TRUE(plat::posix::RegistryLoadFile(dir + "wine_export.reg"));
    std::string fromWine = plat::posix::RegistrySaveText();
    const std::string key = "HKEY_LOCAL_MACHINE\\Software\\RegGolden";
    struct Row {
        const char* name;
        uint32_t type;
        std::string data;
    } rows[] = {
        {"", plat::kRegSz, Bytes("Golden default\0", 15)},
        {"Path", plat::kRegSz, Bytes("C:\\Program Files\\Velor \"Point\"\0", 31)},
        {"Empty", plat::kRegSz, Bytes("\0", 1)},
        {"ConfigFlags", plat::kRegBinary, Bytes("\0\0\0\0", 4)},
        {"Count", plat::kRegDword, Bytes("\x2a\0\0\0", 4)},
        {"Expand", 2, Bytes("%WINDIR%\\SYSTEM\0", 16)},
        {"Multi", 7, Bytes("a\0bc\0\0", 6)},
        {"Quad", 0xb, "\1\2\3\4\5\6\7\x08"},
        {"Nothing", 0, ""},
        {"Lines", plat::kRegSz, Bytes("a\r\nb\0", 5)},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        testing_registry::Value v = testing_registry::Read(key, rows[i].name);
        EXPECT_TRUE(v.present) << "row " << i << " " << rows[i].name;
        EXPECT_EQ(rows[i].type, v.type) << "row " << i << " " << rows[i].name;
        EXPECT_EQ(rows[i].data, v.data) << "row " << i << " " << rows[i].name;
    }
    std::string bytes = testing_registry::Read(key, "Bytes").data;
    ASSERT_EQ(50u, bytes.size());
    EXPECT_EQ('\x2f', bytes[47]);
    EXPECT_EQ('\xff', bytes[49]);
    EXPECT_EQ(Bytes("Mouse\\0002\0", 11),
              testing_registry::Read(key + "\\enum\\root\\mouse\\0000", "Driver").data);
    EXPECT_TRUE(testing_registry::KeyExists(key + "\\EmptyKey"));

    // The REGEDIT4 source gives the same store, bar the order Wine sorted.
    plat::posix::ResetRegistryStore();
    ASSERT_TRUE(plat::posix::RegistryLoadFile(dir + "wine_export_source.reg"));
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        EXPECT_EQ(rows[i].data, testing_registry::Read(key, rows[i].name).data) << "row " << i;
    }
    EXPECT_NE(fromWine, plat::posix::RegistrySaveText());
}

TEST_F(RegistryStore, ReaderEdgeCases) {
    struct Row {
        const char* text;
        bool ok;            // what the load returns
        const char* value;  // value of HKLM\T to look at
        bool present;
        std::string data;
    } rows[] = {
        // 0: LF only, blank lines before the header, comments.
        {"\n\nREGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\n; c\n# c\n\"v\"=\"x\"\n", true, "v", true,
         Bytes("x\0", 2)},
        // 1: no header: nothing applied.
        {"[HKEY_LOCAL_MACHINE\\T]\r\n\"v\"=\"x\"\r\n", false, "v", false, ""},
        // 2: another header.
        {"REGEDIT5\r\n[HKEY_LOCAL_MACHINE\\T]\r\n\"v\"=\"x\"\r\n", false, "v", false, ""},
        // 3: a value before any key is refused; the rest still loads.
        {"REGEDIT4\r\n\"early\"=\"x\"\r\n[HKEY_LOCAL_MACHINE\\T]\r\n\"v\"=hex:01\r\n", false, "v",
         true, "\1"},
        // 4: an unknown root: its values go nowhere.
        {"REGEDIT4\r\n[HKEY_NOWHERE\\T]\r\n\"v\"=\"x\"\r\n", false, "v", false, ""},
        // 5: short root names.
        {"REGEDIT4\r\n[HKLM\\T]\r\n\"v\"=dword:1\r\n", true, "v", true, Bytes("\1\0\0\0", 4)},
        // 6: nine dword digits are too many.
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\T]\r\n\"v\"=dword:000000001\r\n", false, "v", false, ""},
        // 7: a bad hex byte spoils that line only.
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\T]\r\n\"v\"=hex:01,zz\r\n\"w\"=hex:02\r\n", false, "v",
         false, ""},
        // 8: unterminated quote.
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\T]\r\n\"v\"=\"open\r\n", false, "v", false, ""},
        // 9: a trailing comment after data; blanks inside hex.
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\T]\r\n\"v\"=hex: 01 , 02 ;note\r\n", true, "v", true,
         "\1\2"},
        // 10: continuation lines with CR LF and blank-led following lines.
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\T]\r\n\"v\"=hex:01,\\\r\n    02,\\\r\n\t03\r\n", true,
         "v", true, "\1\2\3"},
        // 11: a quoted string ending in a backslash does not continue.
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\T]\r\n\"v\"=\"C:\\\\\"\r\n\"w\"=\"x\"\r\n", true, "v",
         true, Bytes("C:\\\0", 4)},
        // 12: deleting a value that does not exist is no error.
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\T]\r\n\"none\"=-\r\n", true, "none", false, ""},
        // 13: \0 inside a string is refused.
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\T]\r\n\"v\"=\"a\\0b\"\r\n", false, "v", false, ""},
        // 14: values after a key deletion line are not applied.
        {"REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\T]\r\n\"v\"=\"x\"\r\n", false, "v", false, ""},
        // 15: UTF-8 mark before the header.
        {"\xEF\xBB\xBFREGEDIT4\r\n[HKEY_LOCAL_MACHINE\\T]\r\n@=\"d\"\r\n", true, "", true,
         Bytes("d\0", 2)},
        // 16: the last line without its line end.
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\T]\r\n\"v\"=hex:07", true, "v", true, "\7"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        plat::posix::ResetRegistryStore();
        EXPECT_EQ(rows[i].ok, plat::posix::RegistryLoadText(rows[i].text)) << "row " << i;
        testing_registry::Value v = testing_registry::Read("HKEY_LOCAL_MACHINE\\T", rows[i].value);
        EXPECT_EQ(rows[i].present, v.present) << "row " << i;
        EXPECT_EQ(rows[i].data, v.data) << "row " << i;
    }
}

TEST_F(RegistryStore, Utf16FileHoldsTextTypesAsUtf16) {
    // A version 5 file as Wine writes it, made here so each byte is known;
    // '\x01' stands for U+263A, which has no byte in the store's text.
    std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\U]\r\n"
        "\"E\"=hex(2):41,00,e9,00,00,00\r\n\"B\"=hex:41,00\r\n\"S\"=\"caf\xe9\x01\"\r\n";
    std::string utf16 = "\xff\xfe";
    for (char c : text) {
        utf16 += c == '\x01' ? std::string("\x3a\x26") : std::string(1, c) + '\0';
    }
    ASSERT_TRUE(plat::posix::RegistryLoadText(utf16));
    EXPECT_EQ(Bytes("A\xe9\0", 3), testing_registry::Read("HKEY_LOCAL_MACHINE\\U", "E").data);
    EXPECT_EQ(Bytes("A\0", 2), testing_registry::Read("HKEY_LOCAL_MACHINE\\U", "B").data);
    EXPECT_EQ(Bytes("caf\xe9?\0", 6), testing_registry::Read("HKEY_LOCAL_MACHINE\\U", "S").data);
}

TEST_F(RegistryStore, KeyDeletionByLoadRemovesTheSubtreeAndStalesHandles) {
    plat::RegKey inner = Create(plat::LocalMachine(), "A\\B\\C");
    plat::RegKey other = Create(plat::LocalMachine(), "A2");
    ASSERT_TRUE(plat::posix::RegistryLoadText("REGEDIT4\r\n\r\n[-HKEY_LOCAL_MACHINE\\a\\b]\r\n"));
    EXPECT_EQ((std::vector<std::string>{"A", "A2"}),
              testing_registry::Subkeys("HKEY_LOCAL_MACHINE"));
    EXPECT_TRUE(testing_registry::Subkeys("HKEY_LOCAL_MACHINE\\A").empty());
    const long kKeyDeleted = 1018;
    char name[8];
    uint32_t size = sizeof name;
    EXPECT_EQ(kKeyDeleted, plat::RegSet(inner, "v", plat::kRegSz, "x", 2));
    EXPECT_EQ(kKeyDeleted, plat::RegQuery(inner, "v", nullptr, name, &size));
    EXPECT_EQ(kKeyDeleted, plat::RegEnumSubkey(inner, 0, name, sizeof name));
    plat::RegKey sub;
    EXPECT_EQ(kKeyDeleted, plat::RegCreate(inner, "D", &sub));
    EXPECT_EQ(plat::kErrSuccess, plat::RegClose(inner));
    EXPECT_EQ(plat::kErrSuccess, plat::RegSet(other, "v", plat::kRegSz, "x", 2));
    // A closed or made-up handle is refused, not followed.
    const long kInvalidHandle = 6;
    EXPECT_EQ(kInvalidHandle, plat::RegClose(inner));
    EXPECT_EQ(kInvalidHandle, plat::RegSet(inner, "v", plat::kRegSz, "x", 2));
    EXPECT_EQ(kInvalidHandle, plat::RegOpen(reinterpret_cast<plat::RegKey>(0x777), "A", &sub));
    // Deleting a root is not possible; the line is passed over.
    EXPECT_TRUE(plat::posix::RegistryLoadText("REGEDIT4\r\n[-HKEY_LOCAL_MACHINE]\r\n"));
    EXPECT_TRUE(testing_registry::KeyExists("HKEY_LOCAL_MACHINE\\A2"));
}

TEST_F(RegistryStore, ClearEmptiesTheStoreButKeepsTheRecord) {
    plat::RegKey k = Create(plat::ClassesRoot(), "X");
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "v", plat::kRegSz, "x", 2));
    plat::posix::RegistryClear();
    EXPECT_EQ("REGEDIT4\r\n\r\n", plat::posix::RegistrySaveText());
    EXPECT_EQ(1u, plat::posix::RegistryWrites().size());
    EXPECT_EQ(1018, plat::RegSet(k, "v", plat::kRegSz, "x", 2));
    plat::posix::ClearRegistryWrites();
    EXPECT_TRUE(plat::posix::RegistryWrites().empty());
}

TEST_F(RegistryStore, FileSaveAndLoadMerge) {
    char dir[] = "/tmp/regstoreXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    std::string file = std::string(dir) + "/r.reg";
    plat::RegKey k = Create(plat::LocalMachine(), "Saved");
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "v", plat::kRegSz, "x", 2));
    ASSERT_TRUE(plat::posix::RegistrySaveFile(file));
    EXPECT_EQ(plat::posix::RegistrySaveText(), ReadHostFile(file));
    plat::posix::ResetRegistryStore();
    Create(plat::LocalMachine(), "Kept");
    ASSERT_TRUE(plat::posix::RegistryLoadFile(file));
    EXPECT_EQ((std::vector<std::string>{"Kept", "Saved"}),
              testing_registry::Subkeys("HKEY_LOCAL_MACHINE"));
    EXPECT_FALSE(plat::posix::RegistryLoadFile(std::string(dir) + "/missing.reg"));
    EXPECT_FALSE(plat::posix::RegistrySaveFile(std::string(dir) + "/no/such/dir.reg"));
    unlink(file.c_str());
    rmdir(dir);
}

TEST_F(RegistryStore, WriteRecordKeepsEveryWriteInOrder) {
    plat::RegKey dev = Create(plat::LocalMachine(), "Enum\\Root\\Mouse\\0000");
    plat::RegKey same = Create(plat::LocalMachine(), "ENUM\\ROOT\\MOUSE\\0000");
    plat::RegKey cls = Create(plat::ClassesRoot(), "CLSID\\{X}");
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(dev, "Class", plat::kRegSz, "Mouse", 5));
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(cls, nullptr, plat::kRegSz, "Page", 4));
    ASSERT_EQ(plat::kErrSuccess,
              plat::RegSet(same, "ConfigFlags", plat::kRegBinary, "\0\0\0\0", 4));
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(dev, "Class", plat::kRegSz, "Mouse", 5));
    plat::posix::InjectFault(Op::RegSet, "clsid");
    EXPECT_EQ(plat::kErrAccessDenied, plat::RegSet(cls, "x", plat::kRegSz, "y", 1));
    const struct {
        const char* key;
        const char* value;
        uint32_t type;
        std::string data;
    } expected[] = {
        {"HKEY_LOCAL_MACHINE\\Enum\\Root\\Mouse\\0000", "Class", plat::kRegSz, "Mouse"},
        {"HKEY_CLASSES_ROOT\\CLSID\\{X}", "", plat::kRegSz, "Page"},
        {"HKEY_LOCAL_MACHINE\\Enum\\Root\\Mouse\\0000", "ConfigFlags", plat::kRegBinary,
         Bytes("\0\0\0\0", 4)},
        {"HKEY_LOCAL_MACHINE\\Enum\\Root\\Mouse\\0000", "Class", plat::kRegSz, "Mouse"},
    };
    const std::vector<plat::posix::RegWrite>& got = plat::posix::RegistryWrites();
    ASSERT_EQ(sizeof expected / sizeof expected[0], got.size());
    for (size_t i = 0; i < got.size(); i++) {
        EXPECT_EQ(expected[i].key, got[i].key) << "row " << i;
        EXPECT_EQ(expected[i].value, got[i].value) << "row " << i;
        EXPECT_EQ(expected[i].type, got[i].type) << "row " << i;
        EXPECT_EQ(expected[i].data, got[i].data) << "row " << i;
    }
    // Loading a .reg file is set-up, not a write of the program's.
    ASSERT_TRUE(plat::posix::RegistryLoadText("REGEDIT4\r\n[HKLM\\L]\r\n\"v\"=\"x\"\r\n"));
    EXPECT_EQ(4u, plat::posix::RegistryWrites().size());
}

TEST_F(RegistryStore, FaultsFailTheChosenCallsAndChangeNothing) {
    plat::RegKey top = Create(plat::LocalMachine(), "Software\\Velor");
    Create(plat::LocalMachine(), "Software\\Velor\\Child");
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(top, "v", plat::kRegSz, "x", 2));
    struct Row {
        Op op;
        const char* match;
        int skip;
        int times;
    } rows[] = {
        {Op::RegOpen, "velor\\child", 0, -1},
        {Op::RegCreate, "Software\\Velor\\New", 0, -1},
        {Op::RegEnum, "HKEY_LOCAL_MACHINE\\Software\\Velor", 0, -1},
        {Op::RegQuery, "velor", 0, -1},
        {Op::RegSet, "", 0, -1},
        {Op::RegSet, "", 1, 1},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        plat::posix::ClearFaults();
        plat::posix::ClearRegistryWrites();
        plat::posix::InjectFault(rows[i].op, rows[i].match, rows[i].skip, rows[i].times);
        std::string before = plat::posix::RegistrySaveText();
        plat::RegKey k = nullptr;
        char buf[16];
        uint32_t size = sizeof buf;
        long got = 0;
        switch (rows[i].op) {
            case Op::RegOpen:
                got = plat::RegOpen(plat::LocalMachine(), "Software\\Velor\\Child", &k);
                EXPECT_EQ(nullptr, k) << "row " << i;
                EXPECT_EQ(plat::kErrSuccess, plat::RegOpen(top, "", &k)) << "row " << i;
                break;
            case Op::RegCreate:
                got = plat::RegCreate(top, "New\\Deeper", &k);
                EXPECT_EQ(plat::kErrSuccess, plat::RegCreate(top, "Other", &k)) << "row " << i;
                before = plat::posix::RegistrySaveText();
                break;
            case Op::RegEnum:
                got = plat::RegEnumSubkey(top, 0, buf, sizeof buf);
                break;
            case Op::RegQuery:
                got = plat::RegQuery(top, "v", nullptr, buf, &size);
                break;
            default:
                if (rows[i].skip > 0) {
                    EXPECT_EQ(plat::kErrSuccess, plat::RegSet(top, "first", plat::kRegSz, "1", 1));
                    before = plat::posix::RegistrySaveText();
                }
                got = plat::RegSet(top, "v", plat::kRegSz, "changed", 7);
                break;
        }
        EXPECT_EQ(plat::kErrAccessDenied, got) << "row " << i;
        EXPECT_EQ(before, plat::posix::RegistrySaveText()) << "row " << i;
        if (rows[i].op == Op::RegSet) {
            EXPECT_EQ(rows[i].skip > 0 ? 1u : 0u, plat::posix::RegistryWrites().size())
                << "row " << i;
            long again = plat::RegSet(top, "w", plat::kRegSz, "2", 1);
            EXPECT_EQ(rows[i].times < 0 ? plat::kErrAccessDenied : plat::kErrSuccess, again)
                << "row " << i;
        }
    }
    EXPECT_FALSE(testing_registry::KeyExists("HKEY_LOCAL_MACHINE\\Software\\Velor\\New"));
}

// While power cuts are tried the registry is Windows 95/98's: a cut loses
// what was written since the last RegFlush; uncounted writes are kept.
TEST_F(RegistryStore, PowerCutLosesWritesSinceTheLastFlush) {
    plat::RegKey k = Create(plat::LocalMachine(), "Software\\Velor");
    auto value = [&] {
        char buf[8] = {};
        uint32_t size = sizeof buf - 1;
        return plat::RegQuery(k, "v", nullptr, buf, &size) == plat::kErrSuccess ? std::string(buf)
                                                                                : "<none>";
    };
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "v", plat::kRegSz, "1", 1));
    plat::posix::PowerCutAfter(-1, plat::posix::kCutBefore);
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "v", plat::kRegSz, "2", 1));
    EXPECT_EQ(plat::kErrSuccess, plat::RegFlush(k));
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "v", plat::kRegSz, "3", 1));
    Create(plat::LocalMachine(), "Software\\Velor\\Lost");
    plat::posix::WindowsRestart(true);
    k = Create(plat::LocalMachine(), "Software\\Velor");
    EXPECT_EQ("2", value());
    EXPECT_FALSE(testing_registry::KeyExists("HKEY_LOCAL_MACHINE\\Software\\Velor\\Lost"));
    // Uncounted, and at an orderly restart, every write stays.
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "v", plat::kRegSz, "4", 1));
    plat::posix::WindowsRestart(true);
    EXPECT_EQ("4", value());
    plat::posix::PowerCutAfter(-1, plat::posix::kCutBefore);
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "v", plat::kRegSz, "5", 1));
    plat::posix::WindowsRestart(false);
    EXPECT_EQ("5", value());
    // A flush cut off writes nothing.
    plat::posix::PowerCutAfter(1, plat::posix::kCutBefore);
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "v", plat::kRegSz, "6", 1));
    EXPECT_EQ(plat::kErrAccessDenied, plat::RegFlush(plat::LocalMachine()));
    plat::posix::WindowsRestart(true);
    k = Create(plat::LocalMachine(), "Software\\Velor");
    EXPECT_EQ("5", value());
    // Windows may have written the registry by itself after any change
    // since the flush: each of those is a registry a cut may leave.
    plat::posix::PowerCutAfter(-1, plat::posix::kCutBefore);
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "v", plat::kRegSz, "7", 1));
    EXPECT_EQ(plat::kErrSuccess, plat::RegFlush(k));
    Create(plat::LocalMachine(), "Software\\Velor");  // there already: no change
    ASSERT_EQ(plat::kErrSuccess, plat::RegSet(k, "v", plat::kRegSz, "8", 1));
    ASSERT_EQ(plat::kErrSuccess, plat::RegRemoveValue(k, "v"));
    Create(plat::LocalMachine(), "Software\\Velor\\Later");
    plat::posix::CutDisks cut = plat::posix::PowerOff();
    struct Row {
        long step;
        const char* has;  // in its text
    } rows[] = {{1, "\"v\"=\"7\""},
                {3, "\"v\"=\"8\""},
                {4, "[HKEY_LOCAL_MACHINE\\Software\\Velor]\r\n\r\n"},
                {5, "Velor\\Later]"}};
    ASSERT_EQ(sizeof rows / sizeof rows[0], cut.registries.size());
    for (size_t i = 0; i < cut.registries.size(); i++) {
        EXPECT_EQ(rows[i].step, cut.registries[i].step) << "row " << i;
        EXPECT_NE(std::string::npos, cut.registries[i].text.find(rows[i].has))
            << "row " << i << ": " << cut.registries[i].text;
    }
    k = Create(plat::LocalMachine(), "Software\\Velor");
    EXPECT_EQ("7", value());  // the power left the flushed one
}

TEST_F(RegistryStore, MachineResetLoadsTheMachinesRegistryFile) {
    char dir[] = "/tmp/regmachineXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    std::string file = std::string(dir) + "/registry.reg";
    {
        std::ofstream out(file, std::ios::binary);
        out << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]"
               "\r\n\"ProgramFilesDir\"=\"D:\\\\Apps\"\r\n";
    }
    plat::RegKey stale = Create(plat::LocalMachine(), "Stale");
    plat::RegSet(stale, "v", plat::kRegSz, "x", 2);
    plat::posix::MachineConfig config;
    config.root = dir;
    plat::posix::MachineReset(config);
    EXPECT_FALSE(testing_registry::KeyExists("HKEY_LOCAL_MACHINE\\Stale"));
    EXPECT_EQ(
        Bytes("D:\\Apps\0", 8),
        testing_registry::Read("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion",
                               "ProgramFilesDir")
            .data);
    EXPECT_TRUE(plat::posix::RegistryWrites().empty());
    plat::posix::MachineReset(plat::posix::MachineConfig());
    unlink(file.c_str());
    rmdir(dir);
}

}  // namespace
