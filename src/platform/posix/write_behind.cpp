// FAT's write-behind on the fake machine: the directory operations made
// while power cuts are tried, what a flush puts on the disk, and every
// directory a cut may leave (machine.h states the model). Names are
// followed by their host paths, case-blind; what a name holds is an
// object, so a file keeps its bytes whichever name the disk gives it.
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/internal.h"
#include "platform/posix/machine.h"

namespace plat {
namespace posix {

namespace {

const int kNothing = -1;  // a name that holds no object

struct Object {
    bool directory;
    std::string data;  // a file's bytes when it was deleted
};

struct Entry {
    int object = kNothing;
    std::string host;  // as the operation that put the object there spelled it
};
typedef std::map<std::string, Entry> Names;  // by case-blind key

enum class Kind { kMake, kRemove, kRename };

struct Operation {
    Kind kind;
    long step;         // its PowerLog index
    std::string from;  // the name made or removed, or the rename's source (host path)
    std::string to;    // the rename's target
    std::string fromKey;
    std::string toKey;
    int object;   // what it made, removed or renamed
    bool onDisk;  // put there by a flush
};

std::vector<Object> gObjects;
std::vector<Operation> gOps;
Names gFirst;  // the names the operations touch, as they were when counting started
Names gNow;    // ... as the program left them

std::string Key(const std::string& host) {
    return Lower(host);
}

std::string Parent(const std::string& key) {
    size_t cut = key.find_last_of('/');
    return cut == std::string::npos ? "" : key.substr(0, cut);
}

bool Below(const std::string& key, const std::string& dirKey) {
    return key.size() > dirKey.size() && key.compare(0, dirKey.size(), dirKey) == 0 &&
           key[dirKey.size()] == '/';
}

int NewObject(bool directory) {
    gObjects.push_back(Object{directory, ""});
    return static_cast<int>(gObjects.size()) - 1;
}

// The entry of host as the program left it; a name not touched before was
// as the operation found it since counting started.
Entry& Touch(const std::string& host, bool there, bool directory) {
    std::string key = Key(host);
    auto it = gNow.find(key);
    if (it != gNow.end()) {
        return it->second;
    }
    Entry first{there ? NewObject(directory) : kNothing, host};
    gFirst[key] = first;
    return gNow[key] = first;
}

void Note(Kind kind, const std::string& from, const std::string& to, int object) {
    gOps.push_back(Operation{kind, PowerLastStep(), from, to, Key(from), Key(to), object, false});
}

// later cannot be on the disk without earlier: they share a name, or
// earlier made a directory that one of later's names lies in.
bool Needs(const Operation& later, const Operation& earlier) {
    const std::string* names[] = {&later.fromKey,
                                  later.kind == Kind::kRename ? &later.toKey : nullptr};
    for (const std::string* name : names) {
        if (name == nullptr) {
            continue;
        }
        if (*name == earlier.fromKey || (earlier.kind == Kind::kRename && *name == earlier.toKey)) {
            return true;
        }
        if (earlier.kind == Kind::kMake && gObjects[earlier.object].directory &&
            Below(*name, earlier.fromKey)) {
            return true;
        }
    }
    return false;
}

// A name no operation touched is there (an operation under it succeeded).
bool There(const Names& names, const std::string& key) {
    auto it = names.find(key);
    return it == names.end() || it->second.object != kNothing;
}

bool Empty(const Names& names, const std::string& dirKey) {
    for (const auto& n : names) {
        if (n.second.object != kNothing && Below(n.first, dirKey)) {
            return false;
        }
    }
    return true;
}

// One operation reaching the disk; one that no longer applies does nothing.
void Apply(const Operation& op, Names* names) {
    Entry& from = (*names)[op.fromKey];
    bool directory = gObjects[op.object].directory;
    switch (op.kind) {
        case Kind::kMake:
            if (from.object == kNothing && There(*names, Parent(op.fromKey))) {
                from = Entry{op.object, op.from};
            }
            break;
        case Kind::kRemove:
            if (from.object != kNothing && gObjects[from.object].directory == directory &&
                (!directory || Empty(*names, op.fromKey))) {
                from.object = kNothing;
            }
            break;
        case Kind::kRename: {
            Entry& to = (*names)[op.toKey];
            if (from.object != kNothing && to.object == kNothing &&
                There(*names, Parent(op.toKey))) {
                to = Entry{from.object, op.to};
                from.object = kNothing;
            }
            break;
        }
    }
}

std::string Signature(const Names& names) {
    std::string out;
    for (const auto& n : names) {
        if (n.second.object != kNothing) {
            out += n.second.host + "=" + std::to_string(n.second.object) + "\n";
        }
    }
    return out;
}

// The names of one disk that differ from the machine as the program left
// it, with what they hold.
std::vector<CutName> Differences(const Names& disk) {
    std::map<int, const Entry*> atCut;
    for (const auto& n : gNow) {
        if (n.second.object != kNothing) {
            atCut[n.second.object] = &n.second;
        }
    }
    std::vector<CutName> out;
    for (const auto& n : disk) {
        const Entry& now = gNow[n.first];
        const Entry& got = n.second;
        if (got.object == now.object && (got.object == kNothing || got.host == now.host)) {
            continue;
        }
        if (got.object == kNothing) {
            out.push_back(CutName{now.host, CutName::kAbsent, "", false});
            continue;
        }
        const Object& o = gObjects[got.object];
        CutName name{got.host, o.directory ? CutName::kDirectory : CutName::kFile, o.data, false};
        auto cut = atCut.find(got.object);
        if (cut != atCut.end()) {
            if (!o.directory) {
                HostFileBytes(cut->second->host, &name.data);
            }
            name.readOnly = Machine().readOnlyFiles.count(cut->second->host) != 0;
        }
        if (now.object != kNothing && now.host != got.host) {
            out.push_back(CutName{now.host, CutName::kAbsent, "", false});
        }
        out.push_back(name);
    }
    return out;
}

}  // namespace

void DirectoryMade(const std::string& host, bool directory) {
    if (!PowerArmed()) {
        return;
    }
    Entry& e = Touch(host, false, directory);
    e = Entry{NewObject(directory), host};
    Note(Kind::kMake, host, "", e.object);
}

void DirectoryRemoved(const std::string& host, bool directory, const std::string& data) {
    if (!PowerArmed()) {
        return;
    }
    Entry& e = Touch(host, true, directory);
    gObjects[e.object].data = data;
    Note(Kind::kRemove, host, "", e.object);
    e.object = kNothing;
}

void DirectoryRenamed(const std::string& fromHost, const std::string& toHost) {
    if (!PowerArmed()) {
        return;
    }
    Entry& from = Touch(fromHost, true, false);
    Entry& to = Touch(toHost, false, false);
    to = Entry{from.object, toHost};
    Note(Kind::kRename, fromHost, toHost, from.object);
    from.object = kNothing;
}

void DirectoryFlushed(const std::string& host) {
    auto it = gNow.find(Key(host));
    if (!PowerArmed() || it == gNow.end() || it->second.object == kNothing) {
        return;
    }
    std::vector<size_t> work;
    for (size_t i = 0; i < gOps.size(); i++) {
        if (gOps[i].object == it->second.object && gOps[i].kind != Kind::kRemove &&
            !gOps[i].onDisk) {
            gOps[i].onDisk = true;
            work.push_back(i);
        }
    }
    while (!work.empty()) {
        size_t later = work.back();
        work.pop_back();
        for (size_t j = 0; j < later; j++) {
            if (!gOps[j].onDisk && Needs(gOps[later], gOps[j])) {
                gOps[j].onDisk = true;
                work.push_back(j);
            }
        }
    }
}

void DirectoryForget() {
    gObjects.clear();
    gOps.clear();
    gFirst.clear();
    gNow.clear();
}

std::vector<CutDirectory> DirectoryOnDisk() {
    std::vector<size_t> pending;  // indices into gOps, as made
    for (size_t i = gOps.size(); i-- > 0 && pending.size() < kReorderedDirectoryOps;) {
        if (!gOps[i].onDisk) {
            pending.insert(pending.begin(), i);
        }
    }
    Names start = gFirst;
    for (size_t i = 0; i < gOps.size(); i++) {
        if (std::find(pending.begin(), pending.end(), i) == pending.end()) {
            Apply(gOps[i], &start);
        }
    }
    std::vector<long> pendingSteps;
    for (size_t i : pending) {
        pendingSteps.push_back(gOps[i].step);
    }
    // Every order, cut after any number of its operations; the first one
    // tried is the order made, all of it.
    std::vector<CutDirectory> disks;
    std::set<std::string> seen;
    std::vector<size_t> order = pending;
    do {
        for (size_t done = order.size() + 1; done-- > 0;) {
            Names names = start;
            CutDirectory disk{pendingSteps, {}, {}};
            for (size_t i = 0; i < done; i++) {
                Apply(gOps[order[i]], &names);
                disk.done.push_back(gOps[order[i]].step);
            }
            if (seen.insert(Signature(names)).second) {
                disk.names = Differences(names);
                disks.push_back(disk);
            }
        }
    } while (std::next_permutation(order.begin(), order.end()));
    return disks;
}

}  // namespace posix
}  // namespace plat
