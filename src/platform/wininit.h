// WININIT.INI of the Windows directory: what Windows 95/98 delete or rename
// at the next start, before anything else runs. It changes only through
// RewriteTextFile, and a run cut off between its renames is finished first.
#pragma once

namespace fileio {

// Adds each of lines ("dest=source", no line end) that the [rename] section
// does not hold yet, into that section (made when missing). Lines
// elsewhere, or that only begin the same, do not count. 1 on success (also
// when nothing had to be added); *created (may be null) is 1 when the call
// made the file.
int WininitAdd(const char* windowsDir, const char* const* lines, int count, int* created);
// Finishes or drops what a run cut off between WININIT.INI's renames left:
// every program calls it first, so another program's pending lines are
// never lost to a later start.
void WininitRecover(const char* windowsDir);
// Each line of the [rename] section that holds "=": the line as read
// (without its end), the file it names as the destination ("NUL" for a
// deletion) and its source, blanks around them removed and each cut to
// text::kComposedPath - 1 chars. A visit that answers 0 ends the walk. Returns 0
// when WININIT.INI is there but cannot be read whole, 1 otherwise.
typedef int (*WininitVisit)(void* context, const char* line, const char* destination,
                            const char* source);
int WininitEach(const char* windowsDir, WininitVisit visit, void* context);
// 1 when the [rename] section holds the line.
int WininitHas(const char* windowsDir, const char* line);
// Removes the line from the [rename] section; when created (WininitAdd
// made the file) and nothing else was added since, the file goes. 1 on
// success (no WININIT.INI holds no line).
int WininitRemove(const char* windowsDir, const char* line, int created);

}  // namespace fileio
