// OUTDIR's mark, scratch directory, lock and swap.
#include "out_dir.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "exit_status.h"
#include "whole_file.h"

namespace disktool {

namespace {

const char kMark[] = ".disktool";         // says OUTDIR is ours, lists what we made
const char kScratch[] = ".disktool-new";  // the next build, or the earlier one after the swap
const char kMarkHeader[] = "disktool build output; the paths below it that the tool made:";
const char kKillHook[] = "DISKTOOL_KILL_AT_SWAP";  // tests: SIGKILL before the Nth move
const size_t kNamedAtMost = 10;

// Removes path and, for a directory, what it holds; symbolic links are
// removed, never followed.
bool RemoveTree(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISDIR(st.st_mode)) {
        return unlink(path.c_str()) == 0;
    }
    DIR* d = opendir(path.c_str());
    if (d == nullptr) {
        return false;
    }
    bool ok = true;
    while (dirent* e = readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) {
            ok = RemoveTree(path + "/" + e->d_name) && ok;
        }
    }
    closedir(d);
    return rmdir(path.c_str()) == 0 && ok;
}

std::string TopName(const std::string& rel) {
    return rel.substr(0, rel.find('/'));
}

// What the tool of an earlier version put into OUTDIR, whose mark lists
// nothing: disk1 .. diskN, merged, their images.
bool IsOutputName(const std::string& name) {
    size_t digits = name.find_first_not_of("0123456789", 4);
    return name == "merged" || name == "cdrom.iso" ||
           (name.size() > 4 && name.compare(0, 4, "disk") == 0 && digits != 4 &&
            (digits == std::string::npos || name.substr(digits) == ".img"));
}

// The number of the move before which a test wants the build killed, -1
// for none.
int KillPoint() {
    const char* at = getenv(kKillHook);
    return at != nullptr && *at != 0 ? atoi(at) : -1;
}

}  // namespace

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

void Walk(const std::string& root, const std::string& rel,
          const std::function<bool(const std::string&)>& visit) {
    for (const std::string& name : DirectoryNames(root + "/" + rel, true)) {
        std::string path = rel + name;
        struct stat st;
        bool dir = lstat((root + "/" + path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        if (visit(dir ? path + "/" : path) && dir) {
            Walk(root, path + "/", visit);
        }
    }
}

std::vector<std::string> DirectoryNames(const std::string& dir, bool hidden) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] != '.' ||
                (hidden && strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)) {
                names.push_back(e->d_name);
            }
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

OutDir::~OutDir() {
    if (!scratch_.empty()) {
        RemoveTree(scratch_);
    }
    if (created_ && !swapped_) {
        RemoveTree(path_);
    } else if (!marked_ && !swapped_ && !scratch_.empty()) {
        unlink((path_ + "/" + kMark).c_str());  // the empty OUTDIR given stays empty
    }
    if (lock_ >= 0) {
        close(lock_);
    }
}

int OutDir::Refuse(const std::string& why, std::string* error) const {
    *error = why;
    return kExitOutDir;
}

int OutDir::Open(const std::string& path, std::string* error) {
    path_ = path;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT || mkdir(path.c_str(), 0777) != 0) {
            *error = "cannot make " + path + ": " + strerror(errno);
            return kExitIo;
        }
        created_ = true;
    } else if (!S_ISDIR(st.st_mode)) {
        return Refuse(path + " is not a directory; give a new directory", error);
    }
    lock_ = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock_ < 0) {
        *error = path + " cannot be read: " + strerror(errno);
        return kExitIo;
    }
    if (flock(lock_, LOCK_EX | LOCK_NB) != 0) {
        return Refuse(path + " is being built by another disktool run", error);
    }
    // A killed run's scratch directory is ours by its name.
    std::string scratch = path + "/" + kScratch;
    if (!RemoveTree(scratch)) {
        *error = "cannot remove " + scratch + ", left by a stopped build: " + strerror(errno);
        return kExitIo;
    }
    std::string foreign = Foreign();
    if (!foreign.empty()) {
        return Refuse(path + " holds what disktool did not make: " + foreign +
                          "; move it elsewhere or give a new directory",
                      error);
    }
    if (mkdir(scratch.c_str(), 0777) != 0) {
        *error = "cannot make a scratch directory in " + path + ": " + strerror(errno);
        return kExitIo;
    }
    scratch_ = scratch;
    // A new or empty OUTDIR is marked before anything goes in.
    return marked_ || WriteMark(made_, error) ? kExitClean : kExitIo;
}

