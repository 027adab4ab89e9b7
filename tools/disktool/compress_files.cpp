#include "compress_files.h"

#include <errno.h>
#include <string.h>

#include <algorithm>

#include "script_tables.h"
#include "szdd/szdd.h"
#include "szdd/szdd_encode.h"
#include "whole_file.h"

namespace disktool {

bool CompressFiles(const Manifest& m, const std::vector<PlannedFile>& plan,
                   std::vector<DiskFile>* files, std::vector<std::string>* errors,
                   bool* unreadable) {
    for (const PlannedFile& p : plan) {
        const ManifestFile& mf = p.file;
        std::string where = m.path + ":" + std::to_string(mf.line) + ": ";
        std::vector<uint8_t> data(mf.contents.begin(), mf.contents.end());
        if (!mf.source.empty() && !ReadWholeFile(mf.source, &data)) {
            errors->push_back(where + mf.source + " cannot be read: " + strerror(errno));
            *unreadable = true;
            continue;
        }
        if (data.size() > szdd::kMaxInput) {
            errors->push_back(where + mf.source + " is too large for the SZDD header");
            continue;
        }
        DiskFile f;
        f.plan = &p;
        f.disk = -1;
        f.expanded = data.size();
        std::vector<uint8_t> packed;
        uint8_t lastChar = p.packedName.size() == p.plainName.size()
                               ? static_cast<uint8_t>(p.plainName.back())
                               : 0;
        szdd::Compress(data.data(), data.size(), lastChar, szdd::Parse::Optimal, &packed);
        // Plain data that begin like an SZDD file would be expanded by lz32:
        // such a file is stored compressed even when that is larger.
        bool looksPacked = szdd::Classify(data.data(), static_cast<uint32_t>(std::min<size_t>(
                                                           data.size(), szdd::kHeaderSize))) !=
                           szdd::Format::Plain;
        f.compressed = packed.size() < data.size() || looksPacked;
        f.diskName = f.compressed ? p.packedName : p.plainName;
        f.bytes = f.compressed ? std::move(packed) : std::move(data);
        files->push_back(std::move(f));
    }
    uint64_t total = 0;
    for (const DiskFile& f : *files) {
        total += f.expanded;
    }
    if (NeedKb(total) > static_cast<uint64_t>(kMaxMinimumSpace)) {
        errors->push_back(m.path + ": the files expand to " + std::to_string(NeedKb(total)) +
                          " KB; SETUP.EXE's MinimumSpace holds at most " +
                          std::to_string(kMaxMinimumSpace));
    }
    return errors->empty();
}

}  // namespace disktool
