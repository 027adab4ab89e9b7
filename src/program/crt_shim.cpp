// The few routines the compiler may call on its own (structure copies and
// clears) and the C++ runtime hook for a pure virtual call: the exe links
// no C runtime, so it carries its own.
#include <stddef.h>

extern "C" {

void* memset(void* dst, int value, size_t bytes) {
    volatile unsigned char* p = static_cast<unsigned char*>(dst);
    while (bytes-- > 0) {
        *p++ = static_cast<unsigned char>(value);
    }
    return dst;
}

void* memcpy(void* dst, const void* src, size_t bytes) {
    volatile unsigned char* d = static_cast<unsigned char*>(dst);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    while (bytes-- > 0) {
        *d++ = *s++;
    }
    return dst;
}

void* memmove(void* dst, const void* src, size_t bytes) {
    volatile unsigned char* d = static_cast<unsigned char*>(dst);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    if (d < s) {
        while (bytes-- > 0) {
            *d++ = *s++;
        }
    } else {
        while (bytes-- > 0) {
            d[bytes] = s[bytes];
        }
    }
    return dst;
}

int memcmp(const void* a, const void* b, size_t bytes) {
    const unsigned char* x = static_cast<const unsigned char*>(a);
    const unsigned char* y = static_cast<const unsigned char*>(b);
    for (size_t i = 0; i < bytes; i++) {
        if (x[i] != y[i]) {
            return x[i] - y[i];
        }
    }
    return 0;
}

size_t strlen(const char* s) {
    size_t n = 0;
    while (s[n] != 0) {
        n++;
    }
    return n;
}

// Reached only through a broken object; there is nothing sensible to do.
void __cxa_pure_virtual() {
    for (;;) {
    }
}

}  // extern "C"
