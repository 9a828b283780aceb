// Fuzzes a whole run, from the raw command line through the request and the
// tool selection to the platform calls, against the host double. The input
// also decides what the registry holds and what the platform and the user
// answer. Its fields are separated by the byte 0x1E:
//   command line | 2.0 Path | 3.0 Path | 3.5 Path | 4.0 Path | 5.0 Folder |
//   short path of the target | system folder | box answers, a byte each |
//   chooser pick
// An empty registry field is a missing value; otherwise its bytes are the
// value's bytes as stored. An empty short path, system folder or pick means
// the platform has none (or the chooser was cancelled); a pick is a file that
// exists unless it starts with "?".
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "launcher/Launcher.h"
#include "tests/host/FakePlatform.h"

namespace {

const char* const LocationKeys[] = {"Software\\Quistral\\OBX\\2.0", "Software\\Quistral\\OBX\\3.0",
                                    "Software\\Quistral\\OBX\\3.5", "Software\\Quistral\\OBX\\4.0",
                                    "SOFTWARE\\Vantrell\\OBX\\5.0"};

void Check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "property broken: %s\n", what);
        abort();
    }
}

std::vector<std::string> Fields(const uint8_t* data, size_t size)
{
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0x1E) {
            fields.emplace_back();
        } else {
            fields.back() += static_cast<char>(data[i]);
        }
    }
    fields.resize(10);
    return fields;
}

void Arrange(const std::vector<std::string>& fields)
{
    FakeReset();
    Fake().commandLine = fields[0].c_str();
    for (int i = 0; i < 5; ++i) {
        if (!fields[1 + i].empty()) {
            FakeSetValue(i == 4 ? RegistryLocalMachine : RegistryCurrentUser, LocationKeys[i],
                         i == 4 ? "Folder" : "Path", fields[1 + i]);
        }
    }
    // Whatever the target turns out to be, the platform gives this short form.
    LaunchRequest probe = LaunchRequest();
    ParseLaunchRequest(Fake().commandLine.c_str(), &probe);
    if (!fields[6].empty()) {
        Fake().shortPaths[probe.target] = fields[6].c_str();
    }
    Fake().hasSystemDirectory = !fields[7].empty();
    Fake().systemDirectory = fields[7].c_str();
    for (char answer : fields[8]) {
        Fake().boxAnswers.push_back(static_cast<unsigned char>(answer));
    }
    // A pick starting with "?" names a file that is not there (typed in the
    // chooser); the "?" is not part of it.
    bool missing = !fields[9].empty() && fields[9][0] == '?';
    Fake().dialogPicks = !fields[9].empty();
    Fake().dialogPick = fields[9].c_str() + (missing ? 1 : 0);
    if (!missing) {
        Fake().files.insert(Fake().dialogPick);
    }
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool Fits(const std::string& text)
{
    return text.size() <= 2047;
}

void CheckRun(LaunchKind kind)
{
    const FakePlatformState& seen = Fake();
    Check(seen.launches.size() <= 1, "at most one launch");
    Check(seen.boxes.size() <= 1, "at most one message box");
    Check(seen.dialogs.size() <= 1, "at most one chooser");
    if (!seen.launches.empty() && !seen.boxes.empty()) {
        Check(seen.boxes[0].caption == Version2QuestionCaption && seen.boxes[0].style == BoxYesNoQuestionTaskModal,
              "a launch after a box only follows the version-2 question");
        Check(seen.dialogs.size() == 1, "a launch after the question only follows the chooser");
        Check(seen.writes.size() == 1 && !seen.writes[0].text.empty(), "no tool starts from an empty record");
    }
    if (!seen.dialogs.empty()) {
        Check(!seen.boxes.empty() && seen.boxes[0].caption == Version2QuestionCaption, "the chooser follows the question");
    }
    for (const FakeLaunch& launch : seen.launches) {
        Check(Fits(launch.file) && Fits(launch.parameters) && Fits(launch.folder), "shell texts fit a WorkText");
        // A tool is one of the two executables; version 5 hands the shell the
        // target as built, which is empty for a bare "Tipstart.exe ^5".
        if (launch.show == ShowMaximized) {
            Check(EndsWith(launch.file, "\\obx.exe") || EndsWith(launch.file, "\\ob.exe"), "a tool is obx.exe or ob.exe");
            Check(launch.hasParameters, "a tool gets the short target");
        } else {
            Check(launch.show == ShowNormal && !launch.hasParameters, "a document opens alone, in a normal window");
        }
    }
    for (const FakeBox& box : seen.boxes) {
        Check(Fits(box.text) && Fits(box.caption), "box texts fit a WorkText");
    }
    for (const FakeWrite& write : seen.writes) {
        Check(Fits(write.text), "stored texts fit a WorkText");
        Check(write.text.empty() || EndsWith(write.text, "\\"), "a stored record is empty or a folder");
        Check(write.root == RegistryCurrentUser && write.keyPath == LocationKeys[0] && write.valueName == "Path",
              "only the version-2 record is ever written");
    }
    for (const FakeDialog& dialog : seen.dialogs) {
        Check(Fits(dialog.initialFolder), "the initial folder fits a WorkText");
    }
    if (kind == LaunchReset) {
        Check(seen.writes.size() == 1 && seen.writes[0].text.empty(), "a reset writes exactly the empty record");
        Check(seen.launches.empty() && seen.boxes.empty(), "a reset launches and asks nothing");
    } else {
        Check(seen.writes.size() <= 1, "at most one record is stored");
        Check(seen.writes.empty() || !seen.dialogs.empty(), "a record is stored only after the chooser");
    }
    if (kind == LaunchRefused) {
        Check(seen.boxes.size() == 1 && seen.boxes[0].caption == RefusalCaption && seen.launches.empty(),
              "a refused line gets the refusal and nothing else");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> fields = Fields(data, size);
    Arrange(fields);
    LaunchRequest request = LaunchRequest();
    ParseLaunchRequest(Fake().commandLine.c_str(), &request);
    Fake().boxes.clear();
    Check(LauncherMain() == 0, "the run ends with 0");
    CheckRun(request.kind);
    return 0;
}
