// Files and directories on the fake machine, with the Win32 rules: DOS paths
// resolved case-blindly, a rename that never replaces, free space reported
// the way Windows 95 OSR2 and 98 report it, read-only files and
// write-protected drives refused as Windows refuses them, and every call
// open to an injected fault.
#include "platform/files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/posix/internal.h"
#include "platform/posix/machine.h"
#include "platform/text.h"

struct plat::FindTag {
    DIR* dir;
};

struct plat::FileTag {
    int fd;
    std::string dosPath;  // what faults are matched against
    bool writing;         // opened for writing: closing it is a step that changes the machine
};

namespace plat {

namespace {

using posix::FaultHits;
using posix::HostPath;
using posix::Op;
using posix::PowerStep;
using posix::WriteDenied;

// The host path, or "" when the DOS path names nothing on the machine.
std::string Resolve(const char* path) {
    return path == nullptr ? "" : HostPath(path);
}

// A DOS path that ends in a separator names a directory only.
bool EndsInSeparator(const char* path) {
    std::string p = path;
    return !p.empty() && (p.back() == '\\' || p.back() == '/');
}

File Open(const char* path, int flags, Op op) {
    std::string host = Resolve(path);
    bool writing = op != Op::FileOpenRead;
    if (host.empty() || EndsInSeparator(path) || FaultHits(op, path) ||
        (writing && WriteDenied(path, host))) {
        return nullptr;
    }
    struct stat st;
    if (stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return nullptr;
    }
    int fd = open(host.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        return nullptr;
    }
    return new FileTag{fd, path, writing};
}

}  // namespace

int DirCreate(const char* path) {
    std::string host = Resolve(path);
    if (!PowerStep(Op::DirCreate, path) || host.empty() || FaultHits(Op::DirCreate, path) ||
        posix::DriveWriteProtected(path)) {
        return 0;
    }
    while (host.size() > 1 && host.back() == '/') {
        host.pop_back();
    }
    // mkdir makes the last component only and fails on anything existing,
    // like CreateDirectoryA.
    if (mkdir(host.c_str(), 0755) != 0) {
        return 0;
    }
    posix::DirectoryMade(host, true);
    return 1;
}

int DirRemove(const char* path) {
    std::string host = Resolve(path);
    if (!PowerStep(Op::DirRemove, path) || host.empty() || FaultHits(Op::DirRemove, path) ||
        posix::DriveWriteProtected(path)) {
        return 0;
    }
    while (host.size() > 1 && host.back() == '/') {
        host.pop_back();
    }
    if (rmdir(host.c_str()) != 0) {
        return 0;
    }
    posix::DirectoryRemoved(host, true, "");
    return 1;
}

// The stand-in's disk keeps no 8.3 names: an existing path is its own.
uint32_t ShortPathName(const char* path, char* out, uint32_t size) {
    if (FileAttributes(path) == kInvalidAttributes || size == 0) {
        return 0;
    }
    text::Copy(out, size, path);
    return text::Length(out);
}

uint32_t FullPathName(const char* path, char* out, uint32_t size) {
    std::string p = path == nullptr ? "" : path;
    // A path without a drive is taken from the current directory, which
    // the stand-in keeps at the root of C:.
    std::string whole = p.size() >= 2 && p[1] == ':' ? p.substr(0, 2) : "C:";
    std::vector<std::string> parts;
    size_t i = p.size() >= 2 && p[1] == ':' ? 2 : 0;
    while (i <= p.size()) {
        size_t j = p.find_first_of("\\/", i);
        if (j == std::string::npos) {
            j = p.size();
        }
        std::string part = p.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    for (const std::string& part : parts) {
        whole += "\\" + part;
    }
    if (parts.empty() || (!p.empty() && (p.back() == '\\' || p.back() == '/'))) {
        whole += "\\";
    }
    if (whole.size() + 1 > size) {
        return 0;
    }
    text::Copy(out, size, whole.c_str());
    return static_cast<uint32_t>(whole.size());
}

uint32_t FileAttributes(const char* path) {
    std::string host = Resolve(path);
    struct stat st;
    if (host.empty() || stat(host.c_str(), &st) != 0) {
        return kInvalidAttributes;
    }
    if (S_ISDIR(st.st_mode)) {
        return kAttrDirectory;
    }
    if (EndsInSeparator(path)) {
        return kInvalidAttributes;  // "FILE.TXT\" names no file
    }
    const uint32_t kArchive = 0x20;  // FILE_ATTRIBUTE_ARCHIVE: what a file written by a program has
    return posix::Machine().readOnlyFiles.count(host) != 0 ? kArchive | kAttrReadOnly : kArchive;
}

int FileHeld(const char* path) {
    std::string host = Resolve(path);
    uint32_t attributes = FileAttributes(path);
    return attributes != kInvalidAttributes &&
           (attributes & (kAttrDirectory | kAttrReadOnly)) == 0 &&
           posix::Machine().heldFiles.count(host) != 0;
}

int FileDelete(const char* path) {
    std::string host = Resolve(path);
    if (!PowerStep(Op::FileDelete, path) || host.empty() || FaultHits(Op::FileDelete, path) ||
        WriteDenied(path, host)) {
        return 0;
    }
    struct stat st;
    if (lstat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return 0;  // DeleteFileA removes files only
    }
    // The bytes go with the name only once the delete is on the disk.
    std::string data;
    if (posix::PowerArmed()) {
        posix::HostFileBytes(host, &data);
    }
    if (unlink(host.c_str()) != 0) {
        return 0;
    }
    posix::DirectoryRemoved(host, false, data);
    return 1;
}

int FileRename(const char* from, const char* to) {
    std::string src = Resolve(from);
    std::string dst = Resolve(to);
    if (!PowerStep(Op::FileRename, std::string(from) + " -> " + to) || src.empty() || dst.empty() ||
        FaultHits(Op::FileRename, from) || FaultHits(Op::FileRename, to) ||
        posix::DriveWriteProtected(from) || posix::DriveWriteProtected(to) ||
        posix::Machine().heldFiles.count(src) != 0) {
        return 0;
    }
    struct stat st;
    if (lstat(src.c_str(), &st) != 0) {
        return 0;
    }
    if (S_ISDIR(st.st_mode)) {
        // No hard links for directories: check, then rename. Nothing else
        // runs on the fake machine between the two.
        struct stat target;
        if (lstat(dst.c_str(), &target) == 0) {
            return 0;
        }
        if (rename(src.c_str(), dst.c_str()) != 0) {
            return 0;
        }
        posix::MoveReadOnly(src, dst);
        return 1;
    }
    // The new name and the case-blind match of an existing entry: HostPath
    // keeps the existing spelling, so "A.TXT" -> "a.txt" lands on the same
    // host file and fails here as on Windows... unless it is the same file,
    // which Windows allows (a change of letter case).
    struct stat target;
    if (lstat(dst.c_str(), &target) == 0) {
        if (target.st_ino == st.st_ino && target.st_dev == st.st_dev && src == dst) {
            return 1;
        }
        return 0;
    }
    // link() fails when the target exists, so an existing file is never
    // replaced even if one appeared after the check.
    if (link(src.c_str(), dst.c_str()) != 0) {
        return 0;
    }
    if (unlink(src.c_str()) != 0) {
        unlink(dst.c_str());
        return 0;
    }
    posix::MoveReadOnly(src, dst);
    posix::DirectoryRenamed(src, dst);
    return 1;
}

Find FindFirst(const char* dir, char* name, uint32_t size) {
    std::string host = Resolve(dir);
    DIR* d = host.empty() ? nullptr : opendir(host.c_str());
    if (d == nullptr) {
        return nullptr;
    }
    Find find = new FindTag{d};
    if (!FindNext(find, name, size)) {
        FindEnd(find);
        return nullptr;
    }
    return find;
}

int FindNext(Find find, char* name, uint32_t size) {
    if (find == nullptr) {
        return 0;
    }
    while (struct dirent* e = readdir(find->dir)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") {
            text::Copy(name, size, n.c_str());
            return 1;
        }
    }
    return 0;
}

void FindEnd(Find find) {
    if (find != nullptr) {
        closedir(find->dir);
        delete find;
    }
}

int DiskFreeSpace(const char* root, uint32_t* sectorsPerCluster, uint32_t* bytesPerSector,
                  uint32_t* freeClusters, uint32_t* totalClusters) {
    std::string host = Resolve(root);
    struct stat st;
    if (host.empty() || stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        FaultHits(Op::DiskFree, root)) {
        return 0;
    }
    char drive = root[0];
    if (drive >= 'a' && drive <= 'z') {
        drive = static_cast<char>(drive - 'a' + 'A');
    }
    uint64_t freeBytes = 1ull << 30;
    auto it = posix::Machine().freeBytes.find(drive);
    if (it != posix::Machine().freeBytes.end()) {
        freeBytes = it->second;
    }
    // 4 KiB clusters of 512-byte sectors. Windows 95 OSR2 and 98 never report
    // more than 2 GiB through this call, whatever the drive holds.
    const uint64_t kCluster = 4096;
    const uint64_t kMaxClusters = ((1ull << 31) - kCluster) / kCluster;
    uint64_t free = freeBytes / kCluster;
    if (free > kMaxClusters) {
        free = kMaxClusters;
    }
    uint64_t total = free * 2 > kMaxClusters ? kMaxClusters : free * 2;
    if (total == 0) {
        total = 1;
    }
    *sectorsPerCluster = 8;
    *bytesPerSector = 512;
    *freeClusters = static_cast<uint32_t>(free);
    *totalClusters = static_cast<uint32_t>(total);
    return 1;
}

File FileOpenRead(const char* path) {
    return Open(path, O_RDONLY, Op::FileOpenRead);
}

// A create under a new name is a directory operation; one that truncates a
// file already there writes data only.
File FileCreate(const char* path) {
    if (!PowerStep(Op::FileCreate, path)) {
        return nullptr;
    }
    std::string host = Resolve(path);
    struct stat st;
    bool isNew = !host.empty() && lstat(host.c_str(), &st) != 0;
    File file = Open(path, O_WRONLY | O_CREAT | O_TRUNC, Op::FileCreate);
    if (file != nullptr && isNew) {
        posix::DirectoryMade(host, false);
    }
    return file;
}

File FileOpenWrite(const char* path) {
    return Open(path, O_WRONLY, Op::FileOpenWrite);
}

int FileRead(File file, void* buf, uint32_t size, uint32_t* got) {
    *got = 0;
    if (file == nullptr || FaultHits(Op::FileRead, file->dosPath)) {
        return 0;
    }
    char* out = static_cast<char*>(buf);
    while (*got < size) {
        ssize_t n = read(file->fd, out + *got, size - *got);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return 0;
        }
        if (n == 0) {
            break;
        }
        *got += static_cast<uint32_t>(n);
    }
    return 1;
}

