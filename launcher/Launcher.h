// Launch control: the launch request, tool selection and the version-2 prompt.
#pragma once

#include "launcher/WorkText.h"
#include "platform/Platform.h"

enum LaunchKind {
    LaunchRefused,   // no marker, or one at position 1 or 2: the refusal box
    LaunchAbandoned, // a text did not fit its WorkText: the run ends quietly
    LaunchOpen,
    LaunchReset,
};

struct LaunchRequest {
    LaunchKind kind;
    WorkText commandText;  // the command line, then the argument after the marker
    WorkText versionText;
    WorkText ownFolder;
    int version;           // 0 to 9; 0 for anything but a digit
    WorkText relativePath;
    WorkText target;
    WorkText shortTarget;  // empty when the platform gives no short form
    WorkText targetFolder; // target up to and including its last "\"
};

struct ToolLocation {
    RegistryRoot root;
    const char* keyPath;
    const char* valueName;
};

extern const ToolLocation Version5Location;
extern const ToolLocation Version4Location;
extern const ToolLocation Version35Location;
extern const ToolLocation Version30Location;
extern const ToolLocation Version2Location;

extern const char* const RefusalText;
extern const char* const RefusalCaption;
extern const char* const UnservedVersionText;
extern const char* const UnservedVersionCaption;
extern const char* const Version2QuestionText;
extern const char* const Version2QuestionCaption;
extern const char* const Version2ChooserTitle;
extern const char* const Version2ChooserFilter;

// Reads the command line, refuses or serves it; always 0.
int LauncherMain();

// Everything LauncherMain does with one raw command line: derives request
// (zero-filled by the caller), then shows the refusal or serves it.
void ServeCommandLine(const char* commandLine, LaunchRequest* request);

// Fills request (zero-filled by the caller) from one raw command line.
void ParseLaunchRequest(const char* commandLine, LaunchRequest* request);

// Serves a Reset or an Open request: at most one launch or one message box.
void RunLaunchRequest(const LaunchRequest& request);

// Asks for the version-2 tool and stores its folder. Null ends the run (the
// answer was not Yes, or nothing usable was picked); otherwise the stored
// record as read back.
const char* AskVersion2Location();
