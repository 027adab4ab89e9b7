// OUTDIR as `disktool build` owns it: a `.disktool` mark that lists every
// path the tool made there, the scratch directory `.disktool-new` inside it
// where the next build is made, and the swap that puts that build in place.
// Nothing is written outside OUTDIR, and what a killed build left inside it
// goes at the next run.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace disktool {

// The names in dir, sorted; hidden ones (the tool's own) only when asked.
std::vector<std::string> DirectoryNames(const std::string& dir, bool hidden);
// Calls visit with every path below root, relative to it ("x/" for a
// directory), parents first; descends into a directory when visit says so.
// Symbolic links are visited as names, never followed into.
void Walk(const std::string& root, const std::string& rel,
          const std::function<bool(const std::string&)>& visit);
// "out/" and "out" name one OUTDIR: messages and the mark use the latter.
std::string WithoutTrailingSlash(std::string path);

class OutDir {
  public:
    OutDir() = default;
    OutDir(const OutDir&) = delete;
    OutDir& operator=(const OutDir&) = delete;
    // Removes the scratch directory (a failed build, or the earlier build
    // after the swap); when nothing was built, OUTDIR itself if this run
    // made it, else the mark it put into an empty one; unlocks OUTDIR.
    ~OutDir();

    // Takes path for a build: makes it when it is not there, locks it
    // against another run, removes the scratch a killed run left and makes a
    // fresh one. Returns 0, or the exit status with *error saying why:
    // kExitOutDir when path is not a directory, is being built by another
    // run or holds what the tool did not make (each named), kExitIo when
    // it cannot be read or written.
    int Open(const std::string& path, std::string* error);

    const std::string& scratch() const { return scratch_; }

    // Puts the scratch directory's entries in OUTDIR and the earlier
    // build's out of it; the mark lists both while they trade places, so a
    // run killed in between leaves nothing the next run refuses. False with
    // *error when a move fails.
    bool Swap(std::string* error);

  private:
    int Refuse(const std::string& why, std::string* error) const;
    std::string Foreign();
    bool WriteMark(const std::set<std::string>& made, std::string* error) const;
    bool Trade(const std::string& name, std::string* error) const;

    std::string path_;
    std::string scratch_;
    std::set<std::string> made_;  // what the mark lists: paths below OUTDIR
    int lock_ = -1;               // OUTDIR opened and locked
    bool created_ = false;        // OUTDIR was not there before this run
    bool marked_ = false;         // OUTDIR holds a mark
    bool swapped_ = false;
};

}  // namespace disktool
