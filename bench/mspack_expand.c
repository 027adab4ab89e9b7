/* Expands SZDD files with libmspack: mspack_expand [-t] IN OUT [IN OUT ...];
 * -t prints the time spent as "seconds=<s>". */
#include <mspack.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

int main(int argc, char** argv) {
    int timed = argc > 1 && strcmp(argv[1], "-t") == 0;
    int first = timed ? 2 : 1;
    struct msszdd_decompressor* d = mspack_create_szdd_decompressor(NULL);
    struct timespec t0, t1;
    if (d == NULL)
        return 1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    for (int i = first; i + 1 < argc; i += 2) {
        int err = d->decompress(d, argv[i], argv[i + 1]);
        if (err != MSPACK_ERR_OK) {
            fprintf(stderr, "mspack_expand: %s: error %d\n", argv[i], err);
            return 1;
        }
    }
    clock_gettime(CLOCK_MONOTONIC, &t1);
    if (timed)
        printf("seconds=%.6f\n", (t1.tv_sec - t0.tv_sec) + (t1.tv_nsec - t0.tv_nsec) / 1e9);
    mspack_destroy_szdd_decompressor(d);
    return 0;
}
