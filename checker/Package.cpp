// The checker's platform: the launcher's own code runs against it, and it
// answers from the package folder. Boxes, launches, the chooser and registry
// writes are recorded, never performed.
#include "checker/Package.h"

#include <string.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "checker/Names.h"
#include "platform/MachineRegistry.h"

const char* const DefaultInstallFolder = "C:\\Program Files (x86)\\ZEZODA Extension\\";

namespace {

struct FolderEntry {
    std::string name;
    bool folder;
};

// One folder's entries by their exact name and by their name key.
struct Listing {
    std::unordered_map<std::string, FolderEntry> exact;
    std::unordered_map<std::string, FolderEntry> byKey;
};

struct PackageState {
    std::string folder;
    std::string installFolder = DefaultInstallFolder;
    std::vector<std::string> installParts;
    std::vector<std::string> installKeys;  // the name keys of those parts
    std::unordered_map<std::string, Listing> listings;
    // Links name the same documents again and again; at most MemoSize
    // answers are kept at a time, for the current package.
    std::unordered_map<std::string, std::pair<DocumentMatch, std::string>> answers;
    std::string commandLine;
    std::vector<std::string> absentKeys;
    bool machineRegistry = false;
    PlatformRecord record;
};

PackageState state;

const Listing& ListFolder(const std::string& folder)
{
    auto cached = state.listings.find(folder);
    if (cached != state.listings.end()) {
        return cached->second;
    }
    Listing& listing = state.listings[folder];
    std::error_code error;
    std::filesystem::directory_iterator entries(std::filesystem::u8path(folder), error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        std::string name = entries->path().filename().u8string();
        std::error_code kindError;
        FolderEntry entry = {name, entries->is_directory(kindError)};
        listing.exact.emplace(name, entry);
        listing.byKey.emplace(NameKey(name), entry);
    }
    return listing;
}

// Characters no Windows file name holds; a path with one names nothing.
bool IsValidName(const std::string& name)
{
    for (unsigned char c : name) {
        if (c < 0x20 || strchr("<>:\"|?*", c)) {
            return false;
        }
    }
    return true;
}

// Resolved parts of a full path, looked up: the install folder and the
// folders above it exist; below it, the package folder answers.
DocumentMatch Locate(const std::vector<std::string>& parts, std::vector<std::string>* onDisk)
{
    onDisk->clear();
    size_t install = state.installKeys.size();
    for (size_t i = 0; i < parts.size() && i < install; ++i) {
        if (parts[i] != state.installParts[i] && NameKey(parts[i]) != state.installKeys[i]) {
            return DocumentMissing;  // outside the package: nothing of it is known
        }
    }
    if (parts.size() <= install) {
        return DocumentIsFolder;
    }
    std::string folder = state.folder;
    bool sameCase = true;
    for (size_t i = install; i < parts.size(); ++i) {
        const std::string& name = parts[i];
        if (!IsValidName(name)) {
            return DocumentMissing;
        }
        const Listing& listing = ListFolder(folder);
        auto entry = listing.exact.find(name);
        if (entry == listing.exact.end()) {
            entry = listing.byKey.find(NameKey(name));
            if (entry == listing.byKey.end()) {
                return DocumentMissing;
            }
            sameCase = false;
        }
        onDisk->push_back(entry->second.name);
        if (!entry->second.folder) {
            return i + 1 == parts.size() ? (sameCase ? DocumentExact : DocumentOtherCase) : DocumentMissing;
        }
        folder += "/" + entry->second.name;
    }
    return DocumentIsFolder;
}

std::string JoinBelowInstall(const std::vector<std::string>& onDisk)
{
    std::string joined;
    for (const std::string& name : onDisk) {
        joined += (joined.empty() ? "" : "\\") + name;
    }
    return joined;
}

const size_t MemoSize = 4096;

DocumentMatch ResolveFullPath(const std::string& path, std::string* found);

DocumentMatch FindFullPath(const std::string& path, std::string* found)
{
    auto known = state.answers.find(path);
    if (known == state.answers.end()) {
        if (state.answers.size() >= MemoSize) {
            state.answers.clear();
        }
        std::string onDisk;
        DocumentMatch match = ResolveFullPath(path, &onDisk);
        known = state.answers.emplace(path, std::make_pair(match, onDisk)).first;
    }
    if (found) {
        *found = known->second.second;
    }
    return known->second.first;
}

DocumentMatch ResolveFullPath(const std::string& path, std::string* found)
{
    if (WindowsPathLength(path) > MaxPathCharacters) {
        return DocumentMissing;
    }
    std::vector<std::string> parts = PathParts(path);
    std::vector<std::string> onDisk;
    if (!ResolvePathParts(&parts, EndsWithSeparator(path))) {
        return DocumentMissing;
    }
    DocumentMatch match = Locate(parts, &onDisk);
    *found = JoinBelowInstall(onDisk);
    return match;
}

// GetShortPathName walks the path a part at a time: "." and ".." are copied
// as they stand, every other part must be found (FindFirstFile on the path
// so far, which trims that part's trailing periods and spaces) and is
// replaced by the name found. So "docs\nosuch\..\one.txt"
// fails at "nosuch", where the full path alone would resolve.
// Whether the walk can differ from resolving the whole path: only through
// "." and "..", or a folder whose name ends in a period or a space.
bool WalkDiffers(const std::vector<std::string>& raw)
{
    for (size_t i = 0; i < raw.size(); ++i) {
        const std::string& part = raw[i];
        if (part == "." || part == ".." || (i + 1 < raw.size() && (part.back() == '.' || part.back() == ' '))) {
            return true;
        }
    }
    return false;
}

bool ShortPathWalkFinds(const std::string& path)
{
    if (WindowsPathLength(path) > MaxPathCharacters) {
        return false;
    }
    std::vector<std::string> raw = PathParts(path);
    if (!WalkDiffers(raw)) {
        return FindFullPath(path, nullptr) != DocumentMissing;
    }
    std::vector<std::string> walked;
    for (size_t i = 0; i < raw.size(); ++i) {
        const std::string& part = raw[i];
        walked.push_back(part);
        if (part == "." || part == ".." || i == 0) {
            continue;  // the drive is taken as it stands
        }
        std::vector<std::string> resolved = walked;
        std::vector<std::string> onDisk;
        if (!ResolvePathParts(&resolved, false) ||
            Locate(resolved, &onDisk) == DocumentMissing) {
            return false;
        }
        if (resolved.size() > state.installKeys.size() && !onDisk.empty()) {
            walked.back() = onDisk.back();
        }
    }
    return true;
}

// The folder a registered tool answers with in a package run.
std::string ToolFolder(const std::string& keyPath)
{
    return "C:\\Tools\\" + keyPath.substr(keyPath.find_last_of('\\') + 1);
}

bool Contains(const std::vector<std::string>& keys, const char* key)
{
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

}  // namespace

void PackageSetInstallFolder(const std::string& folder)
{
    state.answers.clear();
    state.installFolder = folder;
    if (!EndsWithSeparator(state.installFolder)) {
        state.installFolder += '\\';
    }
    state.installParts = PathParts(state.installFolder);
    state.installKeys.clear();
    for (const std::string& part : state.installParts) {
        state.installKeys.push_back(NameKey(part));
    }
}

const std::string& PackageInstallFolder()
{
    if (state.installKeys.empty()) {
        PackageSetInstallFolder(state.installFolder);
    }
    return state.installFolder;
}

void PackageSetFolder(const std::string& diskFolder)
{
    PackageInstallFolder();
    if (diskFolder != state.folder) {
        state.answers.clear();
        state.folder = diskFolder;
    }
}

DocumentMatch PackageFindDocument(const std::string& path, std::string* found)
{
    return FindFullPath(path, found);
}

void PackageBeginRun(const std::string& commandLine, const std::vector<std::string>& absentKeys)
{
    state.commandLine = commandLine;
    state.absentKeys = absentKeys;
    state.record = PlatformRecord();
}

const PlatformRecord& PackageRecord()
{
    return state.record;
}

std::string PackageToolKey(const PlatformRecord& record, const LaunchSeen& launch)
{
    if (launch.show == ShowNormal) {
        return std::string();
    }
    for (const RegistryReadSeen& read : record.reads) {
        if (!read.answer.empty() && launch.file.compare(0, read.answer.size(), read.answer) == 0) {
            return read.keyPath;
        }
    }
    return std::string();
}

void PackageUseMachineRegistry(bool use)
{
    state.machineRegistry = use;
}

bool MachineFileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::u8path(path), error);
}

