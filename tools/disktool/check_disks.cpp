// The disks: [DiskLabel], which counts them, [FileCounts], and the disk
// sections that the count leaves unread.
#include "check_parts.h"
#include "script/setup_script.h"
#include "script_tables.h"

namespace disktool {

void CheckLabels(Check& c) {
    std::vector<int> labelled;
    for (int d = 0; d < kMaxDisks; d++) {
        c.CutKey("DiskLabel", DiskKey(d), kLabelLimit, "the disk label");
        if (c.loaded.diskLabels[d][0] != 0) {
            labelled.push_back(d + 1);
        }
    }
    bool contiguous = true;
    for (size_t i = 0; i < labelled.size(); i++) {
        contiguous = contiguous && labelled[i] == static_cast<int>(i) + 1;
    }
    if (!contiguous) {
        std::string list;
        for (int n : labelled) {
            list += (list.empty() ? "Disk" : ", Disk") + std::to_string(n);
        }
        c.Add(Severity::Warning, "label-gap", "[DiskLabel]",
              "labels on " + list + ": SETUP.EXE counts " + std::to_string(labelled.size()) +
                  " disks and reads the sections Disk1 to Disk" + std::to_string(labelled.size()) +
                  ", whichever are labelled");
    }
}

void CheckCounts(Check& c) {
    int32_t total = 0;
    for (int d = 0; d < kMaxDisks; d++) {
        if (!c.script.Raw("FileCounts", DiskKey(d))) {
            continue;
        }
        std::string where = Where("FileCounts", DiskKey(d));
        if (d >= c.loaded.diskCount) {
            c.Add(Severity::Warning, "section-ignored", where,
                  "SETUP.EXE counts " + std::to_string(c.loaded.diskCount) +
                      " labelled disks and never reads this count");
            continue;
        }
        int32_t v = c.script.Int("FileCounts", DiskKey(d), 0);
        int16_t held = static_cast<int16_t>(v);
        if (v != held) {
            c.Add(Severity::Error, "count-range", where,
                  "count " + std::to_string(v) + " does not fit 16 bits (read as " +
                      std::to_string(held) + ")");
        } else if (held < 0) {
            c.Add(Severity::Warning, "negative-count", where,
                  "count " + std::to_string(v) + " is negative: no file of this disk is read");
        }
        if (held > 0) {
            total += held;
        }
    }
    if (total > kMaxTotalFiles) {
        c.Add(Severity::Error, "total-too-large", "[FileCounts]",
              "the counts add up to " + std::to_string(total) + ", beyond " +
                  std::to_string(kMaxTotalFiles) + ": later files are dropped");
    }
}

void CheckUnreadDisks(Check& c) {
    for (int d = c.loaded.diskCount; d < kMaxDisks; d++) {
        const auto* s = c.script.Find(DiskKey(d));
        if (s != nullptr && !s->lines.empty()) {
            c.Add(Severity::Warning, "section-ignored", std::string("[") + DiskKey(d) + "]",
                  "SETUP.EXE counts " + std::to_string(c.loaded.diskCount) +
                      " labelled disks and never reads this section");
        }
    }
}

}  // namespace disktool
