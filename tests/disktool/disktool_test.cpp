// The disk tool: the encoder against the decoders, the checker on the
// corpus of broken trees, the builder on the sample and on generated sets,
// the network install point from the sample.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "answers_file.h"
#include "disk_build.h"
#include "disk_check.h"
#include "disk_names.h"
#include "net_install.h"
#include "platform/tool_machine.h"
#include "script/answers.h"
#include "support/szdd_reference.h"
#include "szdd/szdd.h"
#include "szdd/szdd_encode.h"

namespace {

const std::string kSource = SETUP_SOURCE_DIR;

std::string ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary);
    f << bytes;
}

// Relative path -> contents of every file below root.
void Walk(const std::string& root, const std::string& rel,
          std::map<std::string, std::string>* out) {
    DIR* d = opendir((root + rel).c_str());
    if (d == nullptr) {
        return;
    }
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        std::string path = root + rel + "/" + name;
        struct stat st;
        stat(path.c_str(), &st);
        if (S_ISDIR(st.st_mode)) {
            Walk(root, rel + "/" + name, out);
        } else {
            (*out)[rel + "/" + name] = ReadBytes(path);
        }
    }
    closedir(d);
}

std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> out;
    Walk(root, "", &out);
    return out;
}

class ScratchDir {
  public:
    ScratchDir() {
        char tmpl[] = "/tmp/disktool-test.XXXXXX";
        path_ = mkdtemp(tmpl);
    }
    ~ScratchDir() { system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, 0);
    for (char& c : s) {
        c = static_cast<char>(rng());
    }
    return s;
}

std::string Expand(const std::vector<uint8_t>& file) {
    static szdd::Decoder decoder;
    uint32_t length = szdd::HeaderLength(file.data());
    std::vector<uint8_t> out(length + 64);
    uint64_t n = szdd::ExpandMemory(&decoder, file.data() + szdd::kHeaderSize,
                                    file.size() - szdd::kHeaderSize, 0, out.data(), out.size());
    EXPECT_LE(n, out.size());
    return std::string(out.begin(),
                       out.begin() + static_cast<long>(std::min<uint64_t>(n, out.size())));
}

// ---- the encoder -------------------------------------------------------------

TEST(SzddEncode, EveryParseRoundTripsThroughBothDecoders) {
    std::string text;
    while (text.size() < 50000) {
        text += "The wheel mouse driver reads its settings at start-up; line " +
                std::to_string(text.size() % 977) + ".\r\n";
    }
    std::string period4096 = RandomBytes(4096, 3);
    period4096 += period4096 + period4096;
    std::string period4097 = RandomBytes(4097, 4);
    period4097 += period4097;
    std::string mixed = RandomBytes(3000, 5) + std::string(5000, 'z') + text.substr(0, 9000) +
                        RandomBytes(100, 6) + std::string(40, ' ');
    std::string all;
    for (int r = 0; r < 40; r++) {
        for (int c = 0; c < 256; c++) {
            all += static_cast<char>(c);
        }
    }
    struct Row {
        const char* name;
        std::string data;
    } rows[] = {
        {"empty", ""},
        {"one byte", "a"},
        {"two bytes", "ab"},
        {"three blanks (the starting window)", "   "},
        {"blanks then text", std::string(30, ' ') + "x   y"},
        {"zeros", std::string(100000, '\0')},
        {"text", text},
        {"random", RandomBytes(20000, 7)},
        {"period 4096 (a whole window back)", period4096},
        {"period 4097 (just out of reach)", period4097},
        {"mixed", mixed},
        {"every byte value", all},
    };
    const szdd::Parse parses[] = {szdd::Parse::Greedy, szdd::Parse::Lazy, szdd::Parse::Optimal};
    const char* parseNames[] = {"greedy", "lazy", "optimal"};
    for (const Row& r : rows) {
        size_t sizes[3];
        for (int p = 0; p < 3; p++) {
            std::vector<uint8_t> file;
            ASSERT_TRUE(szdd::Compress(reinterpret_cast<const uint8_t*>(r.data.data()),
                                       r.data.size(), 'E', parses[p], &file));
            sizes[p] = file.size();
            std::string head(file.begin(), file.begin() + szdd::kHeaderSize);
            EXPECT_EQ(szdd_reference::Header(static_cast<uint32_t>(r.data.size()), 'A', 'E'), head)
                << r.name << ", " << parseNames[p];
            EXPECT_TRUE(Expand(file) == r.data) << r.name << ", " << parseNames[p] << ": ours";
            std::string body(file.begin() + szdd::kHeaderSize, file.end());
            EXPECT_TRUE(szdd_reference::Expand(body) == r.data)
                << r.name << ", " << parseNames[p] << ": reference";
        }
        // The optimal parse chooses among the same matches as the others;
        // only the last flag byte can round against it.
        EXPECT_LE(sizes[2], sizes[0] + 1) << r.name << ": optimal vs greedy";
        EXPECT_LE(sizes[2], sizes[1] + 1) << r.name << ": optimal vs lazy";
    }
}

TEST(SzddEncode, RunsAndRepeatsShrinkToTheFormatsLimit) {
    // 18 bytes per 17-bit match: a long run costs 17/144 of its size.
    std::string zeros(180000, '\0');
    std::vector<uint8_t> file;
    ASSERT_TRUE(szdd::Compress(reinterpret_cast<const uint8_t*>(zeros.data()), zeros.size(), 0,
                               szdd::Parse::Optimal, &file));
    EXPECT_TRUE(Expand(file) == zeros);
    EXPECT_LE(file.size(), szdd::kHeaderSize + zeros.size() * 17 / 144 + 16);
}

