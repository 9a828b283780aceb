// The package the checker answers from: the folder on disk whose files will
// stand beside Tipstart.exe in the install folder, and the platform the
// launcher runs against while the checker predicts a link. The platform
// answers every file operation as Windows would (see Names.h) and records
// what the launcher asked and would have done.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

// Where Tipstart.exe is taken to be installed when no --install-folder is given.
extern const char* const DefaultInstallFolder;

// The install folder, ending in "\".
void PackageSetInstallFolder(const std::string& folder);
const std::string& PackageInstallFolder();

// The folder on disk that holds what stands beside Tipstart.exe.
void PackageSetFolder(const std::string& diskFolder);

enum DocumentMatch { DocumentMissing, DocumentExact, DocumentOtherCase, DocumentIsFolder };

// A full path as the file functions resolve it (GetFileAttributes,
// FindFirstFile, the shell): normalised, then each part looked up without
// regard to case. found receives the parts below the install folder as they
// are on disk, joined by "\".
DocumentMatch PackageFindDocument(const std::string& path, std::string* found);

struct RegistryReadSeen {
    std::string keyPath;
    std::string answer;  // the folder given; empty when the tool is not registered
};

struct BoxSeen {
    std::string text;
    std::string caption;
};

struct LaunchSeen {
    std::string file;
    std::string parameters;
    ShowCommand show;
    DocumentMatch opened;  // how the shell finds file in the package (a document opened by association)
};

// What one run of the launcher asked of the platform and would have done.
struct PlatformRecord {
    std::vector<RegistryReadSeen> reads;
    std::vector<BoxSeen> boxes;
    std::vector<LaunchSeen> launches;
    std::vector<std::string> writes;
};

// Starts a run: the command line the launcher reads, and the tool keys that
// count as not registered (every other one answers with a folder).
void PackageBeginRun(const std::string& commandLine, const std::vector<std::string>& absentKeys);
const PlatformRecord& PackageRecord();

// The key whose folder the launch's executable was started from; empty for
// a document opened by association.
std::string PackageToolKey(const PlatformRecord& record, const LaunchSeen& launch);

// Registry reads go to this machine's registry (read only) instead.
void PackageUseMachineRegistry(bool use);

// Whether a file exists on this machine (for --this-machine).
bool MachineFileExists(const std::string& path);
