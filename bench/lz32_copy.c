/* Copies files with lz32 (LZOpenFileA, LZCopy, LZClose), as the setup does:
 *   lz32_copy [-t] SRC DST [SRC DST ...]
 * Prints one line per pair: "open=<src handle> create=<dst handle> copy=<LZCopy>".
 * With -t the pairs are copied without per-pair output and the time spent in
 * the lz32 calls is printed as "seconds=<s>". Built with MinGW for Wine. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
/* lzexpand.h needs windows.h before it */
/* clang-format off */
#include <windows.h>
#include <lzexpand.h>
/* clang-format on */

int main(int argc, char** argv) {
    int timed = argc > 1 && strcmp(argv[1], "-t") == 0;
    int first = timed ? 2 : 1;
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    for (int i = first; i + 1 < argc; i += 2) {
        OFSTRUCT ofs1, ofs2;
        INT src = LZOpenFileA(argv[i], &ofs1, OF_READ);
        INT dst = src >= 0 ? LZOpenFileA(argv[i + 1], &ofs2, OF_CREATE) : -1;
        LONG copied = (src >= 0 && dst >= 0) ? LZCopy(src, dst) : 0;
        if (src >= 0)
            LZClose(src);
        if (dst >= 0)
            LZClose(dst);
        if (!timed)
            printf("open=%d create=%d copy=%ld\n", src, dst, copied);
        else if (copied < 0) {
            printf("error %ld on %s\n", copied, argv[i]);
            return 1;
        }
    }
    QueryPerformanceCounter(&t1);
    if (timed)
        printf("seconds=%.6f\n", (double)(t1.QuadPart - t0.QuadPart) / (double)freq.QuadPart);
    return 0;
}