// ---- check -------------------------------------------------------------------

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream s(line);
    std::string w;
    while (s >> w) {
        out.push_back(w);
    }
    return out;
}

TEST(DiskCheck, BrokenCorpusFlagsEachPlantedFaultAndNothingElse) {
    std::string root = kSource + "/tests/data/disktool/broken";
    std::vector<std::string> cases;
    DIR* d = opendir(root.c_str());
    ASSERT_NE(nullptr, d);
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] != '.') {
            cases.push_back(e->d_name);
        }
    }
    closedir(d);
    std::sort(cases.begin(), cases.end());
    ASSERT_GE(cases.size(), 30u);
    for (const std::string& c : cases) {
        std::istringstream expect(ReadBytes(root + "/" + c + "/EXPECT"));
        std::string codes;
        std::string planted;
        std::string where;  // of the one finding, where the case says
        std::getline(expect, codes);
        std::getline(expect, planted);
        std::getline(expect, where);
        std::vector<std::string> want = Words(codes);
        disktool::CheckResult result;
        std::string error;
        ASSERT_TRUE(disktool::CheckDisk(root + "/" + c, &result, &error)) << c << ": " << error;
        std::vector<std::string> got;
        bool anyError = false;
        for (const disktool::Finding& f : result.findings) {
            got.push_back(f.code);
            anyError = anyError || f.severity == disktool::Severity::Error;
        }
        std::sort(want.begin(), want.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(want, got) << c << " (" << planted << ")";
        if (!where.empty() && result.findings.size() == 1) {
            EXPECT_EQ(where, result.findings[0].where) << c;
        }
        EXPECT_EQ(want.empty() ? 0 : anyError ? 2 : 1, result.ExitCode()) << c;
    }
}

TEST(DiskCheck, SamplePlanIsWhatTheLoaderMakes) {
    disktool::CheckResult r;
    std::string error;
    ASSERT_TRUE(disktool::CheckDisk(kSource + "/examples/disk", &r, &error)) << error;
    EXPECT_EQ(0, r.ExitCode());
    EXPECT_EQ("C:\\Program Files\\VELOR", r.destDir);
    ASSERT_EQ(1u, r.disks.size());
    ASSERT_EQ(8u, r.disks[0].files.size());
    uint64_t originals = 0;
    for (const char* name : {"Q7MAIN.EXE", "Q7PAGE.DLL", "UNINSTAL.EXE", "UNINSTAL.INF",
                             "VELOR.HLP", "VLMOUSE.VXD", "VLMOUSE.INF", "README.TXT"}) {
        originals += ReadBytes(kSource + "/examples/originals/" + name).size();
    }
    EXPECT_EQ(originals, r.expandedTotal);
    struct Row {
        size_t file;
        const char* source;
        const char* destination;
        bool compressed;
    } rows[] = {
        {0, "A:\\\\Q7MAIN.EX_", "C:\\Program Files\\VELOR\\Q7MAIN.EXE", true},
        {3, "A:\\\\UNINSTAL.IN_", "C:\\Program Files\\VELOR\\UNINSTAL.INF", true},
        {4, "A:\\HELP\\VELOR.HL_", "C:\\Program Files\\VELOR\\HELP\\VELOR.HLP", true},
        {5, "A:\\SYSTEM\\VLMOUSE.VX_", "C:\\WINDOWS\\SYSTEM\\VLMOUSE.VXD", true},
        {7, "A:\\\\README.TXT", "C:\\Program Files\\VELOR\\README.TXT", false},
    };
    for (const Row& row : rows) {
        const disktool::PlanFile& f = r.disks[0].files[row.file];
        EXPECT_EQ(row.source, f.source) << "file " << row.file;
        EXPECT_EQ(row.destination, f.destination) << "file " << row.file;
        EXPECT_EQ(row.compressed, f.compressed) << "file " << row.file;
        EXPECT_TRUE(f.present) << "file " << row.file;
    }
}

// ---- build -------------------------------------------------------------------

// The writer's last guard: the manifest's rules refuse every such path
// before it, so only a direct call shows the guard at fault.
TEST(DiskBuild, NoWrittenPathLeavesTheScratchDirectory) {
    struct Row {
        const char* rel;
        bool inside;
    } rows[] = {
        {"HELP/EN/A.TXT", true}, {"..", false},      {"../A.TXT", false}, {"HELP/../A.TXT", false},
        {"HELP/..", false},      {"./A.TXT", false}, {"/A.TXT", false},   {"HELP//A.TXT", false},
        {"HELP\\A.TXT", false},  {"", false},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        EXPECT_EQ(rows[i].inside, disktool::StaysInside(rows[i].rel))
            << "row " << i + 1 << ": \"" << rows[i].rel << "\"";
    }
}

int BuildFrom(const std::string& manifestText, const std::string& dir, std::string* errors) {
    std::string path = dir + "/set.manifest";
    WriteBytes(path, manifestText);
    disktool::Manifest m;
    std::vector<std::string> list;
    if (!disktool::ReadManifest(path, &m, &list)) {
        for (const std::string& e : list) {
            *errors += e + "\n";
        }
        return -1;
    }
    return disktool::Build(m, dir + "/out", disktool::BuildOptions());
}

// examples/disk is this tool's own output: the comparison only detects a
// change in what it builds, it does not show the output right.
TEST(DiskBuild, SampleManifestRebuildsExamplesDisk) {
    ScratchDir tmp;
    disktool::Manifest m;
    std::vector<std::string> errors;
    ASSERT_TRUE(disktool::ReadManifest(kSource + "/examples/disk.manifest", &m, &errors));
    ASSERT_EQ(0, disktool::Build(m, tmp.path() + "/out", disktool::BuildOptions()));
    auto built = Tree(tmp.path() + "/out/merged");
    auto committed = Tree(kSource + "/examples/disk");
    EXPECT_EQ(committed.size(), built.size());
    for (const auto& kv : committed) {
        auto it = built.find(kv.first);
        EXPECT_TRUE(it != built.end() && it->second == kv.second)
            << kv.first << " differs: examples/disk is not what disktool builds from "
            << "examples/disk.manifest";
    }
}