int FileWrite(File file, const void* buf, uint32_t size) {
    if (file == nullptr) {
        return 0;
    }
    if (FaultHits(Op::FileWrite, file->dosPath)) {
        return 0;
    }
    uint64_t& room = posix::Machine().writableBytes;
    uint32_t want = PowerStep(Op::FileWrite, file->dosPath, size);
    if (room < want) {
        want = static_cast<uint32_t>(room);  // the disk fills up part way
    }
    const char* in = static_cast<const char*>(buf);
    uint32_t done = 0;
    while (done < want) {
        ssize_t n = write(file->fd, in + done, want - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        done += static_cast<uint32_t>(n);
    }
    if (room != UINT64_MAX) {
        room -= done;
    }
    return done == size ? 1 : 0;
}

int FileSeek(File file, uint32_t offset) {
    if (file == nullptr || FaultHits(Op::FileSeek, file->dosPath)) {
        return 0;
    }
    return lseek(file->fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset) ? 1
                                                                                               : 0;
}

// The data are written through to the host at once, so the flush puts on
// the disk only the directory operations that made and named the file;
// FlushFileBuffers fails on a handle without write access.
int FileFlush(File file) {
    if (file == nullptr || !file->writing) {
        return 0;
    }
    if (!PowerStep(Op::FileFlush, file->dosPath) || FaultHits(Op::FileFlush, file->dosPath)) {
        return 0;
    }
    posix::DirectoryFlushed(Resolve(file->dosPath.c_str()));
    return 1;
}

int FileClose(File file) {
    if (file == nullptr) {
        return 0;
    }
    int ok = close(file->fd) == 0 ? 1 : 0;
    if ((file->writing && !PowerStep(Op::FileClose, file->dosPath)) ||
        FaultHits(Op::FileClose, file->dosPath)) {
        ok = 0;
    }
    delete file;
    return ok;
}

}  // namespace plat
