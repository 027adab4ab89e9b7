#include "record/record_keys.h"

#include "platform/text.h"

void HexOf(const uint8_t* bytes, uint32_t n, char* out) {
    const char digits[] = "0123456789ABCDEF";
    for (uint32_t i = 0; i < n; i++) {
        out[2 * i] = digits[bytes[i] >> 4];
        out[2 * i + 1] = digits[bytes[i] & 15];
    }
    out[2 * n] = 0;
}

int BytesOfHex(const char* hex, uint8_t* bytes) {
    uint32_t n = text::Length(hex);
    if (n % 2 != 0 || n / 2 > kMaxRecordedFlags) {
        return -1;
    }
    for (uint32_t i = 0; i < n; i++) {
        char c = text::UpperAscii(hex[i]);
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (v < 0) {
            return -1;
        }
        bytes[i / 2] = static_cast<uint8_t>(i % 2 == 0 ? v << 4 : (bytes[i / 2] | v));
    }
    return static_cast<int>(n / 2);
}

const char* RecordKey(int i) {
    const char* const own[] = {kRecordDeviceKey, kRecordClassKey};
    const footprint::ValueTable* const tables[] = {&footprint::kListedDevice,
                                                   &footprint::kClassKey};
    if (i < 2) {
        return own[i];
    }
    i -= 2;
    for (const footprint::ValueTable* table : tables) {
        for (int row = 0; footprint::KeptRow(*table, row) != nullptr; row++, i--) {
            if (i == 0) {
                return footprint::KeptRow(*table, row)->name;
            }
        }
    }
    return nullptr;
}

int TargetKey(const char* place, const char* rel, char* out) {
    return footprint::TargetEntry(footprint::PlaceNamed(place), rel, footprint::kRecordForm, out);
}

void FileRecordText(const FileRecord& record, char* out) {
    const char* state = record.existed ? kFileExisted : kFileNew;
    if (!record.shared) {
        text::Copy(out, kFileRecordSize, state);
    } else if (record.countState == footprint::kCountDword) {
        text::Format(out, kFileRecordSize, "%s, %u", state, record.count);
    } else {
        text::Format(
            out, kFileRecordSize, "%s, %s", state,
            record.countState == footprint::kCountAbsent ? kRecordedAbsent : kRecordedUnknown);
    }
}

int ParseFileRecord(const char* recorded, FileRecord* record) {
    char state[kFileRecordSize];
    const char* comma = text::Find(recorded, ",");
    uint32_t n =
        comma != nullptr ? static_cast<uint32_t>(comma - recorded) : text::Length(recorded);
    if (n >= sizeof state) {
        return 0;
    }
    text::Copy(state, n + 1, recorded);
    record->existed = text::CompareNoCase(state, kFileExisted) == 0;
    if (!record->existed && text::CompareNoCase(state, kFileNew) != 0) {
        return 0;
    }
    record->shared = comma != nullptr;
    record->countState = footprint::kCountAbsent;
    record->count = 0;
    if (comma == nullptr) {
        return 1;
    }
    const char* count = comma + 1;
    while (*count == ' ') {
        count++;
    }
    if (ParseCount(count, &record->count)) {
        record->countState = footprint::kCountDword;
    } else if (text::CompareNoCase(count, kRecordedAbsent) != 0) {
        record->countState = footprint::kCountOther;
    }
    return 1;
}

int ParseCount(const char* digits, uint32_t* count) {
    uint32_t n = 0;
    const char* p = digits;
    for (; *p >= '0' && *p <= '9'; p++) {
        uint32_t digit = static_cast<uint32_t>(*p - '0');
        if (n > (0xFFFFFFFFu - digit) / 10) {
            return 0;
        }
        n = n * 10 + digit;
    }
    *count = n;
    return p != digits && *p == 0;
}