TEST(DiskBuild, UninstallListNamesWhereSetupPutsEachFile) {
    const std::string files =
        "[Files]\n"
        "A, VXD.VXD, v, WinSystemDir\n"
        "A, MAIN.EXE, m, RootDir\n"
        "A, UNINSTAL.EXE, u, RootDir\n"
        "A, EN.HLP, e, SubDir2\n"
        "A, W.INI, w, WinDir\n"
        "A, D.INF, d, WinInfDir\n"
        "A, H.HLP, h, SubDir1\n";
    struct Row {
        const char* what;
        std::string manifest;
        std::string list;  // from [Startup] on
    } rows[] = {
        {"every keyword; nested subdirectories; Windows files after the install directory's",
         "[Main]\nProductName = P\n[DirectoryName]\nSubDir1 = HELP\nSubDir2 = HELP\\EN\n"
         "SubDir3 = DATA\n"
         "WinSystemDir = SYS\nWinInfDir = I\n[Startup]\nFileName = MAIN.EXE\nMfg = M\n"
         "Title = T\n" +
             files,
         "[Startup]\r\nTitle=T\r\nMfg=M\r\n\r\n[Files]\r\n"
         "1=Install, MAIN.EXE\r\n2=Install, UNINSTAL.EXE\r\n3=Install, UNINSTAL.INF\r\n"
         "4=Install, HELP\\EN\\EN.HLP\r\n5=Install, HELP\\H.HLP\r\n"
         "6=Windows, SYSTEM\\VXD.VXD\r\n7=Windows, W.INI\r\n8=Windows, INF\\D.INF\r\n\r\n"
         "[Directories]\r\n1=Install,\r\n2=Install, HELP\r\n3=Install, HELP\\EN\r\n"
         "4=Install, DATA\r\n"},
        {"gaps in the SubDirs, one name twice, no [Startup]",
         "[Main]\nProductName = P\n[DirectoryName]\nSubDir2 = HELP\nSubDir4 = help\n"
         "[Files]\nA, MAIN.EXE, m, RootDir\nA, UNINSTAL.EXE, u, RootDir\n",
         "[Startup]\r\n\r\n[Files]\r\n1=Install, MAIN.EXE\r\n"
         "2=Install, UNINSTAL.EXE\r\n3=Install, UNINSTAL.INF\r\n\r\n"
         "[Directories]\r\n1=Install,\r\n2=Install, HELP\r\n"},
    };
    for (const Row& r : rows) {
        ScratchDir tmp;
        WriteBytes(tmp.path() + "/set.manifest", r.manifest);
        disktool::Manifest m;
        std::vector<std::string> errors;
        ASSERT_TRUE(disktool::ReadManifest(tmp.path() + "/set.manifest", &m, &errors)) << r.what;
        std::string list = disktool::UninstallList(m);
        size_t at = list.find("\n[Startup]");
        ASSERT_NE(std::string::npos, at) << r.what;
        EXPECT_EQ(r.list, list.substr(at + 1)) << r.what;
    }
}

TEST(DiskBuild, SpreadsOverDisksAndTheMergedTreeIsTheirUnion) {
    ScratchDir tmp;
    std::string manifest =
        "[Main]\nProductName = Spread\n[DirectoryName]\nSubDir1 = DATA\n[Files]\n";
    std::map<std::string, std::string> originals;
    for (int i = 0; i < 5; i++) {
        std::string name = "R" + std::to_string(i) + ".BIN";
        originals[name] = RandomBytes(600000, 20 + i);
        WriteBytes(tmp.path() + "/" + name, originals[name]);
        manifest += name + ", " + name + ", random " + std::to_string(i) + ", SubDir1\n";
    }
    std::string text;
    while (text.size() < 30000) {
        text += "a line of text for the disk tool " + std::to_string(text.size()) + "\n";
    }
    originals["T.TXT"] = text;
    WriteBytes(tmp.path() + "/T.TXT", text);
    manifest += "T.TXT, T.TXT, text, RootDir\n";
    std::string errors;
    ASSERT_EQ(0, BuildFrom(manifest, tmp.path(), &errors)) << errors;

    // 600000 random bytes are 1172 clusters, a floppy has 2847 and disk 1
    // keeps 256 for SETUP.EXE: two such files per disk, so three disks.
    std::string out = tmp.path() + "/out";
    EXPECT_EQ(0, access((out + "/disk3").c_str(), F_OK));
    EXPECT_NE(0, access((out + "/disk4").c_str(), F_OK));
    std::map<std::string, std::string> merged = Tree(out + "/merged");
    std::map<std::string, std::string> joined;
    for (int d = 1; d <= 3; d++) {
        uint64_t clusters = 0;
        for (const auto& kv : Tree(out + "/disk" + std::to_string(d))) {
            EXPECT_TRUE(joined.emplace(kv).second) << kv.first << " on two disks";
            clusters += (kv.second.size() + 511) / 512;
        }
        EXPECT_LE(clusters * 512, disktool::kFloppyBytes) << "disk " << d;
    }
    EXPECT_TRUE(joined == merged);
    // Random data do not shrink: stored under their own names; text shrinks.
    for (int i = 0; i < 5; i++) {
        std::string name = "R" + std::to_string(i) + ".BIN";
        EXPECT_TRUE(merged["/DATA/" + name] == originals[name]) << name;
    }
    ASSERT_EQ(1u, merged.count("/T.TX_"));
    std::string packed = merged["/T.TX_"];
    EXPECT_EQ('T', packed[szdd::kLastCharOffset]);  // the character the "_" stands for
    EXPECT_TRUE(Expand(std::vector<uint8_t>(packed.begin(), packed.end())) == text);
}

