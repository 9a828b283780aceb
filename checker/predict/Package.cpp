#include "checker/predict/Package.h"

#include <string.h>

#include <filesystem>
#include <system_error>

#include "checker/core/TextTools.h"
#include "checker/system/FolderListing.h"
#include "checker/system/Names.h"

const char* const DefaultInstallFolder = "C:\\Program Files (x86)\\ZEZODA Extension\\";

namespace {

// A folder that cannot be read to its end answers with what was read of it.
const PackageListing& ListPackageFolder(const std::string& folder, Package* package)
{
    auto cached = package->listings.find(folder);
    if (cached != package->listings.end()) {
        return cached->second;
    }
    PackageListing& listing = package->listings[folder];
    std::vector<FolderEntry> entries;
    std::error_code error;
    ListFolder(std::filesystem::u8path(folder), &entries, &error);
    for (const FolderEntry& entry : entries) {
        PackageEntry known = {entry.name, entry.type == std::filesystem::file_type::directory};
        listing.exact.emplace(entry.name, known);
        listing.byKey.emplace(NameKey(entry.name), known);
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
// folders above it exist; below it, the package folder answers. A file
// followed by a separator names nothing.
DocumentMatch Locate(const std::vector<std::string>& parts, bool endsWithSeparator, Package* package,
                     std::vector<std::string>* onDisk)
{
    onDisk->clear();
    size_t install = package->installKeys.size();
    for (size_t i = 0; i < parts.size() && i < install; ++i) {
        if (parts[i] != package->installParts[i] && NameKey(parts[i]) != package->installKeys[i]) {
            return DocumentOutside;
        }
    }
    if (parts.size() < install) {
        return DocumentOutside;  // a folder above the install folder
    }
    if (parts.size() == install) {
        return DocumentIsFolder;
    }
    std::string folder = package->folder;
    bool sameCase = true;
    for (size_t i = install; i < parts.size(); ++i) {
        const std::string& name = parts[i];
        if (!IsValidName(name)) {
            return DocumentMissing;
        }
        const PackageListing& listing = ListPackageFolder(folder, package);
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
            bool last = i + 1 == parts.size() && !endsWithSeparator;
            return last ? (sameCase ? DocumentExact : DocumentOtherCase) : DocumentMissing;
        }
        folder += "/" + entry->second.name;
    }
    return DocumentIsFolder;
}

std::string JoinParts(const std::vector<std::string>& parts)
{
    std::string joined;
    for (const std::string& part : parts) {
        joined += (joined.empty() ? "" : "\\") + part;
    }
    return joined;
}

const size_t MemoSize = 4096;

DocumentMatch ResolveFullPath(const std::string& path, Package* package, std::string* found);

DocumentMatch FindFullPath(const std::string& path, Package* package, std::string* found)
{
    auto known = package->answers.find(path);
    if (known == package->answers.end()) {
        if (package->answers.size() >= MemoSize) {
            package->answers.clear();
        }
        std::string onDisk;
        DocumentMatch match = ResolveFullPath(path, package, &onDisk);
        known = package->answers.emplace(path, std::make_pair(match, onDisk)).first;
    }
    if (found) {
        *found = known->second.second;
    }
    return known->second.first;
}

DocumentMatch ResolveFullPath(const std::string& path, Package* package, std::string* found)
{
    if (WindowsPathLength(path) > MaxPathCharacters) {
        return DocumentMissing;
    }
    std::vector<std::string> parts = PathParts(path);
    std::vector<std::string> onDisk;
    bool endsWithSeparator = EndsWithSeparator(path);
    if (!ResolvePathParts(&parts, endsWithSeparator)) {
        return DocumentMissing;
    }
    std::string device = parts.empty() || endsWithSeparator ? std::string() : DeviceName(parts.back());
    if (!device.empty()) {
        *found = device;
        return DocumentDevice;
    }
    DocumentMatch match = Locate(parts, endsWithSeparator, package, &onDisk);
    bool share = path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
    *found = match == DocumentOutside ? (share ? "\\\\" : "") + JoinParts(parts) : JoinParts(onDisk);
    return match;
}

// The name of a listing nearest to name: within two edits, or the same but
// for an extension; the first by name of the nearest.
std::string NearName(const std::string& name, const PackageListing& listing)
{
    std::string nearest;
    size_t best = 3;
    std::string stem = name.substr(0, name.find_last_of('.'));
    for (const auto& entry : listing.exact) {
        const std::string& candidate = entry.first;
        size_t distance = EditDistance(name, candidate, 2);
        if (distance > 2 && AsciiLower(candidate.substr(0, candidate.find_last_of('.'))) == AsciiLower(stem)) {
            distance = 2;
        }
        if (distance < best || (distance == best && distance <= 2 && candidate < nearest)) {
            best = distance;
            nearest = candidate;
        }
    }
    return nearest;
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

bool ShortPathWalkFinds(const std::string& path, Package* package)
{
    if (WindowsPathLength(path) > MaxPathCharacters) {
        return false;
    }
    std::vector<std::string> raw = PathParts(path);
    DocumentMatch whole = FindFullPath(path, package, nullptr);
    if (!WalkDiffers(raw) || whole == DocumentDevice) {
        return whole != DocumentMissing;  // a device's name is given back
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
        if (!ResolvePathParts(&resolved, false) || Locate(resolved, false, package, &onDisk) == DocumentMissing) {
            return false;
        }
        if (resolved.size() > package->installKeys.size() && !onDisk.empty()) {
            walked.back() = onDisk.back();
        }
    }
    return true;
}

// The answers kept are for one folder: a new one starts afresh.
void UseFolder(const std::string& diskFolder, Package* package)
{
    if (diskFolder != package->folder) {
        package->answers.clear();
        package->folder = diskFolder;
    }
}

// The near name of a full path that names nothing in the package.
std::string NearPath(const std::string& path, Package* package)
{
    std::vector<std::string> parts = PathParts(path);
    size_t install = package->installKeys.size();
    if (!ResolvePathParts(&parts, false) || parts.size() <= install) {
        return std::string();
    }
    std::vector<std::string> onDisk;
    if (Locate(parts, false, package, &onDisk) != DocumentMissing) {
        return std::string();  // outside the package, or found
    }
    // The first part the package lacks, replaced by its near name; the
    // parts after it must then be found.
    std::string folder = package->folder;
    for (size_t i = install; i < parts.size(); ++i) {
        const PackageListing& listing = ListPackageFolder(folder, package);
        auto entry = listing.byKey.find(NameKey(parts[i]));
        if (entry == listing.byKey.end()) {
            parts[i] = NearName(parts[i], listing);
            if (parts[i].empty()) {
                return std::string();
            }
            DocumentMatch match = Locate(parts, false, package, &onDisk);
            return match == DocumentExact || match == DocumentOtherCase ? JoinParts(onDisk) : std::string();
        }
        if (!entry->second.folder) {
            return std::string();
        }
        folder += "/" + entry->second.name;
    }
    return std::string();
}

}  // namespace

void PackageStart(const std::string& installFolder, Package* package)
{
    *package = Package();
    package->installFolder = installFolder;
    if (!EndsWithSeparator(package->installFolder)) {
        package->installFolder += '\\';
    }
    package->installParts = PathParts(package->installFolder);
    for (const std::string& part : package->installParts) {
        package->installKeys.push_back(NameKey(part));
    }
}

DocumentMatch PackageFindDocument(const std::string& path, const std::string& diskFolder, Package* package,
                                  std::string* found, std::string* nearName)
{
    UseFolder(diskFolder, package);
    DocumentMatch match = FindFullPath(path, package, found);
    if (nearName && match == DocumentMissing) {
        *nearName = NearPath(path, package);
    }
    return match;
}


bool PackageShortPathWalkFinds(const std::string& path, const std::string& diskFolder, Package* package)
{
    UseFolder(diskFolder, package);
    return ShortPathWalkFinds(path, package);
}
