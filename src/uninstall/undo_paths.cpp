// Where the things the undo names lie: paths composed below a directory,
// the uninstall list's entries as full paths (only where they stay below
// their place and have one spelling), one file told by two spellings.
#include "platform/files.h"
#include "platform/same_path.h"
#include "platform/text.h"
#include "script/setup_script.h"
#include "uninstall/undo_internal.h"

namespace {

// A relative path of the list that stays below its root and has one
// spelling: no drive, no leading backslash, no wildcard, and no part that is
// empty, "." or "..", or ends in a dot or blank (Windows drops those, so
// "UNINSTAL.INF." would be the list itself under another name).
bool SafeRelative(const char* rel) {
    if (rel[0] == 0) {
        return true;
    }
    for (const char* p = rel; *p != 0; p++) {
        if (*p == ':' || *p == '/' || *p == '*' || *p == '?') {
            return false;
        }
    }
    const char* part = rel;
    for (;;) {
        const char* next = text::Find(part, "\\");
        uint32_t n = next != nullptr ? static_cast<uint32_t>(next - part) : text::Length(part);
        if (n == 0 || part[n - 1] == '.' || part[n - 1] == ' ') {
            return false;
        }
        if (next == nullptr) {
            return true;
        }
        part = next + 1;
    }
}

}  // namespace

namespace uninstall {

bool SamePlace(const char* a, const char* b) {
    return text::SameNoCase(a, b) || fileio::SamePath(a, b);
}

int EntryPath(const UndoPlaces& places, const char* entry, bool directory, char* out) {
    char root[kUndoPath];
    char rel[kUndoPath];
    const char* rest = SplitField(entry, root, sizeof root);
    SplitField(rest, rel, sizeof rel);
    int place = footprint::PlaceNamed(root);
    if (place < 0 || !SafeRelative(rel) || (rel[0] == 0 && !directory)) {
        return 0;
    }
    // The place's directory, then rel below it.
    char dir[kUndoPath];
    if (!footprint::PlaceDir(place, places.installDir, places.windowsDir, places.systemDir, dir)) {
        return 0;
    }
    return rel[0] == 0 ? text::Copy(out, kUndoPath, dir) : text::PathIn(out, dir, rel);
}

}  // namespace uninstall
