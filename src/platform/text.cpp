#include "platform/text.h"

namespace text {

uint32_t Length(const char* s) {
    uint32_t n = 0;
    while (s[n] != 0) {
        n++;
    }
    return n;
}

int Copy(char* dst, uint32_t size, const char* src) {
    if (size == 0) {
        return src[0] == 0;
    }
    dst[0] = 0;
    return Append(dst, size, src);
}

int Append(char* dst, uint32_t size, const char* src) {
    if (size == 0) {
        return src[0] == 0;
    }
    uint32_t n = 0;
    while (n < size - 1 && dst[n] != 0) {
        n++;
    }
    while (n < size - 1 && *src != 0) {
        dst[n++] = *src++;
    }
    dst[n] = 0;
    return *src == 0;
}

namespace {

// Output cursor of Format: counts what did not fit instead of writing it.
struct Sink {
    char* dst;
    uint32_t size;
    uint32_t used;
    int cut;

    void Put(char c) {
        if (used + 1 < size) {
            dst[used++] = c;
        } else {
            cut = 1;
        }
    }
};

void PutNumber(Sink* sink, uint32_t magnitude, int negative, int width, char pad) {
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    int length = count + negative;
    if (negative && pad == '0') {
        sink->Put('-');
    }
    for (int i = length; i < width; i++) {
        sink->Put(pad);
    }
    if (negative && pad != '0') {
        sink->Put('-');
    }
    while (count > 0) {
        sink->Put(digits[--count]);
    }
}

// The flags and width after a '%': an optional 0 (pad with zeros), then
// decimal digits. Returns where the conversion letter stands.
const char* ReadFlagsAndWidth(const char* p, char* pad, int* width) {
    *pad = ' ';
    if (*p == '0') {
        *pad = '0';
        p++;
    }
    *width = 0;
    while (*p >= '0' && *p <= '9') {
        *width = *width * 10 + (*p - '0');
        p++;
    }
    return p;
}

// %s: blanks before it up to width; a null text is empty.
void PutText(Sink* sink, const char* s, int width) {
    if (s == nullptr) {
        s = "";
    }
    int length = static_cast<int>(Length(s));
    for (int i = length; i < width; i++) {
        sink->Put(' ');
    }
    while (*s != 0) {
        sink->Put(*s++);
    }
}

void PutSigned(Sink* sink, int32_t v, int width, char pad) {
    uint32_t magnitude = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    PutNumber(sink, magnitude, v < 0, width, pad);
}

}  // namespace

int FormatV(char* dst, uint32_t size, const char* format, va_list args) {
    Sink sink = {dst, size, 0, 0};
    for (const char* p = format; *p != 0; p++) {
        if (*p != '%') {
            sink.Put(*p);
            continue;
        }
        char pad;
        int width;
        p = ReadFlagsAndWidth(p + 1, &pad, &width);
        switch (*p) {
            case 's':
                PutText(&sink, va_arg(args, const char*), width);
                break;
            case 'd':
                PutSigned(&sink, va_arg(args, int32_t), width, pad);
                break;
            case 'u':
                PutNumber(&sink, va_arg(args, uint32_t), 0, width, pad);
                break;
            case 'c':
                sink.Put(static_cast<char>(va_arg(args, int)));
                break;
            case '%':
                sink.Put('%');
                break;
            case 0:
                p--;  // a lone % at the end is dropped
                break;
            default:
                sink.Put('%');
                sink.Put(*p);
                break;
        }
    }
    if (size > 0) {
        dst[sink.used] = 0;
    }
    return !sink.cut;
}

int Format(char* dst, uint32_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int whole = FormatV(dst, size, format, args);
    va_end(args);
    return whole;
}

const char* Find(const char* hay, const char* needle) {
    if (needle[0] == 0) {
        return hay;
    }
    for (; *hay != 0; hay++) {
        uint32_t i = 0;
        while (needle[i] != 0 && hay[i] == needle[i]) {
            i++;
        }
        if (needle[i] == 0) {
            return hay;
        }
    }
    return nullptr;
}

int32_t ToInt(const char* s) {
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) {
        s++;
    }
    int negative = 0;
    if (*s == '-' || *s == '+') {
        negative = *s == '-';
        s++;
    }
    uint32_t value = 0;
    while (*s >= '0' && *s <= '9') {
        value = value * 10 + static_cast<uint32_t>(*s - '0');
        s++;
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int SameNoCase(char a, char b) {
    return UpperAscii(a) == UpperAscii(b);
}

int CompareNoCase(const char* a, const char* b) {
    for (;; a++, b++) {
        unsigned char ca = static_cast<unsigned char>(UpperAscii(*a));
        unsigned char cb = static_cast<unsigned char>(UpperAscii(*b));
        if (ca != cb || ca == 0) {
            return ca - cb;
        }
    }
}

void Fill(void* dst, int value, uint32_t bytes) {
    volatile unsigned char* p = static_cast<unsigned char*>(dst);
    while (bytes-- > 0) {
        *p++ = static_cast<unsigned char>(value);
    }
}

int PathIn(char* out, const char* dir, const char* name) {
    return Format(out, kComposedPath, "%s\\%s", dir, name);
}

const char* NameOf(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != 0; p++) {
        if (*p == '\\') {
            name = p + 1;
        }
    }
    return name;
}

}  // namespace text