TEST(DiskBuild, DataThatLookCompressedAreStoredCompressed) {
    ScratchDir tmp;
    // Plain data that begin with the SZDD magic would be expanded by lz32.
    std::string lookalike = szdd_reference::Header(3) + RandomBytes(2000, 9);
    WriteBytes(tmp.path() + "/S.BIN", lookalike);
    std::string errors;
    ASSERT_EQ(0, BuildFrom("[Main]\nProductName = S\n[Files]\nS.BIN, S.BIN, s, RootDir\n",
                           tmp.path(), &errors))
        << errors;
    auto merged = Tree(tmp.path() + "/out/merged");
    ASSERT_EQ(1u, merged.count("/S.BI_"));
    EXPECT_EQ(0u, merged.count("/S.BIN"));
    std::string packed = merged["/S.BI_"];
    EXPECT_TRUE(Expand(std::vector<uint8_t>(packed.begin(), packed.end())) == lookalike);
}

TEST(DiskBuild, RefusesWhatWouldMakeABrokenSet) {
    const std::string text(4000, 'x');
    const std::string head = "[Main]\nProductName = Bad\n";
    struct Row {
        const char* what;
        std::string manifest;
        int files;   // random files F0.BIN.. of 3000 bytes to create
        int status;  // Build's exit status; -1: refused by ReadManifest
    } rows[] = {
        {"keyword of no directory", head + "[Files]\nA.TXT, A.TXT, a, SubDirX\n", 0, -1},
        {"three fields", head + "[Files]\nA.TXT, A.TXT, RootDir\n", 0, -1},
        {"a comma in the description", head + "[Files]\nA.TXT, A.TXT, a, b, RootDir\n", 0, -1},
        {"the misspelt key written right",
         head + "[Startup]\nSerialName = x\n[Files]\n"
                "A.TXT, A.TXT, a, RootDir\n",
         0, -1},
        {"unknown section", head + "[Disk1]\n1=x\n[Files]\nA.TXT, A.TXT, a, RootDir\n", 0, -1},
        {"a path as target name", head + "[Files]\nA.TXT, SUB\\A.TXT, a, RootDir\n", 0, -1},
        {"the same name after _ renaming",
         head + "[Files]\nA.TXT, A.TXT, a, RootDir\nB.TXT, A.TXX, b, RootDir\n", 0,
         disktool::kExitErrors},
        {"two files to one destination (one stored, one compressed)",
         head + "[Files]\nA.TXT, A.TXT, a, RootDir\nR.BIN, A.TXT, r, RootDir\n", 0, -1},
        {"a source that is not there", head + "[Files]\nNONE.TXT, A.TXT, a, RootDir\n", 0,
         disktool::kExitIo},
        {"SubDir2 without a directory name", head + "[Files]\nA.TXT, A.TXT, a, SubDir2\n", 0, -1},
        {"a file named like the script", head + "[Files]\nA.TXT, SETUP.INF, a, RootDir\n", 0, -1},
        {"its own uninstall list", head + "[Files]\nA.TXT, uninstal.inf, l, RootDir\n", 0, -1},
        {"the uninstaller below the destination directory",
         head + "[DirectoryName]\nSubDir1 = X\n[Files]\nA.TXT, UNINSTAL.EXE, u, SubDir1\n", 0, -1},
        {"a nested directory before its parent",
         head + "[DirectoryName]\nSubDir1 = X\\Y\nSubDir2 = X\n[Files]\nA.TXT, A.TXT, a, RootDir\n",
         0, -1},
        {"more than six disks", head + "[Disks]\nSize = 8192\n[Files]\n", 11,
         disktool::kExitErrors},
        {"a MouseDriver no line installs",
         head + "[Startup]\nMouseDriver = A.VXD\n[Files]\nA.TXT, A.TXT, a, RootDir\n", 0,
         disktool::kExitErrors},
        {"a MouseInf in the destination directory",
         head + "[Startup]\nMouseInf = A.TXT\n[Files]\nA.TXT, A.TXT, a, RootDir\n", 0,
         disktool::kExitErrors},
        {"a DefaultPath on another drive",
         head + "DefaultPath = D:\\VELOR\n[Files]\nA.TXT, A.TXT, a, RootDir\n", 0,
         disktool::kExitErrors},
        {"a DefaultPath that climbs into the Windows directory",
         head + "DefaultPath = \\..\\..\\WINDOWS\n[Files]\nA.TXT, A.TXT, a, RootDir\n", 0,
         disktool::kExitErrors},
        {"a link that points out of the manifest's folder",
         head + "[Files]\nOUT.TXT, A.TXT, a, RootDir\n", 0, -1},
        {"a file below a linked directory that points out",
         head + "[Files]\nTREE/disk.manifest, A.TXT, a, RootDir\n", 0, -1},
    };
    for (const Row& r : rows) {
        ScratchDir tmp;
        WriteBytes(tmp.path() + "/A.TXT", text);
        WriteBytes(tmp.path() + "/B.TXT", text + "b");
        WriteBytes(tmp.path() + "/R.BIN", RandomBytes(3000, 8));
        ASSERT_EQ(0, symlink((kSource + "/examples/disk.manifest").c_str(),
                             (tmp.path() + "/OUT.TXT").c_str()));
        ASSERT_EQ(0, symlink((kSource + "/examples").c_str(), (tmp.path() + "/TREE").c_str()));
        std::string manifest = r.manifest;
        for (int i = 0; i < r.files; i++) {
            std::string name = "F" + std::to_string(i) + ".BIN";
            WriteBytes(tmp.path() + "/" + name, RandomBytes(3000, 40 + i));
            manifest += name + ", " + name + ", f, RootDir\n";
        }
        std::string errors;
        int rc = BuildFrom(manifest, tmp.path(), &errors);
        EXPECT_EQ(r.status, rc) << r.what << " " << errors;
        EXPECT_NE(0, access((tmp.path() + "/out/merged").c_str(), F_OK)) << r.what;
    }
}

