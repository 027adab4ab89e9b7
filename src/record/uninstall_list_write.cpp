// The uninstall list's writer: apart from its reader, so that only the disk
// tool carries it.
#include "platform/text.h"
#include "record/uninstall_list.h"

namespace {

const uint32_t kLineSize = 2 * text::kComposedPath;  // a line of the list, up to 543 chars

}  // namespace

void UninstallList::Writer::Comment(const char* text) {
    char line[kLineSize];
    text::Format(line, sizeof line, "; %s", text);
    Line(line);
}

int UninstallList::Writer::Startup() {
    char line[kLineSize];
    text::Format(line, sizeof line, "[%s]", footprint::kListStartup);
    Line(line);
    int ok = 1;
    for (const footprint::ListKey& key : footprint::kListKeys) {
        const char* value = StartupValue(key.name);
        if (value == nullptr) {
            continue;
        }
        if (!text::Format(line, sizeof line, "%s=%s", key.name, value)) {
            ok = 0;
            continue;
        }
        Line(line);
    }
    return ok;
}

void UninstallList::Writer::Begin(int section) {
    char line[kLineSize];
    text::Format(line, sizeof line, "[%s]", SectionName(section));
    Line("");
    Line(line);
    next_ = 1;
}

int UninstallList::Writer::Entry(int place, const char* rel) {
    char entry[text::kComposedPath];
    char line[kLineSize];
    if (!footprint::TargetEntry(place, rel, footprint::kListForm, entry) ||
        !text::Format(line, sizeof line, "%d=%s", next_, entry)) {
        return 0;
    }
    next_++;
    Line(line);
    return 1;
}
