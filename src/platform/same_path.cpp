#include "platform/same_path.h"

#include "platform/files.h"
#include "platform/text.h"

namespace fileio {

int CanonicalPath(const char* path, char* out, uint32_t size) {
    char whole[kCanonicalPath];
    uint32_t n = plat::FullPathName(path, whole, sizeof whole);
    if (n == 0) {
        return 0;
    }
    // "C:\" keeps its backslash; a folder's trailing one goes.
    while (n > 3 && whole[n - 1] == '\\') {
        whole[--n] = 0;
    }
    // The longest part that exists gives its short form; what follows it
    // (names not made yet) is kept as written.
    uint32_t cut = n;
    for (;;) {
        char head[kCanonicalPath];
        text::Copy(head, cut + 1, whole);
        char shortHead[kCanonicalPath];
        if (plat::ShortPathName(head, shortHead, sizeof shortHead) != 0) {
            return text::Copy(out, size, shortHead) && text::Append(out, size, whole + cut);
        }
        while (cut > 0 && whole[cut - 1] != '\\') {
            cut--;
        }
        if (cut <= 3) {
            return text::Copy(out, size, whole);
        }
        cut--;
    }
}

int SamePath(const char* a, const char* b) {
    char first[kCanonicalPath];
    char second[kCanonicalPath];
    return CanonicalPath(a, first, sizeof first) && CanonicalPath(b, second, sizeof second) &&
           text::CompareNoCase(first, second) == 0;
}

}  // namespace fileio
