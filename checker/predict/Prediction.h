// predict/, a link through the launcher's own code. In: a link and the package
// it runs against. Out: what Tipstart does (Prediction) and the rules' findings.
//
// What Tipstart does with one link, as a value: predicted by running the
// launcher's own request derivation and tool selection against the package.
// The rules (RuleChecks.h) read it; nothing here is worded for a reader.
#pragma once

#include <string>
#include <vector>

#include "checker/predict/LauncherRun.h"
#include "checker/page/LinkFinder.h"

// What the run comes to.
enum Effect {
    EffectOtherProgram,  // the link starts another program; Tipstart is not run
    EffectShowsBox,      // a message and nothing started (a refusal, an unserved version)
    EffectForgets,       // the recorded Oberix 2 folder is forgotten
    EffectNothing,       // nothing at all
    EffectStartsTool,    // a tool starts, with or without the document
    EffectOpens,         // the shell opens the document by its file association
};

// A tool that starts in place of the one before when that is not registered.
struct StandIn {
    std::string tool;            // "OBX 3.0"
    std::string missingVersion;  // "3.5"
};

enum MachineEffect { MachineAsksFolder, MachineNothingRegistered, MachineQuiet, MachineOpens, MachineStarts };

// The same link against this machine's registry.
struct MachinePrediction {
    bool asked = false;
    MachineEffect effect = MachineQuiet;
    std::vector<std::string> toolsRead;  // the tools looked for, none registered (MachineNothingRegistered)
    std::string file;                    // the tool's executable (MachineStarts)
    std::string tool;
    bool fileExists = false;
};

struct Prediction {
    const FoundLink* link = nullptr;
    PredictionOptions options;
    Effect effect = EffectNothing;

    // The command line Tipstart receives.
    std::string installFolder;
    std::string programName;   // the program's file name as the link spells it
    std::string programPath;   // the Tipstart.exe that starts
    bool packageProgram = true;  // it is the package's own
    std::string ownFolder;     // what Tipstart takes as its own folder
    size_t commandLineLength = 0;
    bool commandLineTooLong = false;  // refused before anything is read

    // The request the launcher derives.
    LaunchKind kind = LaunchRefused;
    std::string versionText;
    std::string argument;      // after the marker
    std::string relativePath;
    std::string document;      // the target below the install folder; outside it, the whole path
    size_t targetLength = 0;   // in UTF-16 units, as MAX_PATH counts
    bool resetMisspelt = false;
    bool unservedVersion = false;  // the version's message was shown

    // What it does.
    bool launched = false;     // a tool was started or the shell asked to open
    bool byAssociation = false;  // the shell opens the document (version 5)
    std::string boxText;       // the first message shown
    std::string tool;          // "OBX 3.5" (EffectStartsTool)
    std::string toolFile;
    bool withDocument = false;
    DocumentMatch opened = DocumentMissing;  // what the shell finds (EffectOpens)
    bool runsProgram = false;                // the shell runs what it opens as a program
    std::vector<StandIn> standIns;           // with options.list
    bool asksFolderFirst = false;            // with options.list

    // The document as the file functions find it.
    DocumentMatch match = DocumentMissing;
    std::string found;         // below the install folder, as on disk; else as Package.h says
    std::string lookedIn;      // the folder on disk it was looked for in, as shown
    std::string nearName;      // a missing document's near name in the package, if any

    MachinePrediction machine;
};

const char* const ProgramName = "Tipstart.exe";

// What Tipstart does with the link, read from its runs.
Prediction PredictLink(const FoundLink& link, const LinkRuns& runs, const PredictionOptions& options,
                       const std::string& installFolder);

// The tool a registry key names: "Oberix 2", "OBX 3.5".
std::string ToolName(const std::string& keyPath);
