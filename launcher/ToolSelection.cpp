#include <string.h>

#include "launcher/Launcher.h"
#include "platform/RegistryText.h"
#include "text/Text.h"

const ToolLocation Version5Location = {RegistryLocalMachine, "SOFTWARE\\Vantrell\\OBX\\5.0", "Folder"};
const ToolLocation Version4Location = {RegistryCurrentUser, "Software\\Quistral\\OBX\\4.0", "Path"};
const ToolLocation Version35Location = {RegistryCurrentUser, "Software\\Quistral\\OBX\\3.5", "Path"};
const ToolLocation Version30Location = {RegistryCurrentUser, "Software\\Quistral\\OBX\\3.0", "Path"};
const ToolLocation Version2Location = {RegistryCurrentUser, "Software\\Quistral\\OBX\\2.0", "Path"};

const char* const UnservedVersionText = "No OBX Version Specified!";
const char* const UnservedVersionCaption = "Rerirodeze";

namespace {

const char* const ObxExecutable = "\\obx.exe";
const char* const ObExecutable = "\\ob.exe";

const char* ReadLocation(const ToolLocation& location)
{
    return RegistryTextGet(location.root, location.keyPath, location.valueName);
}

// Decided on the text as read, before anything is appended or trimmed.
bool IsPresent(const char* location)
{
    return location[0] && location[1] && location[2];
}

// The short form holds no blanks only where the drive keeps 8.3 names; other
// drives (most but the system one, ReFS, many shares) give the long form. A
// text with blanks goes in double quotes, split as the C runtime and
// CommandLineToArgvW split it: backslashes before the closing quote are
// doubled, so "D:\Help Files\docs\" stays one argument.
bool SetToolParameters(char* parameters, const char* shortTarget)
{
    if (!strpbrk(shortTarget, " \t")) {
        return WorkTextSet(parameters, shortTarget);
    }
    size_t length = strlen(shortTarget);
    size_t backslashes = 0;
    while (backslashes < length && shortTarget[length - 1 - backslashes] == '\\') {
        ++backslashes;
    }
    if (length + backslashes + 2 >= WorkTextSize) {
        return false;
    }
    parameters[0] = '"';
    memcpy(parameters + 1, shortTarget, length);
    memset(parameters + 1 + length, '\\', backslashes);
    parameters[1 + length + backslashes] = '"';
    parameters[2 + length + backslashes] = '\0';
    return true;
}

void StartTool(const char* location, const char* executable, const LaunchRequest& request)
{
    static WorkText toolPath;
    static WorkText parameters;
    if (!WorkTextJoin(toolPath, location, executable) || !SetToolParameters(parameters, request.shortTarget)) {
        return;
    }
    WorkTextSet(toolPath, TextTrim(toolPath));
    PlatformShellOpen(toolPath, parameters, request.targetFolder, ShowMaximized);
}

void OpenWithVersion5(const LaunchRequest& request)
{
    if (IsPresent(ReadLocation(Version5Location))) {
        PlatformShellOpen(request.target, nullptr, request.targetFolder, ShowNormal);
    }
}

void OpenWithVersion4(const LaunchRequest& request)
{
    const char* location = ReadLocation(Version4Location);
    if (IsPresent(location)) {
        StartTool(location, ObxExecutable, request);
    }
}

void OpenWithVersion3(const LaunchRequest& request)
{
    const char* location = ReadLocation(Version35Location);
    if (!IsPresent(location)) {
        location = ReadLocation(Version30Location);
    }
    if (IsPresent(location)) {
        StartTool(location, ObxExecutable, request);
    }
}

void OpenWithVersion2(const LaunchRequest& request)
{
    const char* location = ReadLocation(Version2Location);
    if (!IsPresent(location)) {
        location = AskVersion2Location();
        if (!location) {
            return;
        }
    }
    StartTool(location, ObExecutable, request);
}

}  // namespace

void RunLaunchRequest(const LaunchRequest& request)
{
    if (request.kind == LaunchReset) {
        RegistryTextPut(Version2Location.root, Version2Location.keyPath, Version2Location.valueName, "");
        return;
    }
    switch (request.version) {
    case 5:
        OpenWithVersion5(request);
        break;
    case 4:
        OpenWithVersion4(request);
        break;
    case 3:
        OpenWithVersion3(request);
        break;
    case 2:
        OpenWithVersion2(request);
        break;
    default:
        PlatformMessageBox(PlatformActiveWindow(), UnservedVersionText, UnservedVersionCaption, BoxOk);
        break;
    }
}