// One of errors is at the line of path (0: the file as a whole) and says so.
void ExpectMistakeAt(const char* what, const std::string& path, int line, const char* says,
                     const std::vector<std::string>& errors) {
    std::string at = line > 0 ? path + ":" + std::to_string(line) + ": " : path + ": ";
    bool found = false;
    std::string all;
    for (const std::string& e : errors) {
        found = found || (e.compare(0, at.size(), at) == 0 && e.find(says) != std::string::npos);
        all += e + "\n";
    }
    EXPECT_TRUE(found) << what << ": expected \"" << at << "..." << says << "\", got\n" << all;
}

TEST(DiskBuild, ManifestMistakesAreFoundAtTheirLine) {
    const std::string head = "[Main]\nProductName = P\n";  // lines 1 and 2
    const std::string file = "[Files]\nA.TXT, A.TXT, a, RootDir\n";
    struct Row {
        const char* what;
        std::string manifest;
        int line;  // 0: the manifest as a whole
        const char* says;
    } rows[] = {
        {"1 SubDir climbs out", head + "[DirectoryName]\nSubDir1 = ..\n" + file, 4, "climbs out"},
        {"2 WinSystemDir climbs out", head + "[DirectoryName]\nWinSystemDir = ..\\..\\X\n" + file,
         4, "climbs out"},
        {"3 RootDir from the top", head + "[DirectoryName]\nRootDir = \\X\n" + file, 4, "relative"},
        {"4 a device as directory", head + "[DirectoryName]\nWinDir = AUX\n" + file, 4, "device"},
        {"5 non-ASCII directory", head + "[DirectoryName]\nSubDir1 = Hilfe\xC3\xA9\n" + file, 4,
         "ASCII"},
        {"6 CON.TXT", head + "[Files]\nA.TXT, CON.TXT, a, RootDir\n", 4, "device"},
        {"7 LPT1.DAT", head + "[Files]\nA.TXT, lpt1.dat, a, RootDir\n", 4, "device"},
        {"8 NUL", head + "[Files]\nA.TXT, NUL, a, RootDir\n", 4, "device"},
        {"9 a trailing dot", head + "[Files]\nA.TXT, A.TXT., a, RootDir\n", 4, "drops"},
        {"10 target of 15", head + "[Files]\nA.TXT, ABCDEFGHIJK.TXT, a, RootDir\n", 4, "keeps 14"},
        {"11 description of 62",
         head + "[Files]\nA.TXT, A.TXT, " + std::string(62, 'd') + ", RootDir\n", 4, "shows 61"},
        {"12 label of 40", head + "[Disks]\nLabel = " + std::string(39, 'L') + "%d\n" + file, 4,
         "keeps 39"},
        {"13 Size -5", head + "[Disks]\nSize = -5\n" + file, 4, "Size is"},
        {"14 Size of 20 digits", head + "[Disks]\nSize = 18014398509481983999\n" + file, 4,
         "Size is"},
        {"15 MinimumSpace -1", "[Main]\nProductName = P\nMinimumSpace = -1\n" + file, 3,
         "from 0 to 32767"},
        {"16 MinimumSpace abc", "[Main]\nProductName = P\nMinimumSpace = abc\n" + file, 3,
         "from 0 to 32767"},
        {"17 MinimumSpace 40000", "[Main]\nMinimumSpace = 40000\nProductName = P\n" + file, 2,
         "from 0 to 32767"},
        {"18 DefaultSerialMouse 2", head + "DefaultSerialMouse = 2\n" + file, 3, "from 0 to 1"},
        {"19 ProductName of 72", "[Main]\nProductName = " + std::string(72, 'p') + "\n" + file, 2,
         "keeps 71"},
        {"20 not UTF-8",
         head + "[Files]\nA.TXT, \xDC"
                "BER.TXT, a, RootDir\n",
         4, "not UTF-8"},
        {"21 not in code page 1252", head + "[Files]\nA.TXT, A.TXT, \xCE\xA9 ohm, RootDir\n", 4,
         "U+03A9"},
        {"22 [Start-up]", head + file + "[Start-up]\nTitle = T\n", 5, "did you mean [Startup]"},
        {"23 no [Main]", file, 0, "no ProductName"},
        {"24 the list given", head + "[Files]\nA.TXT, UNINSTAL.INF, a, RootDir\n", 4, "drop"},
        {"25 SubDir without value", head + "[Files]\nA.TXT, A.TXT, a, SubDir3\n", 4,
         "no [DirectoryName] value"},
        {"26 two files to one place", head + file + "B.TXT, a.txt, b, RootDir\n", 5, "by line 4"},
        {"27 a comment of 5000 bytes ends in a file line",
         head + "[Files]\n;" + std::string(5000, ' ') + "A.TXT, A.TXT, a, RootDir\n" +
             "A.TXT, a.txt, b, RootDir\nA.TXT, A.TXT, c, RootDir\n",
         6, "by line 5"},
        {"28 a file of the build machine", head + "[Files]\n/etc/passwd, PASSWD.TXT, p, RootDir\n",
         4, "(source-outside)"},
        {"29 .. out of the manifest's folder", head + "[Files]\n../../A.TXT, A.TXT, a, RootDir\n",
         4, "(source-outside)"},
        {"30 .. after a name", head + "[DirectoryName]\nSubDir1 = HELP\\..\\..\\X\n" + file, 4,
         "climbs out"},
        {"31 U+0080, the first C1 control, in a description",
         head + "[Files]\nA.TXT, A.TXT, \xC2\x80, RootDir\n", 4, "U+0080"},
        {"32 U+009F, the last C1 control, in ProductName",
         "[Main]\nProductName = P\xC2\x9F\n" + file, 2, "U+009F"},
        {"33 a directory name with the euro sign (byte 0x80)",
         head + "[DirectoryName]\nSubDir1 = EUR\xE2\x82\xAC\n" + file, 4, "ASCII"},
        {"34 SubDir6 without value", head + "[Files]\nA.TXT, A.TXT, a, SubDir6\n", 4,
         "no [DirectoryName] value"},
    };
    // netinst's answers file, by the same measure: at its line, or the
    // file as a whole.
    Row answers[] = {
        {"35 a line before the section", "MouseType = PS2\n[Unattended]\n", 1,
         "a line before [Unattended]"},
        {"36 a near miss of the section", "[Unattended]\n[Unatended]\nLog = C:\\L\n", 2,
         "[Unatended] is not read (did you mean [Unattended]?)"},
        {"37 the section again", "[Unattended]\nRestart = Ask\n[unattended]\n", 3, "again"},
        {"38 no section", "; [Unattended]\n", 0, "no [Unattended] section"},
        {"39 not in code page 1252", "[Unattended]\nDestination = C:\\\xCE\xA9\n", 2, "U+03A9"},
        {"40 no such answer, after a byte-order mark",
         "\xEF\xBB\xBF[Unattended]\nRestart = Ask\nColour = Blue\n", 3,
         "knows no answer Colour (it knows MouseType, Destination"},
        {"41 a value refused, after a comment",
         "[Unattended]\r\n# \\\\SERVER\\R\\PC.RES\r\nResult = \\\\SERVER\r\n", 3,
         "is no file with its drive or share: the unattended run stops before it changes "
         "anything (answer-value)"},
    };
    ScratchDir tmp;
    const std::string answersPath = tmp.path() + "/answers.ini";
    for (const Row& r : answers) {
        WriteBytes(answersPath, r.manifest);
        disktool::AnswersFile a;
        std::vector<std::string> errors;
        bool unreadable = true;
        EXPECT_FALSE(disktool::ReadAnswersFile(answersPath, &a, &errors, &unreadable)) << r.what;
        EXPECT_FALSE(unreadable) << r.what;
        ExpectMistakeAt(r.what, answersPath, r.line, r.says, errors);
    }
    for (const Row& r : rows) {
        disktool::Manifest m;
        std::vector<std::string> errors;
        EXPECT_FALSE(disktool::ParseManifestText(r.manifest, "set.manifest", &m, &errors))
            << r.what;
        ExpectMistakeAt(r.what, "set.manifest", r.line, r.says, errors);
    }
}

