// Expands files with the project's SZDD decoder, file to file, the way the
// POSIX LzCopy does (64 KiB buffers): szdd_expand [-t] IN OUT [IN OUT ...];
// -t prints the time spent as "seconds=<s>". Plain files
// are copied unchanged; an SZDD file of a mode other than 'A' gives an
// empty output, as with lz32.
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "szdd/szdd.h"

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

// One file, as the POSIX LzCopy does it; 0 on success.
int ExpandFile(const char* from, const char* to) {
    Fds fds = {open(from, O_RDONLY), open(to, O_WRONLY | O_CREAT | O_TRUNC, 0644)};
    if (fds.in < 0 || fds.out < 0) {
        perror("open");
        return 1;
    }
    uint8_t head[szdd::kHeaderSize];
    ssize_t got = read(fds.in, head, sizeof head);
    szdd::Format format = szdd::Classify(head, got > 0 ? static_cast<uint32_t>(got) : 0);
    int rc = 0;
    if (format == szdd::Format::Plain) {
        lseek(fds.in, 0, SEEK_SET);
        static uint8_t buf[szdd::kBufferSize];
        ssize_t n;
        while ((n = read(fds.in, buf, sizeof buf)) > 0) {
            if (!WriteFd(&fds, buf, static_cast<uint32_t>(n))) {
                rc = 1;
                break;
            }
        }
    } else if (format == szdd::Format::Compressed) {
        szdd::Stream s = {ReadFd, WriteFd, &fds};
        rc = szdd::Expand(&gDecoder, s) < 0;
    }  // another mode: lz32 leaves the destination empty
    close(fds.in);
    return close(fds.out) == 0 ? rc : 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool timed = argc > 1 && strcmp(argv[1], "-t") == 0;
    int first = timed ? 2 : 1;
    if (argc - first < 2 || (argc - first) % 2 != 0) {
        fprintf(stderr, "usage: szdd_expand [-t] IN OUT [IN OUT ...]\n");
        return 2;
    }
    timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    for (int i = first; i + 1 < argc; i += 2) {
        if (ExpandFile(argv[i], argv[i + 1]) != 0) {
            fprintf(stderr, "szdd_expand: %s failed\n", argv[i]);
            return 1;
        }
    }
    clock_gettime(CLOCK_MONOTONIC, &t1);
    if (timed) {
        printf("seconds=%.6f\n", (t1.tv_sec - t0.tv_sec) + (t1.tv_nsec - t0.tv_nsec) / 1e9);
    }
    return 0;
}
