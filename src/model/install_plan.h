// Records of the install plan: one zero-filled block holding every
// FileEntry, disk after disk, followed by ten GroupItem records.
#pragma once

#include <stdint.h>

const int kFileEntrySize = 176;  // bytes per FileEntry in the plan
const int kGroupItemCount = 10;  // GroupItem records after the file records
const int kGroupItemSize = 60;

struct FileEntry {
    char SourceDir[40];    // subdirectory of the program's directory; up to 39 chars
    char TargetDir[40];    // below destDir, or absolute when Absolute is 1; up to 39 chars
    char SourceName[15];   // up to 14 chars
    char TargetName[15];   // up to 14 chars
    char Description[62];  // shown while the file is copied; up to 61 chars
    int32_t Absolute;      // 1: TargetDir is a full path
};

struct GroupItem {  // one [PM Info] item; kept, not used
    char field1[15];
    char field2[40];
    char field3[5];
};

static_assert(sizeof(FileEntry) == kFileEntrySize, "FileEntry keeps its on-plan size");
static_assert(sizeof(GroupItem) == kGroupItemSize, "GroupItem keeps its on-plan size");
