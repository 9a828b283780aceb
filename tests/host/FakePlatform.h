// A scripted stand-in for the platform operations, linked into the host tests
// in place of the Win32 ones. It records every box, launch, dialog and
// registry write so that a test can assert what a user or the tool would see.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

struct FakeBox {
    WindowHandle owner;
    std::string text;
    std::string caption;
    unsigned style;
};

struct FakeLaunch {
    std::string file;
    bool hasParameters;
    std::string parameters;
    std::string folder;
    int show;
};

struct FakeDialog {
    std::string title;
    std::string filterList;  // up to and including the double NUL
    WindowHandle owner;
    std::string initialFolder;
    size_t fileCapacity;
    size_t fileTitleCapacity;
};

struct FakeWrite {
    RegistryRoot root;
    std::string keyPath;
    std::string valueName;
    std::string text;
};

typedef std::pair<RegistryRoot, std::string> FakeKey;
typedef std::map<std::string, std::string> FakeValues;  // raw bytes of each value

struct FakePlatformState {
    std::string commandLine;
    WindowHandle activeWindow = nullptr;
    std::map<FakeKey, FakeValues> registry;
    std::map<std::string, std::string> shortPaths;
    std::set<std::string> files;  // paths that exist as files
    bool hasSystemDirectory = true;
    std::string systemDirectory = "C:\\WINDOWS\\system32";
    std::vector<int> boxAnswers;  // taken in order; 1 (OK) once they run out
    bool dialogPicks = false;
    std::string dialogPick;

    std::vector<FakeBox> boxes;
    std::vector<FakeLaunch> launches;
    std::vector<FakeDialog> dialogs;
    std::vector<FakeWrite> writes;
};

FakePlatformState& Fake();
void FakeReset();

void FakeSetValue(RegistryRoot root, const std::string& key, const std::string& name, const std::string& bytes);
// The value's bytes, or "<absent>" when the key or value does not exist.
std::string FakeValue(RegistryRoot root, const std::string& key, const std::string& name);
