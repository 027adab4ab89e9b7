// The profile stand-in's cache and its injected write failures: parsed files
// are kept until the host file's size, time or inode change.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/posix/internal.h"
#include "platform/posix/machine.h"
#include "platform/profile.h"
#include "support/test_machine.h"

namespace {

namespace tm = testing_machine;

std::string Read(const std::string& path, const char* key) {
    char buf[64];
    plat::ProfileGetString("A", key, "missing", buf, sizeof buf, path.c_str());
    return buf;
}

// Rewrites the host file with the same size and modification time, which a
// cache that trusts those two cannot see.
void ReplaceUnseen(const std::string& dosPath, const std::string& bytes) {
    std::string host = plat::posix::HostPath(dosPath.c_str());
    struct stat before;
    ASSERT_EQ(0, stat(host.c_str(), &before));
    FILE* f = fopen(host.c_str(), "r+b");  // same inode
    ASSERT_NE(nullptr, f);
    ASSERT_EQ(bytes.size(), fwrite(bytes.data(), 1, bytes.size(), f));
    fclose(f);
    struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(0, utimensat(AT_FDCWD, host.c_str(), times, 0));
}

TEST(ProfileCacheNative, ParsedFileIsKeptUntilTheFileChanges) {
    tm::Reset();
    std::string path = tm::Path("cache.ini");
    ASSERT_TRUE(tm::WriteFile(path, "[A]\r\nk=1\r\n"));
    EXPECT_EQ("1", Read(path, "k"));
    ReplaceUnseen(path, "[A]\r\nk=2\r\n");
    EXPECT_EQ("1", Read(path, "k")) << "the file was read again for one more key";
    // A change of size is seen.
    ASSERT_TRUE(tm::WriteFile(path, "[A]\r\nk=33\r\n"));
    EXPECT_EQ("33", Read(path, "k"));
    // And forgetting the cache reads the file again.
    ReplaceUnseen(path, "[A]\r\nk=44\r\n");
    plat::posix::ResetProfileCache();
    EXPECT_EQ("44", Read(path, "k"));
}

TEST(ProfileCacheNative, InjectedWriteFailureChangesNothing) {
    tm::Reset();
    std::string path = tm::Path("fault.ini");
    ASSERT_TRUE(tm::WriteFile(path, "[A]\r\nk=1\r\n"));
    EXPECT_EQ("1", Read(path, "k"));
    plat::posix::InjectFault(plat::posix::Op::ProfileWrite, "fault.ini", 0, 1);
    EXPECT_EQ(0, plat::ProfileWriteString("A", "k", "2", path.c_str()));
    EXPECT_EQ("1", Read(path, "k"));
    std::string bytes;
    ASSERT_TRUE(tm::ReadFile(path, &bytes));
    EXPECT_EQ("[A]\r\nk=1\r\n", bytes);
    // The fault was for one call only.
    EXPECT_EQ(1, plat::ProfileWriteString("A", "k", "2", path.c_str()));
    EXPECT_EQ("2", Read(path, "k"));
}

}  // namespace
