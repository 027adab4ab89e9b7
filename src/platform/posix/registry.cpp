// The registry stand-in's calls: the Win32 contract over the key tree
// (registry_tree.h). Injected faults answer ERROR_ACCESS_DENIED and change
// nothing; every value written is noted in the write record for the tests.
#include "platform/registry.h"

#include <memory>
#include <string>
#include <vector>

#include "platform/posix/internal.h"
#include "platform/posix/machine.h"
#include "platform/posix/registry_tree.h"

namespace plat {

namespace posix {
namespace {

std::vector<RegWrite> gWrites;
// The registry on the disk, one tree per root, while power cuts are tried.
std::vector<std::unique_ptr<Node>> gDurable;
// The same as text, and the registry after each change since: Windows may
// have written any of them by itself.
CutRegistry gFlushed;
std::vector<CutRegistry> gChanged;

// The Enum calls' contract: the name that nameAt gives for index (null past
// the last one) into name, nameSize bytes with the terminator.
template <typename NameAt>
long EnumName(RegKey key, uint32_t index, char* name, uint32_t nameSize, NameAt nameAt) {
    long error = kErrSuccess;
    Node* node = Resolve(key, &error);
    if (node == nullptr) {
        return error;
    }
    if (FaultHits(Op::RegEnum, FullPath(node))) {
        return kErrAccessDenied;
    }
    const std::string* found = nameAt(*node, index);
    if (found == nullptr) {
        return kErrNoMoreItems;
    }
    if (name == nullptr || found->size() >= nameSize) {
        return kErrMoreData;
    }
    found->copy(name, found->size());
    name[found->size()] = 0;
    return kErrSuccess;
}

}  // namespace

void ResetRegistryStore() {
    for (size_t i = 0; i < kRootCount; i++) {
        gRoots[i].node.children.clear();
        gRoots[i].node.values.clear();
        gRoots[i].node.name = gRoots[i].name;
    }
    CloseAllHandles();
    gWrites.clear();
    gDurable.clear();
    gChanged.clear();
}

void RegistryMakeDurable() {
    gDurable.clear();
    for (size_t i = 0; i < kRootCount; i++) {
        gDurable.emplace_back(new Node(gRoots[i].name));
        CopyTree(gRoots[i].node, gDurable.back().get());
    }
    gFlushed = CutRegistry{PowerLastStep(), RegistrySaveText()};
    gChanged.clear();
}

void RegistryChanged() {
    if (!PowerArmed()) {
        return;
    }
    std::string text = RegistrySaveText();
    if (text != (gChanged.empty() ? gFlushed : gChanged.back()).text) {
        gChanged.push_back(CutRegistry{PowerLastStep(), text});
    }
}

std::vector<CutRegistry> RegistryOnDisk() {
    std::vector<CutRegistry> all = {gFlushed};
    all.insert(all.end(), gChanged.begin(), gChanged.end());
    return all;
}

void RegistryBackToDurable() {
    if (gDurable.size() != kRootCount) {
        return;
    }
    // The program's handles went with the power.
    CloseAllHandles();
    for (size_t i = 0; i < kRootCount; i++) {
        CopyTree(*gDurable[i], &gRoots[i].node);
    }
}

const std::vector<RegWrite>& RegistryWrites() {
    return gWrites;
}

void ClearRegistryWrites() {
    gWrites.clear();
}

}  // namespace posix

using posix::Node;

RegKey ClassesRoot() {
    return reinterpret_cast<RegKey>(static_cast<uintptr_t>(0x80000000u));
}
RegKey LocalMachine() {
    return reinterpret_cast<RegKey>(static_cast<uintptr_t>(0x80000002u));
}
RegKey DynData() {
    return reinterpret_cast<RegKey>(static_cast<uintptr_t>(0x80000006u));
}

long RegOpen(RegKey parent, const char* subKey, RegKey* out) {
    long error = kErrSuccess;
    Node* base = posix::Resolve(parent, &error);
    if (base == nullptr) {
        return error;
    }
    std::vector<std::string> parts = posix::SplitPath(subKey);
    if (posix::FaultHits(posix::Op::RegOpen, posix::JoinPath(base, parts))) {
        return kErrAccessDenied;
    }
    Node* node = posix::Walk(base, parts);
    if (node == nullptr) {
        return kErrFileNotFound;
    }
    *out = posix::NewHandle(node);
    return kErrSuccess;
}

long RegCreate(RegKey parent, const char* subKey, RegKey* out) {
    long error = kErrSuccess;
    Node* base = posix::Resolve(parent, &error);
    if (base == nullptr) {
        return error;
    }
    std::vector<std::string> parts = posix::SplitPath(subKey);
    std::string path = posix::JoinPath(base, parts);
    if (!posix::PowerStep(posix::Op::RegCreate, path) ||
        posix::FaultHits(posix::Op::RegCreate, path)) {
        return kErrAccessDenied;
    }
    Node* node = base;
    for (const std::string& p : parts) {
        node = posix::CreateChild(node, p);
    }
    posix::RegistryChanged();
    *out = posix::NewHandle(node);
    return kErrSuccess;
}

long RegEnumSubkey(RegKey key, uint32_t index, char* name, uint32_t nameSize) {
    return posix::EnumName(key, index, name, nameSize, [](const Node& node, uint32_t i) {
        return i < node.children.size() ? &node.children[i]->name : nullptr;
    });
}

long RegQuery(RegKey key, const char* valueName, uint32_t* type, void* data, uint32_t* size) {
    long error = kErrSuccess;
    Node* node = posix::Resolve(key, &error);
    if (node == nullptr) {
        return error;
    }
    if (data != nullptr && size == nullptr) {
        return posix::kErrInvalidParameter;
    }
    if (posix::FaultHits(posix::Op::RegQuery, posix::FullPath(node))) {
        return kErrAccessDenied;
    }
    const posix::Value* v = posix::FindValue(node, valueName ? valueName : "");
    if (v == nullptr) {
        return kErrFileNotFound;
    }
    if (type != nullptr) {
        *type = v->type;
    }
    if (size == nullptr) {
        return kErrSuccess;
    }
    uint32_t len = static_cast<uint32_t>(v->data.size());
    uint32_t capacity = *size;
    *size = len;
    if (data == nullptr) {
        return kErrSuccess;
    }
    if (len > capacity) {
        return kErrMoreData;
    }
    char* bytes = static_cast<char*>(data);
    v->data.copy(bytes, len);
    // Like the A call: text written without its terminator comes back
    // terminated when the buffer has room, its size unchanged.
    if (posix::IsString(v->type) && len > 0 && len < capacity && bytes[len - 1] != 0) {
        bytes[len] = 0;
    }
    return kErrSuccess;
}

long RegSet(RegKey key, const char* valueName, uint32_t type, const void* data, uint32_t size) {
    long error = kErrSuccess;
    Node* node = posix::Resolve(key, &error);
    if (node == nullptr) {
        return error;
    }
    if (data == nullptr && size != 0) {
        return posix::kErrInvalidParameter;
    }
    std::string path = posix::FullPath(node);
    if (!posix::PowerStep(posix::Op::RegSet, path + " : " + (valueName ? valueName : "")) ||
        posix::FaultHits(posix::Op::RegSet, path)) {
        return kErrAccessDenied;
    }
    std::string bytes;
    if (size != 0) {
        bytes.assign(static_cast<const char*>(data), size);
    }
    std::string name = valueName ? valueName : "";
    posix::SetValue(node, name, type, bytes);
    posix::gWrites.push_back(posix::RegWrite{path, name, type, bytes});
    posix::RegistryChanged();
    return kErrSuccess;
}

long RegEnumValueName(RegKey key, uint32_t index, char* name, uint32_t nameSize) {
    return posix::EnumName(key, index, name, nameSize, [](const Node& node, uint32_t i) {
        return i < node.values.size() ? &node.values[i].name : nullptr;
    });
}

long RegRemoveValue(RegKey key, const char* valueName) {
    long error = kErrSuccess;
    Node* node = posix::Resolve(key, &error);
    if (node == nullptr) {
        return error;
    }
    std::string path = posix::FullPath(node);
    if (!posix::PowerStep(posix::Op::RegDelete, path + " : " + (valueName ? valueName : "")) ||
        posix::FaultHits(posix::Op::RegDelete, path)) {
        return kErrAccessDenied;
    }
    std::string name = valueName ? valueName : "";
    for (auto it = node->values.begin(); it != node->values.end(); ++it) {
        if (posix::SameName(it->name, name)) {
            node->values.erase(it);
            posix::RegistryChanged();
            return kErrSuccess;
        }
    }
    return kErrFileNotFound;
}

long RegRemoveKey(RegKey parent, const char* subKey) {
    long error = kErrSuccess;
    Node* base = posix::Resolve(parent, &error);
    if (base == nullptr) {
        return error;
    }
    std::vector<std::string> parts = posix::SplitPath(subKey);
    if (parts.empty()) {
        return posix::kErrInvalidParameter;
    }
    std::string path = posix::JoinPath(base, parts);
    if (!posix::PowerStep(posix::Op::RegDelete, path) ||
        posix::FaultHits(posix::Op::RegDelete, path)) {
        return kErrAccessDenied;
    }
    Node* node = posix::Walk(base, parts);
    if (node == nullptr) {
        return kErrFileNotFound;
    }
    posix::DeleteNode(node);
    posix::RegistryChanged();
    return kErrSuccess;
}

// Windows 95/98 write every hive at once, whichever key is named. A flush
// cut short leaves the disk as it was.
long RegFlush(RegKey key) {
    long error = kErrSuccess;
    Node* node = posix::Resolve(key, &error);
    if (node == nullptr) {
        return error;
    }
    std::string path = posix::FullPath(node);
    if (!posix::PowerStep(posix::Op::RegFlush, path) ||
        posix::FaultHits(posix::Op::RegFlush, path)) {
        return kErrAccessDenied;
    }
    if (posix::PowerArmed()) {
        posix::RegistryMakeDurable();
    }
    return kErrSuccess;
}

long RegClose(RegKey key) {
    uintptr_t h = reinterpret_cast<uintptr_t>(key);
    if (posix::RootByHandle(h) != nullptr) {
        return kErrSuccess;
    }
    if (!posix::CloseHandle(h)) {
        return posix::kErrInvalidHandle;
    }
    return kErrSuccess;
}

}  // namespace plat
