// One run of the launcher's own code on a link's command line, against a
// platform that answers from the package: boxes, launches, the chooser and
// registry writes are recorded, never performed. LauncherRun.cpp is that
// platform (see platform/Platform.h).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "checker/page/LinkFinder.h"
#include "checker/predict/Package.h"
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
    std::string ownFolder;  // what Tipstart takes as its own folder
    PlatformRecord record;
    std::string toolKey;                    // whose folder the first launch came from; empty for the shell
    // Of the first run only:
    size_t targetLength = 0;                // in UTF-16 units, as MAX_PATH counts
    DocumentMatch match = DocumentMissing;  // the target as the file functions find it, once launched
    std::string found;                      // below the install folder, as on disk
    std::string nearName;                   // a missing target's near name in the package, if any
    bool fileExists = false;                // the first launch's file, on this machine (its registry's runs)
    bool showedUnserved = false;            // the message for a version it does not serve
    bool askedFolder = false;               // the version-2 question, where its folder is
};

// Where the registry answers come from: every tool registered but the
// absent ones, or this machine's registry (read only).
struct RegistryAnswers {
    std::vector<std::string> absentKeys;
    bool machine = false;
};

struct PredictionOptions {
    bool list = false;         // what every link does, with the tools that stand in
    bool thisMachine = false;  // what this machine's registry makes of it
    // The link is a page's ShortCut, whose program is started as written; a
    // link list's lines are the command lines of the installed Tipstart.exe.
    bool programAsWritten = false;
    std::filesystem::path workingFolder;  // absolute: messages name folders from there
};

// The runs of the launcher that a link's prediction reads.
struct LinkRuns {
    std::string documentsFolder;  // on disk, beside the Tipstart.exe it runs
    std::string programName;  // the program's file name as the link spells it
    std::string programPath;  // the Tipstart.exe the HTML Help control starts
    bool packageProgram = true;  // that is the package's own, in the install folder
    size_t commandLineLength = 0;
    bool commandLineTooLong = false;  // refused before anything is read: nothing runs
    LauncherOutcome run;              // with every tool registered
    // With --list, when a tool starts: the tools that start in turn when the
    // one before is not registered, and whether the last run asked for a
    // folder instead.
    std::vector<std::string> standInKeys;
    bool standInsAsk = false;
    LauncherOutcome machine;  // with --this-machine: against this machine's registry
};

// The program a ShortCut's program field starts: the shell drops the double
// quotes around it; a name alone, or a relative path, is found beside the
// help file, in the install folder.
std::string ProgramPathOf(const std::string& program, const std::string& installFolder);

// Runs the launcher on the link's command line as LauncherMain runs it, as
// often as the options need, with the package's documents in
// documentsFolder on disk.
LinkRuns RunLink(const FoundLink& link, const PredictionOptions& options, const std::string& documentsFolder,
                 Package* package);

