#include "platform/logbook.h"

#include <stdarg.h>

#include "platform/files.h"
#include "platform/raw_file.h"
#include "platform/system.h"
#include "platform/text.h"

namespace logbook {

namespace {

const uint32_t kPathSize = 260;
const uint32_t kLineSize = 600;  // one line; a longer one is cut

char gPath[kPathSize];  // "" when no log is kept
uint32_t gSize;         // the file's bytes so far
bool gOpenAction;       // a line that Begin wrote waits for End

// Appends bytes to the log; with flush, on the disk before it returns.
void Append(const char* bytes, bool flush) {
    plat::File file = plat::Exists(gPath) ? plat::FileOpenWrite(gPath) : plat::FileCreate(gPath);
    if (file == nullptr) {
        return;
    }
    uint32_t n = text::Length(bytes);
    if (plat::FileSeek(file, gSize) && plat::FileWrite(file, bytes, n)) {
        gSize += n;
    }
    if (flush) {
        plat::FileFlush(file);
    }
    plat::FileClose(file);
}

// The time of day and the text into line.
void Compose(char* line, const char* format, va_list args) {
    plat::LocalTime now;
    plat::TimeNow(&now);
    text::Format(line, kLineSize, "%02d:%02d:%02d ", now.hour, now.minute, now.second);
    uint32_t at = text::Length(line);
    text::FormatV(line + at, kLineSize - at, format, args);
}

// A line that Begin left without its end is ended as it stands: what
// became of its action is not known.
void EndLeftOpen() {
    if (gOpenAction) {
        gOpenAction = false;
        Append("\r\n", false);
    }
}

}  // namespace

int Open(const char* path, const char* who) {
    gPath[0] = 0;
    gOpenAction = false;
    if (path == nullptr || path[0] == 0 || !text::Copy(gPath, sizeof gPath, path)) {
        gPath[0] = 0;
        return 0;
    }
    fileio::Fingerprint print;
    gSize = fileio::FingerprintOf(gPath, &print) ? print.size : 0;
    if (gSize >= kRotateAt) {
        char old[kPathSize + 4];
        text::Format(old, sizeof old, "%s.old", gPath);
        plat::FileDelete(old);
        plat::FileRename(gPath, old);
        gSize = 0;
    }
    plat::LocalTime now;
    plat::TimeNow(&now);
    static char head[kLineSize];
    text::Format(head, sizeof head, "\r\n==== %d-%02d-%02d %02d:%02d:%02d %s ====\r\n", now.year,
                 now.month, now.day, now.hour, now.minute, now.second, who);
    Append(head, true);
    if (gSize == 0) {
        gPath[0] = 0;
        return 0;
    }
    return 1;
}

int On() {
    return gPath[0] != 0;
}

const char* Path() {
    return gPath;
}

void Note(const char* format, ...) {
    if (!On()) {
        return;
    }
    EndLeftOpen();
    static char line[kLineSize + 2];
    va_list args;
    va_start(args, format);
    Compose(line, format, args);
    va_end(args);
    text::Append(line, sizeof line, "\r\n");
    Append(line, false);
}

void Begin(const char* format, ...) {
    if (!On()) {
        return;
    }
    EndLeftOpen();
    static char line[kLineSize];
    va_list args;
    va_start(args, format);
    Compose(line, format, args);
    va_end(args);
    Append(line, true);
    gOpenAction = true;
}

void End(int ok) {
    if (!On() || !gOpenAction) {
        return;
    }
    gOpenAction = false;
    Append(ok ? " ... done\r\n" : " ... FAILED\r\n", false);
}

void Close(const char* outcome) {
    Note("outcome: %s", outcome);
    gPath[0] = 0;
}

}  // namespace logbook
