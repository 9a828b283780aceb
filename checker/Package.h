// The package the checker answers from: the folder on disk where Tipstart.exe
// will stand beside its documents, and the platform the launcher runs
// against while the checker predicts a link.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

// Where the predicted command lines place Tipstart.exe, with its "\".
extern const char* const InstallFolder;

enum DocumentMatch { DocumentMissing, DocumentExact, DocumentOtherCase, DocumentIsFolder };

// A path under InstallFolder looked up in the package folder as Windows
// would: separators "\" or "/", doubled ones and "." ignored, ".." going up,
// letters in any case. found receives the names as they are on disk.
DocumentMatch PackageFindDocument(const std::string& path, std::string* found);

void PackageSetFolder(const std::string& diskFolder);

struct RegistryReadSeen {
    std::string keyPath;
    bool answered;
};

struct BoxSeen {
    std::string text;
    std::string caption;
};

struct LaunchSeen {
    std::string file;
    bool hasParameters;
    std::string parameters;
    ShowCommand show;
};

// What one run of the launcher asked of the platform and would have done.
struct PlatformRecord {
    std::vector<RegistryReadSeen> reads;
    std::vector<BoxSeen> boxes;
    std::vector<LaunchSeen> launches;
    std::vector<std::string> writes;
    int choosers = 0;
};

// Starts a run: the command line the launcher reads, and the tool keys that
// count as not registered (every other one answers with a folder).
void PackageBeginRun(const std::string& commandLine, const std::vector<std::string>& absentKeys);
const PlatformRecord& PackageRecord();

// Registry reads go to this machine's registry (read only) instead.
void PackageUseMachineRegistry(bool use);

// Whether a file exists on this machine (for --this-machine).
bool MachineFileExists(const std::string& path);
