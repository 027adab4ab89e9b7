#include "uninstall/switches.h"

#include "platform/text.h"
#include "record/result_file.h"
#include "uninstall/undo_internal.h"

namespace {

const char kResultSwitch[] = "/RESULT=";
const uint32_t kResultSwitchLength = sizeof kResultSwitch - 1;

const char* SkipBlanks(const char* p) {
    while (*p == ' ' || *p == '\t') {
        p++;
    }
    return p;
}

// The word at p, up to a blank outside double quotes, into out without its
// quotes; *whole is 0 when it did not fit. Returns what follows it.
const char* NextWord(const char* p, char* out, uint32_t size, int* whole) {
    uint32_t n = 0;
    bool quoted = false;
    *whole = 1;
    for (; *p != 0 && (quoted || (*p != ' ' && *p != '\t')); p++) {
        if (*p == '"') {
            quoted = !quoted;
        } else if (n + 1 < size) {
            out[n++] = *p;
        } else {
            *whole = 0;
        }
    }
    out[n] = 0;
    return p;
}

bool StartsNoCase(const char* s, const char* prefix) {
    for (; *prefix != 0; s++, prefix++) {
        if (!text::SameNoCase(*s, *prefix)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int ReadSwitches(const char* tail, UninstallSwitches* out) {
    *out = UninstallSwitches();
    // Room for the switch's own name before a path of kSwitchPath.
    static char word[kSwitchPath + kResultSwitchLength];
    for (const char* p = SkipBlanks(tail); *p != 0; p = SkipBlanks(p)) {
        int whole = 0;
        p = NextWord(p, word, sizeof word, &whole);
        bool known = whole != 0;
        if (text::SameNoCase(word, "/S")) {
            out->silent = 1;
        } else if (text::SameNoCase(word, "/R")) {
            out->restart = 1;
        } else if (StartsNoCase(word, kResultSwitch)) {
            const char* path = word + kResultSwitchLength;
            known = known && path[0] != 0 && text::Copy(out->result, sizeof out->result, path);
        } else if (text::SameNoCase(word, "/F") && !out->finishing) {
            out->finishing = 1;
            p = NextWord(SkipBlanks(p), out->installDir, sizeof out->installDir, &whole);
            known = whole != 0 && out->installDir[0] != 0;
        } else {
            known = false;
        }
        // Read on: a /S after it still keeps the refusal silent.
        if (!known && out->unknown[0] == 0) {
            text::Copy(out->unknown, sizeof out->unknown, word[0] != 0 ? word : "\"\"");
        }
    }
    return out->unknown[0] == 0;
}

int UndoOutcome(const UndoContext& undo, const UndoReport& report, int* restart) {
    const char* own[] = {undo.places.program, undo.opened ? undo.original : nullptr,
                         undo.list.Path(), undo.record.Path()};
    *restart = 0;
    for (int i = 0; i < report.restartFiles && !*restart; i++) {
        bool ours = false;
        for (const char* path : own) {
            ours = ours || (path != nullptr && uninstall::SamePlace(report.restartList[i], path));
        }
        *restart = !ours;
    }
    if (report.count > 0) {
        return kResultFailed;
    }
    return *restart ? kResultRestart : report.changed ? kResultDone : kResultRefused;
}
