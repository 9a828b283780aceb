#include <string.h>

#include "launcher/Launcher.h"
#include "platform/FileChooser.h"
#include "platform/RegistryText.h"
#include "text/Text.h"

const char* const Version2QuestionText =
    "Path to Oberix 2 executable was not found. Do you wish to specify one now ?";
const char* const Version2QuestionCaption = "Path to Oberix 2 was Not Found!";
const char* const Version2ChooserTitle = "Broswe the path to ob.exe";
const char* const Version2ChooserFilter = "Oberix 2 Executable(ob.exe)|ob.exe";

namespace {

const char* const ProgramFilesFolder = "Program Files";

// The system drive's root ("C:\") followed by "Program Files"; the bare folder
// name when the system folder cannot be had.
void DeriveInitialFolder(char* initialFolder)
{
    PlatformSystemDirectory(initialFolder, WorkTextSize);
    WorkTextJoin(initialFolder, TextMid(initialFolder, 1, 3), ProgramFilesFolder);
}

// The chooser lets the user type any name, even one that does not exist; cut
// to a folder, such a pick would be stored as a record that holds no Oberix 2
// and is never asked for again.
bool IsExistingObExecutable(const char* path)
{
    const char* const name = "\\ob.exe";
    size_t length = strlen(path);
    if (length < 7) {
        return false;
    }
    for (size_t i = 0; i < 7; ++i) {
        char c = path[length - 7 + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != name[i]) {
            return false;
        }
    }
    return PlatformFileExists(path);
}

// Cuts the length of "ob.exe" off the picked path, keeping its trailing "\".
void CutFileName(char* chosenPath)
{
    WorkTextSet(chosenPath, TextReverse(TextMid(TextReverse(chosenPath), 7, -1)));
}

}  // namespace

const char* AskVersion2Location()
{
    static WorkText initialFolder;
    static WorkText promptText;
    static WorkText chosenPath;
    memset(initialFolder, 0, sizeof initialFolder);
    memset(promptText, 0, sizeof promptText);
    memset(chosenPath, 0, sizeof chosenPath);

    DeriveInitialFolder(initialFolder);
    WorkTextSet(promptText, Version2QuestionText);
    int answer = PlatformMessageBox(PlatformActiveWindow(), promptText, Version2QuestionCaption,
                                    BoxYesNoQuestionTaskModal);
    if (answer != AnswerYes) {
        return nullptr;
    }
    if (!WorkTextSet(chosenPath, FileChooserOpen(Version2ChooserTitle, Version2ChooserFilter, nullptr,
                                                  initialFolder))) {
        return nullptr;
    }
    if (!IsExistingObExecutable(chosenPath)) {
        chosenPath[0] = '\0';  // as if cancelled
    }
    CutFileName(chosenPath);
    const ToolLocation& record = Version2Location;
    RegistryTextPut(record.root, record.keyPath, record.valueName, chosenPath);
    const char* stored = RegistryTextGet(record.root, record.keyPath, record.valueName);
    // An empty record (the chooser was cancelled) would have the shell start
    // "\ob.exe" from the root of the current drive: a program nobody picked.
    return stored[0] ? stored : nullptr;
}