TEST(DiskBuild, BuildsTheDisksTheManifestDescribes) {
    struct Row {
        const char* what;
        std::string files;      // [Files] lines; sources A.TXT, E.TXT (empty), R.BIN
        std::string extra;      // sections after [Files]
        const char* scriptHas;  // in SETUP.INF (code page 1252)
        const char* listLacks;  // not in UNINSTAL.INF ("" when no list)
        const char* onDisk;     // a path in merged
    } rows[] = {
        {"1 UTF-8 text in code page 1252, with a BOM",
         "A.TXT, \xC3\x9C"
         "ber.txt, \xE2\x82\xAC, SubDir1\n",
         "",
         "BER~1.TX_, \xDC"
         "ber.txt, \x80, SubDir1",
         "", "/PROGRAM HELP/BER~1.TX_"},
        {"2 a long target name gets a short name on the disk", "A.TXT, Read me.txt, r, RootDir\n",
         "", "README~1.TX_, Read me.txt, r, RootDir", "", "/README~1.TX_"},
        {"3 an empty file", "E.TXT, EMPTY.TXT, e, RootDir\n", "", "EMPTY.TXT, EMPTY.TXT", "",
         "/EMPTY.TXT"},
        {"4 Windows' own files are installed, never listed for removal",
         "A.TXT, UNINSTAL.EXE, u, RootDir\nA.TXT, SYSTEM.INI, s, WinDir\n"
         "R.BIN, COMCTL32.DLL, c, WinSystemDir\nA.TXT, OWN.DLL, o, WinSystemDir\n",
         "", "COMCTL32.DLL, COMCTL32.DLL", "SYSTEM.INI", "/SYS/COMCTL32.DLL"},
        {"5 [Startup] files installed where Windows looks for them (names case-blind)",
         "A.TXT, DRV.VXD, d, WinSystemDir\nA.TXT, DRV.INF, i, WinInfDir\n",
         "[Startup]\nMouseDriver = drv.vxd\nMouseInf = DRV.INF\nFileName = Drv.Vxd\n",
         "MouseDriver=drv.vxd", "", "/SYS/DRV.VX_"},
        {"6 a link that stays in the manifest's folder", "IN.TXT, IN.TXT, i, RootDir\n", "",
         "IN.TX_, IN.TXT", "", "/IN.TX_"},
        {"7 a four-letter extension is not 8.3", "A.TXT, INDEX.HTML, h, RootDir\n", "",
         "INDEX~1.HT_, INDEX.HTML", "", "/INDEX~1.HT_"},
    };
    for (const Row& r : rows) {
        ScratchDir tmp;
        WriteBytes(tmp.path() + "/A.TXT", std::string(3000, 'a'));
        WriteBytes(tmp.path() + "/E.TXT", "");
        WriteBytes(tmp.path() + "/R.BIN", RandomBytes(3000, 11));
        ASSERT_EQ(0, symlink("A.TXT", (tmp.path() + "/IN.TXT").c_str()));
        std::string errors;
        ASSERT_EQ(0, BuildFrom("\xEF\xBB\xBF[Main]\nProductName = P\n[DirectoryName]\n"
                               "SubDir1 = Program Help\nWinSystemDir = SYS\n[Files]\n" +
                                   r.files + r.extra,
                               tmp.path(), &errors))
            << r.what << "\n"
            << errors;
        auto merged = Tree(tmp.path() + "/out/merged");
        EXPECT_NE(std::string::npos, merged["/SETUP.INF"].find(r.scriptHas))
            << r.what << "\n"
            << merged["/SETUP.INF"];
        EXPECT_EQ(1u, merged.count(r.onDisk)) << r.what;
        if (r.listLacks[0] != 0) {
            std::string list = Expand(std::vector<uint8_t>(merged["/UNINSTAL.IN_"].begin(),
                                                           merged["/UNINSTAL.IN_"].end()));
            EXPECT_NE(std::string::npos, list.find("Windows, SYSTEM\\OWN.DLL")) << r.what << list;
            EXPECT_EQ(std::string::npos, list.find(r.listLacks)) << r.what << list;
        }
    }
}

