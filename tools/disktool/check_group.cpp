// [PM Info]: the program group's items, read from 1 up to the first gap,
// each cut to a file line and split into the GroupItem's fields.
#include "check_parts.h"
#include "script/setup_script.h"
#include "script_tables.h"

namespace disktool {

void CheckGroupItems(Check& c) {
    int firstGap = 0;
    const int limits[3] = {DISKTOOL_FIELD_LIMIT(GroupItem, field1),
                           DISKTOOL_FIELD_LIMIT(GroupItem, field2),
                           DISKTOOL_FIELD_LIMIT(GroupItem, field3)};
    for (int i = 1; i <= kGroupItemCount; i++) {
        std::optional<std::string> raw = c.script.Raw("PM Info", std::to_string(i).c_str());
        if (!raw || raw->empty()) {
            if (firstGap == 0) {
                firstGap = i;
            }
            continue;
        }
        std::string where = Where("PM Info", std::to_string(i));
        if (firstGap != 0) {
            c.Add(Severity::Warning, "pm-info-gap", where,
                  "item " + std::to_string(firstGap) +
                      " is missing, and SETUP.EXE stops reading [PM Info] there");
            break;
        }
        std::string line = raw->substr(0, kMaxFieldLen);
        const char* rest = line.c_str();
        for (int f = 0; f < 3; f++) {
            std::string field = TakeField(&rest);
            if (static_cast<int>(field.size()) > limits[f]) {
                c.Cut(where, "field " + std::to_string(f + 1), field, limits[f]);
            }
        }
    }
}

}  // namespace disktool
