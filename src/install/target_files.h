// What the copy is about to overwrite, kept in the install record, and the
// SharedDLLs counts of the shared files it copies.
#pragma once

struct SetupState;

// Before any file of state's plan is copied: records (write-once, then one
// flush) whether each target file is there and, for a file outside the
// install directory, its SharedDLLs count; then raises the count of each
// such file that has one or was there, once per installation. A record from
// an older setup (no [Files]) is left as it is and nothing is counted.
void RecordTargetFiles(const SetupState& state);
