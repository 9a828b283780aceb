// The checker's platform: the launcher's own code runs against it, and it
// answers from the package folder. Boxes, launches, the chooser and registry
// writes are recorded, never performed.
#include "checker/Package.h"

#include <string.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "platform/MachineRegistry.h"

const char* const InstallFolder = "C:\\Help\\";

namespace {

struct FolderEntry {
    std::string name;
    bool folder;
};

// One folder's entries by their exact name and by their folded name.
struct Listing {
    std::unordered_map<std::string, FolderEntry> exact;
    std::unordered_map<std::string, FolderEntry> folded;
};

struct PackageState {
    std::string folder;
    std::unordered_map<std::string, Listing> listings;
    std::string commandLine;
    std::vector<std::string> absentKeys;
    bool machineRegistry = false;
    PlatformRecord record;
};

PackageState state;

// Windows compares names without regard to case: ASCII, and the letters of
// Latin-1, Greek and Cyrillic in UTF-8, which cover what help authors use.
std::string FoldCase(const std::string& name)
{
    std::string folded = name;
    for (size_t i = 0; i < folded.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(folded[i]);
        if (c >= 'A' && c <= 'Z') {
            folded[i] = static_cast<char>(c - 'A' + 'a');
        } else if ((c == 0xC3 || c == 0xCE || c == 0xD0) && i + 1 < folded.size()) {
            unsigned code = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(folded[i + 1]) & 0x3Fu);
            unsigned lower = code;
            if ((code >= 0xC0 && code <= 0xDE && code != 0xD7) || (code >= 0x391 && code <= 0x3A9) ||
                (code >= 0x410 && code <= 0x42F)) {
                lower = code + 0x20;
            } else if (code >= 0x400 && code <= 0x40F) {
                lower = code + 0x50;
            }
            folded[i] = static_cast<char>(0xC0 | lower >> 6);
            folded[i + 1] = static_cast<char>(0x80 | (lower & 0x3F));
            ++i;
        }
    }
    return folded;
}

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
        FolderEntry entry = {name, entries->is_directory(error)};
        listing.exact.emplace(name, entry);
        listing.folded.emplace(FoldCase(name), entry);
    }
    return listing;
}

std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) {
            end = path.size();
        }
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
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

void PackageSetFolder(const std::string& diskFolder)
{
    state.folder = diskFolder;
}

DocumentMatch PackageFindDocument(const std::string& path, std::string* found)
{
    size_t prefix = strlen(InstallFolder);
    if (path.compare(0, prefix, InstallFolder) != 0) {
        return DocumentMissing;
    }
    std::vector<std::string> names;
    for (const std::string& part : SplitPath(path.substr(prefix))) {
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (names.empty()) {
                return DocumentMissing;  // outside the package
            }
            names.pop_back();
        } else {
            names.push_back(part);
        }
    }
    std::string folder = state.folder;
    std::string onDisk;
    bool sameCase = true;
    bool isFolder = true;
    for (const std::string& name : names) {
        if (!isFolder) {
            return DocumentMissing;
        }
        const Listing& listing = ListFolder(folder);
        auto entry = listing.exact.find(name);
        if (entry == listing.exact.end()) {
            entry = listing.folded.find(FoldCase(name));
            if (entry == listing.folded.end()) {
                return DocumentMissing;
            }
            sameCase = false;
        }
        isFolder = entry->second.folder;
        folder += "/" + entry->second.name;
        onDisk += (onDisk.empty() ? "" : "\\") + entry->second.name;
    }
    *found = onDisk;
    if (isFolder) {
        return DocumentIsFolder;
    }
    return sameCase ? DocumentExact : DocumentOtherCase;
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
    std::string found;
    size_t length = strlen(longPath);
    if (PackageFindDocument(longPath, &found) != DocumentMissing && length < capacity) {
        memcpy(buffer, longPath, length + 1);
    }
}

bool PlatformFileExists(const char* path)
{
    std::string found;
    DocumentMatch match = PackageFindDocument(path, &found);
    return match == DocumentExact || match == DocumentOtherCase;
}

void PlatformSystemDirectory(char* buffer, size_t capacity)
{
    const char* system = "C:\\Windows\\system32";
    if (strlen(system) < capacity) {
        strcpy(buffer, system);
    }
}

void PlatformShellOpen(const char* file, const char* parameters, const char*, ShowCommand show)
{
    state.record.launches.push_back({file, parameters != nullptr, parameters ? parameters : "", show});
}

bool PlatformRegistryRead(RegistryRoot root, const char* keyPath, const char* valueName, char* buffer,
                          size_t capacity, size_t* size)
{
    if (state.machineRegistry) {
        bool read = MachineRegistryRead(root, keyPath, valueName, buffer, capacity, size);
        state.record.reads.push_back({keyPath, read});
        return read;
    }
    bool registered = !Contains(state.absentKeys, keyPath);
    state.record.reads.push_back({keyPath, registered});
    std::string folder = ToolFolder(keyPath);
    if (!registered || folder.size() + 1 > capacity) {
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
    ++state.record.choosers;
    return false;
}
