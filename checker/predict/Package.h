// The package the checker answers from: the folder on disk whose files will
// stand beside Tipstart.exe in the install folder. Documents are found in it
// as Windows' file functions find them (see Names.h).
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// Where Tipstart.exe is taken to be installed when no --install-folder is given.
extern const char* const DefaultInstallFolder;

// How a full path is found. A path that leaves the install folder reaches the
// user's machine, whose files the checker cannot see; a device name names
// the device, whatever the package holds.
enum DocumentMatch {
    DocumentMissing,
    DocumentExact,
    DocumentOtherCase,
    DocumentIsFolder,
    DocumentOutside,
    DocumentDevice,
};

struct PackageEntry {
    std::string name;
    bool folder;
};

// One folder's entries by their exact name and by their name key.
struct PackageListing {
    std::unordered_map<std::string, PackageEntry> exact;
    std::unordered_map<std::string, PackageEntry> byKey;
};

struct Package {
    std::string installFolder;  // ends in "\"
    std::vector<std::string> installParts;
    std::vector<std::string> installKeys;  // the name keys of those parts
    std::string folder;                    // on disk
    std::unordered_map<std::string, PackageListing> listings;  // by folder on disk
    // Links name the same documents again and again; a bounded number of
    // answers is kept, for the current folder.
    std::unordered_map<std::string, std::pair<DocumentMatch, std::string>> answers;
};

// A package installed in installFolder (a full Windows path), its folder on
// disk not chosen yet.
void PackageStart(const std::string& installFolder, Package* package);

// A full path as the file functions resolve it (GetFileAttributes,
// FindFirstFile, the shell), with diskFolder on disk beside Tipstart.exe:
// normalised, then each part looked up without regard to case. found
// receives the parts below the install folder as they are on disk, joined
// by "\"; for a path outside it, the whole path normalised; for a device,
// its name ("AUX"). For a path that names nothing in the package, nearName
// (when given) receives the path below the install folder of a document
// that is there under a near name ("docs\one.txt" for "docs\onee.txt" or
// "docs\one"), joined by "\"; empty when none is.
DocumentMatch PackageFindDocument(const std::string& path, const std::string& diskFolder, Package* package,
                                  std::string* found, std::string* nearName = nullptr);

// Whether GetShortPathName finds the path: it walks each folder as written.
bool PackageShortPathWalkFinds(const std::string& path, const std::string& diskFolder, Package* package);
