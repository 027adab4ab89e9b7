#include "build_report.h"

#include <stdio.h>

#include <utility>

#include "disk_images.h"
#include "disk_labels.h"
#include "disk_names.h"
#include "script_tables.h"

namespace disktool {

void PrintBuilt(const Manifest& m, const std::vector<DiskFile>& files,
                const std::vector<DiskSpace>& disks, const std::string& outDir,
                const BuildOptions& options) {
    uint64_t expandedTotal = 0;
    uint64_t packedTotal = 0;
    for (const DiskFile& f : files) {
        expandedTotal += f.expanded;
        packedTotal += f.bytes.size();
    }
    int count = static_cast<int>(disks.size());
    printf("build: %zu files, %llu bytes expanded, %llu on the disks; %d disk%s of %.1f KB\n",
           files.size(), static_cast<unsigned long long>(expandedTotal),
           static_cast<unsigned long long>(packedTotal), count, count == 1 ? "" : "s",
           static_cast<double>(m.diskBytes) / 1024);
    for (int d = 0; d < count; d++) {
        int n = 0;
        for (const DiskFile& f : files) {
            n += f.disk == d;
        }
        uint64_t usedBytes = disks[d].used() * kCluster;
        printf("  disk %d \"%s\" (volume %s): %d file%s%s, %.1f KB used of %.1f (%llu%%)\n", d + 1,
               Label(m, d).c_str(), VolumeLabel(m, d).c_str(), n, n == 1 ? "" : "s",
               d == 0 ? (options.setupExe.empty() ? " + SETUP.INF (and room for SETUP.EXE)"
                                                  : " + SETUP.INF and SETUP.EXE")
                      : "",
               static_cast<double>(usedBytes) / 1024, static_cast<double>(m.diskBytes) / 1024,
               static_cast<unsigned long long>(usedBytes * 100 / m.diskBytes));
    }
    for (const DiskFile& f : files) {
        printf("  %-14s disk %d  %s  %llu -> %llu bytes%s\n", f.plan->file.target.c_str(),
               f.disk + 1, f.Path().c_str(), static_cast<unsigned long long>(f.expanded),
               static_cast<unsigned long long>(f.bytes.size()),
               f.compressed ? " (SZDD)" : " (stored: it does not get smaller)");
    }
    printf(
        "  trees: %s/disk1 .. disk%d (one per floppy), %s/merged (all disks on one directory, "
        "as SETUP.EXE reads them)\n",
        outDir.c_str(), count, outDir.c_str());
    if (options.images) {
        printf("  images: %s/disk1.img .. disk%d.img\n", outDir.c_str(), count);
    }
    if (options.iso) {
        printf("  CD-ROM image: %s/%s\n", outDir.c_str(), kIsoName);
    }
}

std::vector<std::string> FindingsAtLines(const Manifest& m, const CheckResult& check) {
    std::vector<std::string> out;
    for (const Finding& f : check.findings) {
        std::string at = f.where.empty() ? "" : f.where + ": ";
        for (const auto& section :
             {std::make_pair(IDS_MAIN, &m.main), std::make_pair(IDS_STARTUP, &m.startup)}) {
            std::string head = std::string("[") + ProgramText(section.first) + "] ";
            if (f.where.rfind(head, 0) != 0) {
                continue;
            }
            std::string key = f.where.substr(head.size());
            for (const ManifestValue& v : *section.second) {
                if (Lower(v.key) == Lower(key)) {
                    at = m.path + ":" + std::to_string(v.line) + ": ";
                }
            }
        }
        out.push_back(at + f.message + " (" + f.code + ")");
    }
    return out;
}

}  // namespace disktool