// The names in dir, "." and ".." included.
std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            names.push_back(e->d_name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(DiskBuild, AFailedRebuildLeavesThePreviousBuildAndNothingAround) {
    ScratchDir tmp;
    WriteBytes(tmp.path() + "/A.TXT", std::string(3000, 'a'));
    std::string good = "[Main]\nProductName = P\n[Files]\nA.TXT, A.TXT, a, RootDir\n";
    std::string errors;
    ASSERT_EQ(0, BuildFrom(good, tmp.path(), &errors)) << errors;
    // Planted beside OUTDIR: a rebuild keeps it.
    WriteBytes(tmp.path() + "/X", "planted");
    const std::string out = tmp.path() + "/out";
    const std::vector<std::string> around = {".", "..", "A.TXT", "X", "out", "set.manifest"};
    auto before = Tree(out);
    struct Row {
        const char* what;
        std::string manifest;
        int status;
    } rows[] = {
        {"1 a source missing (compress)", good + "NONE.TXT, B.TXT, b, RootDir\n",
         disktool::kExitIo},
        {"2 the result not clean (check)",
         "[Main]\nProductName = P\nDefaultPath = \\" + std::string(70, 'D') + "\n" +
             good.substr(good.find("[Files]")),
         disktool::kExitErrors},
        {"3 climbing out (manifest)",
         good + "[DirectoryName]\nSubDir1 = ..\\..\\X\n[Files]\nA.TXT, A.TXT, a, SubDir1\n", -1},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.status, BuildFrom(r.manifest, tmp.path(), &errors)) << r.what;
        EXPECT_TRUE(Tree(out) == before) << r.what << ": OUTDIR changed";
        EXPECT_EQ("planted", ReadBytes(tmp.path() + "/X")) << r.what;
        EXPECT_EQ(around, Names(tmp.path())) << r.what << ": something left beside OUTDIR";
        EXPECT_NE(0, access((out + "/.disktool-new").c_str(), F_OK))
            << r.what << ": a scratch directory is left in OUTDIR";
    }

    // What OUTDIR holds before a rebuild: what the tool did not make is
    // refused (its mark lists what it made; an earlier version's mark lists
    // nothing and its output names count), what a stopped build left goes.
    struct Held {
        const char* what;
        std::map<std::string, std::string> plant;  // path below OUTDIR -> contents
        std::vector<std::string> remove;           // paths below OUTDIR
        int status;
    } held[] = {
        {"4 the vendor's files at the top and in a tree",
         {{"/NOTES.TXT", "n"}, {"/merged/STRAY.TXT", "s"}},
         {},
         disktool::kExitOutDir},
        {"5 no mark", {}, {"/.disktool"}, disktool::kExitOutDir},
        {"6 an earlier version's mark, a vendor's file",
         {{"/.disktool", ""}, {"/NOTES.TXT", "n"}},
         {},
         disktool::kExitOutDir},
        {"7 an earlier version's mark and output",
         {{"/.disktool", ""}, {"/disk2.img", "i"}},
         {},
         0},
        {"8 a stopped build's scratch directory",
         {{"/.disktool-new/merged/SETUP.INF", "s"}},
         {},
         0},
    };
    for (const Held& h : held) {
        system(("rm -rf '" + out + "'").c_str());
        ASSERT_EQ(0, BuildFrom(good, tmp.path(), &errors)) << h.what;
        for (const auto& p : h.plant) {
            for (size_t at = p.first.find('/', 1); at != std::string::npos;
                 at = p.first.find('/', at + 1)) {
                mkdir((out + p.first.substr(0, at)).c_str(), 0755);
            }
            WriteBytes(out + p.first, p.second);
        }
        for (const std::string& p : h.remove) {
            unlink((out + p).c_str());
        }
        auto planted = Tree(out);
        EXPECT_EQ(h.status, BuildFrom(good, tmp.path(), &errors)) << h.what;
        if (h.status != 0) {
            EXPECT_TRUE(Tree(out) == planted) << h.what << ": OUTDIR changed";
            continue;
        }
        EXPECT_TRUE(Tree(out) == before) << h.what << ": not what a build into a new OUTDIR gives";
        EXPECT_EQ(around, Names(tmp.path())) << h.what;
    }
}

// ---- netinst -----------------------------------------------------------------

