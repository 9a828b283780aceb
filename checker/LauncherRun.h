// One run of the launcher's own code on a link's command line, against a
// platform that answers from the package: boxes, launches, the chooser and
// registry writes are recorded, never performed. LauncherRun.cpp is that
// platform (see platform/Platform.h).
#pragma once

#include <string>
#include <vector>

#include "checker/Package.h"
#include "launcher/Launcher.h"

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

// What one run asked of the platform and would have done.
struct PlatformRecord {
    std::vector<RegistryReadSeen> reads;
    std::vector<BoxSeen> boxes;
    std::vector<LaunchSeen> launches;
    std::vector<std::string> writes;
};

// The parts of the launch request the checker looks at, and the record.
struct LauncherOutcome {
    LaunchKind kind = LaunchRefused;
    std::string versionText;
    std::string argument;
    std::string relativePath;
    std::string target;
    PlatformRecord record;
};

// Where the registry answers come from: every tool registered but the
// absent ones, or this machine's registry (read only).
struct RegistryAnswers {
    std::vector<std::string> absentKeys;
    bool machine = false;
};

// Runs the launcher on commandLine as LauncherMain runs it.
LauncherOutcome RunLauncher(const std::string& commandLine, const RegistryAnswers& registry, Package* package);

// The key whose folder the launch's executable was started from; empty for
// a document opened by association.
std::string ToolKeyOf(const PlatformRecord& record, const LaunchSeen& launch);

// Whether a file exists on this machine (for --this-machine).
bool MachineFileExists(const std::string& path);
