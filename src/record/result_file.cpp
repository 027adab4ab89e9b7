#include "record/result_file.h"

#include "platform/raw_file.h"
#include "platform/replace.h"
#include "platform/text.h"

int WriteResult(const char* path, int code, const char* reason) {
    static char fresh[text::kComposedPath];
    static char aside[text::kComposedPath];
    static char body[512];
    static fileio::RawFile out;
    if (!text::Format(fresh, sizeof fresh, "%s.new", path) ||
        !text::Format(aside, sizeof aside, "%s.old", path)) {
        return 0;
    }
    // One line: a reason with a line break in it would end the value.
    text::Format(body, sizeof body, "[%s]\r\n%s=%d\r\n%s=", kResultSection, kResultCode, code,
                 kResultReason);
    uint32_t at = text::Length(body);
    for (const char* p = reason; *p != 0 && at + 3 < sizeof body; p++) {
        body[at++] = *p == '\r' || *p == '\n' ? ' ' : *p;
    }
    body[at] = 0;
    text::Append(body, sizeof body, "\r\n");
    if (!fileio::RawCreate(&out, fresh)) {
        return 0;
    }
    int written = fileio::RawWrite(&out, body, text::Length(body));
    if (!fileio::RawClose(&out) || !written) {
        plat::FileDelete(fresh);
        return 0;
    }
    fileio::ReplaceNames names = {path, fresh, aside};
    return fileio::ReplaceFile(names);
}
