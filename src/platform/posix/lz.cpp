// LZ expansion on the fake machine, with lz32's rules as Wine shows them:
// - a name that does not open is tried once more in its compressed
//   spelling (last character of the extension replaced by '_');
// - a file with an SZDD header of mode 'A' is expanded, any other file is
//   copied unchanged;
// - at most 16 compressed files are open at once; beyond that, and for an
//   SZDD header with another mode, the open succeeds but the copy writes
//   nothing and reports 0;
// - the copy reports the bytes written; damaged or cut data are expanded
//   as far as they go, never reported as an error.
#include "platform/lz.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/posix/internal.h"
#include "platform/posix/machine.h"
#include "platform/text.h"
#include "szdd/szdd.h"

namespace plat {

namespace {

const int kMaxCompressedOpen = 16;  // lz32's table of expansion states
const long kHfileError = -1;        // what LZOpenFileA gives when nothing opens

struct LzFile {
    int fd = -1;  // -1: slot free
    bool compressed = false;
    bool spent = false;  // an expanding handle is read once
    std::string path;    // as opened: what a copy into it is logged under
};

std::vector<LzFile> gFiles;

int CompressedOpen() {
    int n = 0;
    for (const LzFile& f : gFiles) {
        if (f.fd >= 0 && f.compressed) {
            n++;
        }
    }
    return n;
}

LzFile* Get(int handle) {
    if (handle < 0 || handle >= static_cast<int>(gFiles.size()) || gFiles[handle].fd < 0) {
        return nullptr;
    }
    return &gFiles[handle];
}

int AddHandle(int fd, bool compressed, const std::string& path) {
    size_t i = 0;
    while (i < gFiles.size() && gFiles[i].fd >= 0) {
        i++;
    }
    if (i == gFiles.size()) {
        gFiles.push_back(LzFile());
    }
    gFiles[i].fd = fd;
    gFiles[i].compressed = compressed;
    gFiles[i].spent = false;
    gFiles[i].path = path;
    return static_cast<int>(i);
}

// A regular file only: Windows does not open a directory as a file.
int OpenRegular(const std::string& dosPath, int flags) {
    std::string host = posix::HostPath(dosPath.c_str());
    if (host.empty()) {
        return -1;
    }
    int fd = open(host.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

// OpenRegular for a file to write, made empty, where it may be written; a
// new name is a directory operation.
int CreateRegular(const std::string& dosPath) {
    std::string host = posix::HostPath(dosPath.c_str());
    if (posix::WriteDenied(dosPath, host)) {
        return -1;
    }
    struct stat st;
    bool isNew = !host.empty() && lstat(host.c_str(), &st) != 0;
    int fd = OpenRegular(dosPath, O_RDWR | O_CREAT | O_TRUNC);
    if (fd >= 0 && isNew) {
        posix::DirectoryMade(host, false);
    }
    return fd;
}

szdd::Format ReadFormat(int fd) {
    uint8_t head[szdd::kHeaderSize];
    uint32_t have = 0;
    if (lseek(fd, 0, SEEK_SET) != 0) {
        return szdd::Format::Plain;
    }
    while (have < sizeof head) {
        ssize_t n = read(fd, head + have, sizeof head - have);
        if (n <= 0) {
            break;
        }
        have += static_cast<uint32_t>(n);
    }
    return szdd::Classify(head, have);
}

struct Fds {
    int in;
    int out;
};

int WriteAll(int fd, const uint8_t* buf, uint32_t size) {
    while (size > 0) {
        ssize_t n = write(fd, buf, size);
        if (n <= 0) {
            return 0;
        }
        buf += n;
        size -= static_cast<uint32_t>(n);
    }
    return 1;
}

int ReadFd(void* context, uint8_t* buf, uint32_t size, uint32_t* got) {
    ssize_t n = read(static_cast<Fds*>(context)->in, buf, size);
    *got = n > 0 ? static_cast<uint32_t>(n) : 0;
    return n >= 0;
}

int WriteFd(void* context, const uint8_t* buf, uint32_t size) {
    return WriteAll(static_cast<Fds*>(context)->out, buf, size);
}

long CopyPlain(int src, int dst) {
    static uint8_t buf[szdd::kBufferSize];
    long total = 0;
    if (lseek(src, 0, SEEK_SET) != 0) {
        return kLzErrorRead;
    }
    for (;;) {
        ssize_t n = read(src, buf, sizeof buf);
        if (n < 0) {
            return kLzErrorRead;
        }
        if (n == 0) {
            return total;
        }
        if (!WriteAll(dst, buf, static_cast<uint32_t>(n))) {
            return kLzErrorWrite;
        }
        total += n;
    }
}

long Expand(int src, int dst) {
    static szdd::Decoder decoder;  // one copy at a time: one thread
    if (lseek(src, szdd::kHeaderSize, SEEK_SET) != szdd::kHeaderSize) {
        return 0;
    }
    Fds fds = {src, dst};
    szdd::Stream s = {ReadFd, WriteFd, &fds};
    int64_t n = szdd::Expand(&decoder, s);
    return n < 0 ? kLzErrorWrite : static_cast<long>(n);
}

void KeepSourceTime(int src, int dst) {
    struct stat st;
    if (fstat(src, &st) == 0) {
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        futimens(dst, times);
    }
}

}  // namespace

int LzOpenRead(const char* path) {
    if (posix::FaultHits(posix::Op::LzOpenRead, path)) {
        return kHfileError;
    }
    int fd = OpenRegular(path, O_RDONLY);
    if (fd < 0) {
        fd = OpenRegular(szdd::CompressedName(path), O_RDONLY);
    }
    if (fd < 0) {
        return kHfileError;
    }
    bool compressed =
        ReadFormat(fd) == szdd::Format::Compressed && CompressedOpen() < kMaxCompressedOpen;
    return AddHandle(fd, compressed, path);
}

int LzCreate(const char* path, char* opened, uint32_t size) {
    text::Copy(opened, size, "");
    if (!posix::PowerStep(posix::Op::LzCreate, path) ||
        posix::FaultHits(posix::Op::LzCreate, path)) {
        return kHfileError;
    }
    // A name that cannot be created (read-only, held by a running program)
    // is tried once more in its compressed spelling, as lz32 does.
    std::string name = path;
    int fd = CreateRegular(name);
    if (fd < 0) {
        name = szdd::CompressedName(path);
        fd = CreateRegular(name);
    }
    if (fd < 0) {
        return kHfileError;
    }
    text::Copy(opened, size, name.c_str());
    return AddHandle(fd, false, name);
}

namespace {

// The copy itself: the bytes written to outFd, or an LZERROR_ code.
long CopyInto(LzFile* in, int outFd) {
    int inFd = in->fd;
    if (in->compressed) {
        if (in->spent) {
            return 0;
        }
        in->spent = true;
        return Expand(inFd, outFd);
    }
    // A handle opened plain is looked at again, as lz32 does: a plain
    // file is copied; a compressed one (no expansion state was free)
    // or one of another mode gives nothing.
    szdd::Format format = ReadFormat(inFd);
    if (format == szdd::Format::UnknownMode ||
        (format == szdd::Format::Compressed && CompressedOpen() >= kMaxCompressedOpen)) {
        return 0;
    }
    return format == szdd::Format::Plain ? CopyPlain(inFd, outFd) : Expand(inFd, outFd);
}

}  // namespace

long LzCopy(int src, int dst) {
    LzFile* in = Get(src);
    if (in == nullptr) {
        return 0;  // lz32 finds no header to read and copies nothing
    }
    LzFile* out = Get(dst);
    int outFd = out != nullptr ? out->fd : -1;
    std::string subject = out != nullptr ? out->path : "";
    // The whole copy is one step; a cut in it leaves the part of the bytes
    // that the cut says, counted once the copy knows how many there are.
    if (posix::PowerFails()) {
        posix::PowerStep(posix::Op::LzCopy, subject, 0);
        return kLzErrorWrite;
    }
    long result = CopyInto(in, outFd);
    if (result >= 0 && outFd >= 0) {
        KeepSourceTime(in->fd, outFd);
    }
    uint32_t size = result > 0 ? static_cast<uint32_t>(result) : 0;
    uint32_t power = posix::PowerStep(posix::Op::LzCopy, subject, size);
    if (power < size && outFd >= 0) {
        int cut = ftruncate(outFd, power);
        (void)cut;  // the copy fails either way
        return kLzErrorWrite;
    }
    return result;
}

void LzClose(int handle) {
    LzFile* f = Get(handle);
    if (f != nullptr) {
        close(f->fd);
        f->fd = -1;
    }
}

namespace posix {
void ResetLzHandles() {
    for (LzFile& f : gFiles) {
        if (f.fd >= 0) {
            close(f.fd);
        }
    }
    gFiles.clear();
}
}  // namespace posix

}  // namespace plat
