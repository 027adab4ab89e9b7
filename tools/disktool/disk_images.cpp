#include "disk_images.h"

#include <stdio.h>
#include <time.h>

#include <vector>

#include "helper_run.h"
#include "out_dir.h"

namespace disktool {

namespace {

// timeStamp as xorriso's time string: YYYYMMDDhhmmsscc in UTC.
std::string IsoTime(int64_t timeStamp) {
    time_t t = static_cast<time_t>(timeStamp);
    struct tm utc;
    gmtime_r(&t, &utc);
    char text[32];
    strftime(text, sizeof text, "%Y%m%d%H%M%S00", &utc);
    return text;
}

}  // namespace

bool MakeImage(const std::string& image, const std::string& root, const std::string& label,
               int64_t timeStamp, std::string* error) {
    // A serial number from the label, so that images of the same disk agree.
    uint32_t serial = 2166136261u;
    for (char c : label) {
        serial = (serial ^ static_cast<uint8_t>(c)) * 16777619u;
    }
    char serialText[16];
    snprintf(serialText, sizeof serialText, "%08X", serial);
    std::vector<std::string> args = {"mcopy", "-s", "-m", "-i", image};
    std::vector<std::string> entries = DirectoryNames(root, true);
    for (const std::string& name : entries) {
        args.push_back(root + "/" + name);
    }
    args.push_back("::/");
    if (!RunHelper(
            {"mformat", "-C", "-f", "1440", "-v", label, "-N", serialText, "-i", image, "::"},
            timeStamp, "mtools", error) ||
        (!entries.empty() && !RunHelper(args, timeStamp, "mtools", error))) {
        *error = image + ": " + *error;
        return false;
    }
    return true;
}

bool MakeIso(const std::string& iso, const std::string& root, const std::string& label,
             int64_t timeStamp, std::string* error) {
    std::vector<std::string> args = {"xorriso", "-as", "mkisofs", "-quiet",
                                     "-J",      "-r",  "-V",      label.substr(0, 32)};
    if (timeStamp >= 0) {
        args.insert(args.end(), {"--modification-date=" + IsoTime(timeStamp),
                                 "--set_all_file_dates", IsoTime(timeStamp)});
    }
    args.insert(args.end(), {"-o", iso, root});
    if (!RunHelper(args, timeStamp, "xorriso", error)) {
        *error = iso + ": " + *error;
        return false;
    }
    return true;
}

}  // namespace disktool