// What SETUP.EXE reads from the point's script: the engine on a machine
// whose A: is the point.
Answers AnswersOfPoint(const std::string& point, const std::string& machine) {
    mkdir(machine.c_str(), 0755);
    symlink(point.c_str(), (machine + "/a").c_str());
    plat::posix::StartToolMachine(machine, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "A:\\SETUP.EXE");
    Answers a;
    ReadAnswers("A:\\SETUP.INF", &a);
    plat::posix::EndToolMachine();
    return a;
}

// As the command line runs it: the answers file first, then the point.
int NetInstallFrom(const std::string& dir, const std::string& answers, const std::string& exe) {
    WriteBytes(dir + "/answers.ini", answers);
    disktool::AnswersFile a;
    std::vector<std::string> errors;
    bool unreadable;
    if (!disktool::ReadAnswersFile(dir + "/answers.ini", &a, &errors, &unreadable)) {
        return unreadable ? disktool::kExitIo : disktool::kExitErrors;
    }
    return disktool::NetInstall(dir + "/disks", a, dir + "/out", exe.empty() ? "" : dir + exe);
}

TEST(NetInstall, WritesTheSharedPointOrNothing) {
    const std::string sample = ReadBytes(kSource + "/examples/answers.ini");
    // Shell commands make $T/disks from the sample disk $S.
    struct Row {
        const char* what;
        const char* disks;
        std::string answers;
        const char* exe;  // --setup-exe below $T, "" for none
        int status;
    } rows[] = {
        {"1 the merged sample disk", "cp -r $S $T/disks", sample, "/EXE", 0},
        {"2 disk1 and disk2, SETUP.EXE on disk 1",
         "mkdir $T/disks && cp -r $S $T/disks/disk1 && mkdir $T/disks/DISK2 && "
         "mv $T/disks/disk1/HELP $T/disks/disk1/SYSTEM $T/disks/DISK2 && "
         "cp $T/EXE $T/disks/disk1/SETUP.EXE",
         sample, "", 0},
        {"3 an earlier point's answers give way, the section after them stays",
         "cp -r $S $T/disks && "
         "sed -i 's/^\\[Startup\\]/[unattended]\\r\\nMouseType=Serial\\r\\n&/' $T/disks/SETUP.INF",
         sample, "/EXE", 0},
        {"4 a mistake in the answers", "cp -r $S $T/disks", sample + "Restart = Later\n", "/EXE",
         disktool::kExitErrors},
        {"5 a file on two disks",
         "mkdir $T/disks && cp -r $S $T/disks/disk1 && mkdir $T/disks/disk2 && "
         "cp $S/README.TXT $T/disks/disk2/readme.txt",
         sample, "/EXE", disktool::kExitErrors},
        {"6 no SETUP.EXE", "cp -r $S $T/disks", sample, "", disktool::kExitErrors},
        {"7 disks that do not check clean",
         "cp -r $S/../../tests/data/disktool/broken/01-source-missing $T/disks", sample, "/EXE",
         disktool::kExitErrors},
        {"8 neither SETUP.INF nor disk1", "mkdir $T/disks && cp -r $S $T/disks/disk2", sample,
         "/EXE", disktool::kExitErrors},
        {"9 no DISKS", "true", sample, "/EXE", disktool::kExitIo},
        {"10 no such SETUP.EXE", "cp -r $S $T/disks", sample, "/NONE", disktool::kExitIo},
        {"11 OUTDIR holds the administrator's notes",
         "cp -r $S $T/disks && mkdir $T/out && echo n >$T/out/NOTES.TXT", sample, "/EXE",
         disktool::kExitOutDir},
    };
    for (const Row& r : rows) {
        ScratchDir tmp;
        WriteBytes(tmp.path() + "/EXE", "MZ setup");
        setenv("S", (kSource + "/examples/disk").c_str(), 1);
        setenv("T", tmp.path().c_str(), 1);
        ASSERT_EQ(0, system(r.disks)) << r.what;
        auto before = Tree(tmp.path() + "/out");
        EXPECT_EQ(r.status, NetInstallFrom(tmp.path(), r.answers, r.exe)) << r.what;
        if (r.status != 0) {
            EXPECT_TRUE(Tree(tmp.path() + "/out") == before) << r.what << ": OUTDIR changed";
            EXPECT_EQ(r.status == disktool::kExitOutDir,
                      access((tmp.path() + "/out").c_str(), F_OK) == 0)
                << r.what;
            continue;
        }
        auto point = Tree(tmp.path() + "/out/share");
        auto disk = Tree(kSource + "/examples/disk");
        EXPECT_EQ(disk.size() + 1, point.size()) << r.what;
        for (const auto& kv : disk) {
            EXPECT_TRUE(kv.first == "/SETUP.INF" || point[kv.first] == kv.second)
                << r.what << kv.first;
        }
        EXPECT_EQ("MZ setup", point["/SETUP.EXE"]) << r.what;
        EXPECT_EQ(0u, point["/SETUP.INF"].find(disk["/SETUP.INF"])) << r.what;
        Answers a = AnswersOfPoint(tmp.path() + "/out/share", tmp.path() + "/machine");
        EXPECT_STREQ("", a.problem) << r.what;
        EXPECT_EQ(1, a.present) << r.what;
        EXPECT_EQ(0, a.serialMouse) << r.what;
        EXPECT_STREQ("C:\\Program Files\\VELOR", a.destination) << r.what;
        EXPECT_EQ(kRestartAlways, a.restart) << r.what;
        EXPECT_STREQ("", a.result) << r.what;
        EXPECT_STREQ("C:\\WINDOWS\\VLSETUP.LOG", a.log) << r.what;
    }
}

}  // namespace
