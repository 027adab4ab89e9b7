// The program's own small text helpers. The exe links no C runtime, so
// these stand in for strcpy, strcat, sprintf, strstr, atoi and lstrcmpiA;
// every copy into a fixed field is bounded by the field's size.
#pragma once

#include <stdarg.h>
#include <stdint.h>

namespace text {

uint32_t Length(const char* s);

// Copies src into dst (size bytes with the terminator). Returns 1 when the
// whole text fitted, 0 when it was cut; dst always ends with a zero when
// size > 0.
int Copy(char* dst, uint32_t size, const char* src);

// Appends src to the text in dst, bounded like Copy.
int Append(char* dst, uint32_t size, const char* src);

// Bounded formatting: %s, %d, %u, %c and %%, with an optional 0 flag and
// width (%04d). Returns 1 when the result fitted, 0 when it was cut.
int Format(char* dst, uint32_t size, const char* format, ...);
int FormatV(char* dst, uint32_t size, const char* format, va_list args);

// strstr: the first place where needle occurs in hay (case-sensitive), or null.
const char* Find(const char* hay, const char* needle);

// atoi: leading white space, an optional sign, then decimal digits up to
// the first other character; 0 when there are no digits.
int32_t ToInt(const char* s);

// Case-blind comparison of ASCII letters, like lstrcmpiA on these texts:
// <0, 0 or >0.
int CompareNoCase(const char* a, const char* b);

char UpperAscii(char c);
// 1 when a and b are the same character, ASCII letters case-blind.
int SameNoCase(char a, char b);
// 1 when a and b are the same text, ASCII letters case-blind.
inline int SameNoCase(const char* a, const char* b) {
    return CompareNoCase(a, b) == 0;
}

void Fill(void* dst, int value, uint32_t bytes);

// A path composed of a directory of up to 255 chars (as every field that
// holds a directory keeps it), a backslash and what lies below it: up to 271
// chars, the one size of a composed path.
const uint32_t kComposedPath = 272;
// dir\name into out (kComposedPath bytes): 1, or 0 when it does not fit
// (out then holds it cut, and names another file: never use it).
int PathIn(char* out, const char* dir, const char* name);
// The last part of a path: what follows its last backslash.
const char* NameOf(const char* path);

}  // namespace text
