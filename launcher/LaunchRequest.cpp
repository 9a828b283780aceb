#include <string.h>

#include "launcher/Launcher.h"
#include "text/Text.h"

const char* const RefusalText = "This Utility can be accessed only from the Help File of ZEZODA Extension.";
const char* const RefusalCaption = "ZEZODA Helper Tool";

namespace {

const char* const ArgumentMarker = "^";
const char* const ProgramFileName = "Tipstart.exe";
const char* const ResetKeyword = "2Reset_";

int VersionOfDigit(const char* versionText)
{
    char c = versionText[0];
    return c >= '0' && c <= '9' ? c - '0' : 0;
}

// The target up to and including its last "\", or the target and a "\" when
// it holds none.
bool DeriveTargetFolder(LaunchRequest* request)
{
    char* folder = request->targetFolder;
    WorkTextSet(folder, TextReverse(request->target));
    WorkTextSet(folder, TextAfter(folder, TextOfChars(92, 0, 0, 0, 0, 0, 0, 0, 0, 0)));
    WorkTextSet(folder, TextReverse(folder));
    return WorkTextJoin(folder, folder, "\\");
}

bool DeriveLaunchPaths(LaunchRequest* request)
{
    WorkTextSet(request->versionText, TextMid(request->commandText, 1, 1));
    WorkTextSet(request->relativePath, TextMid(request->commandText, 2, -1));
    request->version = VersionOfDigit(request->versionText);
    if (!WorkTextJoin(request->target, request->ownFolder, request->relativePath)) {
        return false;
    }
    PlatformShortPathName(request->target, request->shortTarget, WorkTextSize);
    return DeriveTargetFolder(request);
}

}  // namespace

void ParseLaunchRequest(const char* commandLine, LaunchRequest* request)
{
    request->kind = LaunchRefused;
    // A command line too long for its WorkText is no link of the help file.
    if (!WorkTextSet(request->commandText, commandLine)) {
        return;
    }
    // Tested on the raw line: a quoted program path puts the marker at 3 or later.
    if (TextFind(request->commandText, ArgumentMarker, 0) < 3) {
        return;
    }
    WorkTextSet(request->commandText, TextRemoveAll(request->commandText, "\""));
    WorkTextSet(request->ownFolder, TextTrim(TextBefore(request->commandText, ProgramFileName)));
    WorkTextSet(request->commandText, TextTrim(TextAfter(request->commandText, ArgumentMarker)));
    if (TextCompare(request->commandText, ResetKeyword) == 0) {
        request->kind = LaunchReset;
        return;
    }
    request->kind = DeriveLaunchPaths(request) ? LaunchOpen : LaunchAbandoned;
}

void ServeCommandLine(const char* commandLine, LaunchRequest* request)
{
    ParseLaunchRequest(commandLine, request);
    if (request->kind == LaunchRefused) {
        PlatformMessageBox(PlatformActiveWindow(), RefusalText, RefusalCaption, BoxIconError);
    } else if (request->kind != LaunchAbandoned) {
        RunLaunchRequest(*request);
    }
}

int LauncherMain()
{
    static LaunchRequest request;
    memset(&request, 0, sizeof request);
    ServeCommandLine(PlatformCommandLine(), &request);
    return 0;
}
