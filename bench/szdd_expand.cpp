// Expands one file with the project's SZDD decoder, file to file, the way
// the POSIX LzCopy does (64 KiB buffers): szdd_expand IN OUT. Plain files
// are copied unchanged; an SZDD file of a mode other than 'A' gives an
// empty output, as with lz32.
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include "platform/posix/szdd.h"

namespace {

struct Fds {
    int in;
    int out;
};

int ReadFd(void* c, uint8_t* buf, uint32_t size, uint32_t* got) {
    ssize_t n = read(static_cast<Fds*>(c)->in, buf, size);
    *got = n > 0 ? static_cast<uint32_t>(n) : 0;
    return n >= 0;
}

int WriteFd(void* c, const uint8_t* buf, uint32_t size) {
    while (size > 0) {
        ssize_t n = write(static_cast<Fds*>(c)->out, buf, size);
        if (n <= 0) {
            return 0;
        }
        buf += n;
        size -= static_cast<uint32_t>(n);
    }
    return 1;
}

szdd::Decoder gDecoder;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: szdd_expand IN OUT\n");
        return 2;
    }
    Fds fds = {open(argv[1], O_RDONLY), open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644)};
    if (fds.in < 0 || fds.out < 0) {
        perror("open");
        return 1;
    }
    uint8_t head[szdd::kHeaderSize];
    ssize_t got = read(fds.in, head, sizeof head);
    szdd::Stream s = {ReadFd, WriteFd, &fds};
    szdd::Format format = szdd::Classify(head, got > 0 ? static_cast<uint32_t>(got) : 0);
    if (format == szdd::Format::UnknownMode) {
        return 0;  // lz32 leaves the destination empty
    }
    if (format == szdd::Format::Plain) {
        lseek(fds.in, 0, SEEK_SET);
        uint8_t buf[65536];
        ssize_t n;
        while ((n = read(fds.in, buf, sizeof buf)) > 0) {
            if (!WriteFd(&fds, buf, static_cast<uint32_t>(n))) {
                return 1;
            }
        }
        return 0;
    }
    int64_t n = szdd::Expand(&gDecoder, s);
    if (n < 0) {
        fprintf(stderr, "szdd_expand: write failed\n");
        return 1;
    }
    return close(fds.out) == 0 ? 0 : 1;
}