// The platform operations, as the launcher calls them.

const char* PlatformCommandLine()
{
    return state.commandLine.c_str();
}

WindowHandle PlatformActiveWindow()
{
    return nullptr;
}

// No one answers Yes: the version-2 question ends the run, as No does.
int PlatformMessageBox(WindowHandle, const char* text, const char* caption, unsigned)
{
    state.record.boxes.push_back({text, caption});
    return 7;
}

// A document in the package has a short form; it is given as the long path.
void PlatformShortPathName(const char* longPath, char* buffer, size_t capacity)
{
    size_t length = strlen(longPath);
    if (ShortPathWalkFinds(longPath) && length < capacity) {
        memcpy(buffer, longPath, length + 1);
    }
}

bool PlatformFileExists(const char* path)
{
    DocumentMatch match = FindFullPath(path, nullptr);
    return match == DocumentExact || match == DocumentOtherCase;
}

void PlatformSystemDirectory(char* buffer, size_t capacity)
{
    const char* system = "C:\\Windows\\system32";
    if (strlen(system) < capacity) {
        strcpy(buffer, system);
    }
}

// The tools are taken to exist where the registry says; a document opened
// by association is looked up in the package.
void PlatformShellOpen(const char* file, const char* parameters, const char*, ShowCommand show)
{
    DocumentMatch opened = show == ShowNormal ? FindFullPath(file, nullptr) : DocumentExact;
    state.record.launches.push_back({file, parameters ? parameters : "", show, opened});
}

bool PlatformRegistryRead(RegistryRoot root, const char* keyPath, const char* valueName, char* buffer,
                          size_t capacity, size_t* size)
{
    if (state.machineRegistry) {
        bool read = MachineRegistryRead(root, keyPath, valueName, buffer, capacity, size);
        state.record.reads.push_back({keyPath, read && *size > 0 ? std::string(buffer, strnlen(buffer, *size)) : ""});
        return read;
    }
    std::string folder = Contains(state.absentKeys, keyPath) ? std::string() : ToolFolder(keyPath);
    state.record.reads.push_back({keyPath, folder});
    if (folder.empty() || folder.size() + 1 > capacity) {
        return false;
    }
    memcpy(buffer, folder.c_str(), folder.size() + 1);
    *size = folder.size() + 1;
    return true;
}

void PlatformRegistryWriteText(RegistryRoot, const char*, const char*, const char* text)
{
    state.record.writes.push_back(text);
}

bool PlatformOpenFileDialog(const char*, const char*, WindowHandle, const char*, char*, size_t, char*, size_t)
{
    return false;
}
