// The values one driver section of the install record kept, put back where
// they still hold setup's text; one changed since stays, named.
#include "platform/logbook.h"
#include "platform/text.h"
#include "record/record_keys.h"
#include "uninstall/undo_internal.h"

using uninstall::Absent;
using uninstall::kValueField;
using uninstall::Leave;
using uninstall::OpenKey;
using uninstall::ReadValue;
using uninstall::SameExactly;
using uninstall::ValueChanged;

namespace {

using footprint::SetupValue;
using footprint::ValueTable;

// Set by a record key that is missing, never by one that holds a text.
const char kAbsent[] = "\x01";

int WriteValue(plat::RegKey key, const char* name, const char* value) {
    return plat::RegSet(key, name, plat::kRegSz, value, text::Length(value)) == plat::kErrSuccess;
}

// One value that setup overwrote: recorded is what stood before ("" for a
// value that was absent or empty), written what setup put there ("" when
// not known). Only a value that still holds setup's text is touched.
void RestoreValue(const OpenKey& at, const char* name, const char* recorded, const char* written,
                  UndoReport* report) {
    char current[kValueField];
    int present = ReadValue(at.key, name, current);
    if (recorded[0] != 0) {
        if (present && SameExactly(current, recorded)) {
            // Already back, or never changed. A recorded text equal to
            // setup's own may have come from a second setup over a value
            // that was absent before the first.
            if (written[0] != 0 && SameExactly(recorded, written)) {
                Leave(report, kLeftUnknown, at.path, name);
            }
            return;
        }
        if (written[0] != 0 && !(present && SameExactly(current, written))) {
            Leave(report, kLeftChanged, at.path, name);
            return;
        }
        logbook::Begin("registry %s  %s: \"%s\" -> \"%s\"", at.path, name, current, recorded);
        ValueChanged(at, name, WriteValue(at.key, name, recorded), report);
        return;
    }
    // An empty record stands for a value that was absent (Windows keeps no
    // empty descriptions), so setup's text is deleted, not emptied.
    if (!present || current[0] == 0) {
        return;
    }
    if (written[0] == 0 || !SameExactly(current, written)) {
        Leave(report, kLeftChanged, at.path, name);
        return;
    }
    logbook::Begin("registry %s  %s: \"%s\" removed", at.path, name, current);
    ValueChanged(at, name, plat::RegRemoveValue(at.key, name) == plat::kErrSuccess, report);
}

// A text kept with a mark (MouseType); written is setup's text. Without a
// recorded text (an older record) whether setup's stood there before
// cannot be told: it stays, named.
void RestoreMarkedText(const OpenKey& at, const char* name, const char* recorded,
                       const char* written, UndoReport* report) {
    char value[kValueField];
    if (SameExactly(recorded, kRecordedUnknown) || Absent(recorded)) {
        if (ReadValue(at.key, name, value) && SameExactly(value, written)) {
            Leave(report, kLeftUnknown, at.path, name);
        }
        return;
    }
    // Recorded write-once, "-" for absent: a recorded text equal to
    // setup's was there before the first setup.
    const char* before = SameExactly(recorded, kRecordedAbsent) ? "" : recorded;
    bool back = before[0] != 0 && ReadValue(at.key, name, value) && SameExactly(value, before);
    if (!back) {
        RestoreValue(at, name, before, written, report);
    }
}

// Whether n bytes are setup's flags.
bool SetupsFlags(const uint8_t* bytes, int n) {
    bool same = n == static_cast<int>(sizeof footprint::kZeroFlags);
    for (int i = 0; same && i < n; i++) {
        same = bytes[i] == footprint::kZeroFlags[i];
    }
    return same;
}

// Flags of a listed device, which setup sets to zero: put back from the
// record while they still hold setup's zero, removed when they were absent.
// An older record does not say: setup's zero is then listed.
void RestoreFlags(const OpenKey& device, const char* name, const char* recorded,
                  UndoReport* report) {
    uint8_t now[kMaxRecordedFlags];
    uint32_t type = 0;
    uint32_t got = sizeof now;
    if (plat::RegQuery(device.key, name, &type, now, &got) != plat::kErrSuccess) {
        return;
    }
    bool setups = type == plat::kRegBinary && SetupsFlags(now, static_cast<int>(got));
    uint8_t before[kMaxRecordedFlags];
    int n = Absent(recorded)                         ? -1
            : SameExactly(recorded, kRecordedAbsent) ? 0
                                                     : BytesOfHex(recorded, before);
    if (n == static_cast<int>(got) && type == plat::kRegBinary) {
        bool same = true;
        for (int i = 0; i < n; i++) {
            same = same && before[i] == now[i];
        }
        if (same) {
            return;  // never changed, or back already
        }
    }
    if (!setups) {
        if (!Absent(recorded) && !SetupsFlags(before, n)) {
            Leave(report, kLeftChanged, device.path, name);
        }
        return;
    }
    if (n < 0) {
        Leave(report, kLeftUnknown, device.path, name);
        return;
    }
    logbook::Begin("registry %s  %s: flags %s", device.path, name, n == 0 ? "removed" : "put back");
    long result =
        n == 0 ? plat::RegRemoveValue(device.key, name)
               : plat::RegSet(device.key, name, plat::kRegBinary, before, static_cast<uint32_t>(n));
    ValueChanged(device, name, result == plat::kErrSuccess, report);
}

}  // namespace

namespace uninstall {

void ReadRecord(InstallRecord& record, const char* section, const char* key, char* out) {
    record.ReadInstallRecord(section, key, kAbsent, out, kValueField);
}

bool Absent(const char* recorded) {
    return SameExactly(recorded, kAbsent);
}

void RestoreKept(SectionUndo& u, const ValueTable& table, const OpenKey& at) {
    char recorded[kValueField];
    for (int i = 0; const SetupValue* v = footprint::KeptRow(table, i); i++) {
        ReadRecord(u.record, footprint::kMouseTypes[u.type].word, v->name, recorded);
        const char* written = footprint::ValueText(*v, u.s, u.type);
        if (v->source == footprint::kZeroBytes) {
            RestoreFlags(at, v->name, recorded, u.report);
        } else if (v->kept == footprint::kKeptMarked || SameExactly(recorded, kRecordedAbsent) ||
                   SameExactly(recorded, kRecordedUnknown)) {
            // Setup keeps an absent text with its mark too; older ones kept "".
            RestoreMarkedText(at, v->name, recorded, written, u.report);
        } else if (!Absent(recorded)) {
            RestoreValue(at, v->name, recorded, written, u.report);
        }
    }
}

}  // namespace uninstall