// Reads the mark into made_ and names what OUTDIR holds besides; "" when
// it holds nothing else. A mark that lists nothing is an earlier version's:
// its output names are taken as made.
std::string OutDir::Foreign() {
    std::vector<uint8_t> bytes;
    marked_ = ReadWholeFile(path_ + "/" + kMark, &bytes);
    std::string text(bytes.begin(), bytes.end());
    bool listing = text.compare(0, strlen(kMarkHeader), kMarkHeader) == 0;
    for (size_t at = text.find('\n'); listing && at != std::string::npos;) {
        size_t end = text.find('\n', at + 1);
        std::string line = text.substr(at + 1, end == std::string::npos ? end : end - at - 1);
        if (!line.empty()) {
            made_.insert(line);
        }
        at = end;
    }
    std::vector<std::string> foreign;
    Walk(path_, "", [&](const std::string& rel) {
        if (rel == kMark || rel == std::string(kScratch) + "/" || made_.count(rel) != 0) {
            return true;
        }
        if (marked_ && !listing && IsOutputName(TopName(rel))) {
            made_.insert(rel);
            return true;
        }
        foreign.push_back(rel);
        return false;
    });
    std::string named;
    for (size_t i = 0; i < foreign.size() && i < kNamedAtMost; i++) {
        named += (i ? ", " : "") + foreign[i];
    }
    if (foreign.size() > kNamedAtMost) {
        named += " and " + std::to_string(foreign.size() - kNamedAtMost) + " more";
    }
    return named;
}

bool OutDir::WriteMark(const std::set<std::string>& made, std::string* error) const {
    std::string text = std::string(kMarkHeader) + "\n";
    for (const std::string& rel : made) {
        text += rel + "\n";
    }
    std::string fresh = scratch_ + "/" + kMark;
    std::string mark = path_ + "/" + kMark;
    if (!WriteWholeFile(fresh, text.data(), text.size()) ||
        rename(fresh.c_str(), mark.c_str()) != 0) {
        *error = "cannot write " + mark + ": " + strerror(errno);
        return false;
    }
    return true;
}

bool OutDir::Swap(std::string* error) {
    std::vector<std::string> entries = DirectoryNames(scratch_, false);
    std::set<std::string> made;
    Walk(scratch_, "", [&](const std::string& rel) {
        if (rel[0] == '.') {
            return false;  // the tool's own: the fresh mark, the check's machine
        }
        made.insert(rel);
        return true;
    });
    std::set<std::string> both = made_;
    both.insert(made.begin(), made.end());
    if (!WriteMark(both, error)) {
        return false;
    }
    std::set<std::string> earlier;  // the earlier build's entries the new one lacks
    for (const std::string& rel : made_) {
        if (!std::binary_search(entries.begin(), entries.end(), TopName(rel))) {
            earlier.insert(TopName(rel));
        }
    }
    int killAt = KillPoint();
    int n = 0;
    for (const std::string& e : entries) {
        if (n++ == killAt) {
            raise(SIGKILL);
        }
        if (!Trade(e, error)) {
            return false;
        }
    }
    for (const std::string& e : earlier) {
        if (n++ == killAt) {
            raise(SIGKILL);
        }
        std::string from = path_ + "/" + e;
        if (rename(from.c_str(), (scratch_ + "/" + e).c_str()) != 0 && errno != ENOENT) {
            *error = "cannot move " + from + " out of the way: " + strerror(errno);
            return false;
        }
    }
    made_ = made;
    swapped_ = true;
    return WriteMark(made_, error);
}

// The new entry name takes its place in OUTDIR; the earlier one, if any,
// goes into the scratch directory.
bool OutDir::Trade(const std::string& name, std::string* error) const {
    std::string from = scratch_ + "/" + name;
    std::string to = path_ + "/" + name;
    struct stat st;
    bool exchanged = lstat(to.c_str(), &st) != 0 ? rename(from.c_str(), to.c_str()) == 0
                                                 : renameat2(AT_FDCWD, from.c_str(), AT_FDCWD,
                                                             to.c_str(), RENAME_EXCHANGE) == 0;
    if (!exchanged && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without the exchange: two renames.
        std::string aside = scratch_ + "/." + name;
        exchanged = rename(to.c_str(), aside.c_str()) == 0 && rename(from.c_str(), to.c_str()) == 0;
    }
    if (!exchanged) {
        *error = "cannot move the new " + name + " into " + path_ + ": " + strerror(errno);
    }
    return exchanged;
}

}  // namespace disktool
