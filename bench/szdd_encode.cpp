// The disk tool's SZDD encoder on files, for the encoding benchmark:
//   szdd_encode [-p greedy|lazy|optimal] [-c CHAIN] [-t] IN OUT [IN OUT]...
// compresses each IN into OUT (always SZDD, even when larger: the
// benchmark decides what is stored plainly). With -t it prints
// "seconds=S bytes=N" at the end: the time spent compressing (reading the
// inputs and writing the outputs not counted) and the bytes written. -c sets
// the candidates tried per position (default: what disktool uses).
#include "szdd/szdd_encode.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <string>
#include <vector>

#include "whole_file.h"

namespace {

double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    szdd::Parse parse = szdd::Parse::Optimal;
    bool timed = false;
    int chain = szdd::kDefaultChain;
    int a = 1;
    for (; a < argc && argv[a][0] == '-'; a++) {
        if (strcmp(argv[a], "-t") == 0) {
            timed = true;
        } else if (strcmp(argv[a], "-c") == 0 && a + 1 < argc) {
            chain = atoi(argv[++a]);
        } else if (strcmp(argv[a], "-p") == 0 && a + 1 < argc) {
            std::string p = argv[++a];
            if (p == "greedy") {
                parse = szdd::Parse::Greedy;
            } else if (p == "lazy") {
                parse = szdd::Parse::Lazy;
            } else if (p == "optimal") {
                parse = szdd::Parse::Optimal;
            } else {
                fprintf(stderr, "szdd_encode: unknown parse %s\n", p.c_str());
                return 2;
            }
        } else {
            fprintf(stderr,
                    "usage: szdd_encode [-p greedy|lazy|optimal] [-c CHAIN] [-t] IN OUT...\n");
            return 2;
        }
    }
    if ((argc - a) % 2 != 0 || argc == a) {
        fprintf(stderr, "usage: szdd_encode [-p greedy|lazy|optimal] [-c CHAIN] [-t] IN OUT...\n");
        return 2;
    }
    double seconds = 0;
    uint64_t written = 0;
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;
    for (; a < argc; a += 2) {
        if (!disktool::ReadWholeFile(argv[a], &in)) {
            fprintf(stderr, "szdd_encode: cannot read %s\n", argv[a]);
            return 1;
        }
        out.clear();
        double t0 = Now();
        bool ok = szdd::Compress(in.data(), in.size(), 0, parse, &out, chain);
        seconds += Now() - t0;
        if (!ok) {
            fprintf(stderr, "szdd_encode: %s is too large\n", argv[a]);
            return 1;
        }
        if (!disktool::WriteWholeFile(argv[a + 1], out.data(), out.size())) {
            fprintf(stderr, "szdd_encode: cannot write %s\n", argv[a + 1]);
            return 1;
        }
        written += out.size();
    }
    if (timed) {
        printf("seconds=%.6f bytes=%llu\n", seconds, static_cast<unsigned long long>(written));
    }
    return 0;
}
