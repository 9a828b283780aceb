#include "tests/host/FakePlatform.h"

#include <string.h>

namespace {

FakePlatformState state;

}  // namespace

FakePlatformState& Fake()
{
    return state;
}

void FakeReset()
{
    state = FakePlatformState();
}

void FakeSetValue(RegistryRoot root, const std::string& key, const std::string& name, const std::string& bytes)
{
    state.registry[FakeKey(root, key)][name] = bytes;
}

std::string FakeValue(RegistryRoot root, const std::string& key, const std::string& name)
{
    auto found = state.registry.find(FakeKey(root, key));
    if (found == state.registry.end() || found->second.count(name) == 0) {
        return "<absent>";
    }
    return found->second[name];
}

const char* PlatformCommandLine()
{
    return state.commandLine.c_str();
}

WindowHandle PlatformActiveWindow()
{
    return state.activeWindow;
}

int PlatformMessageBox(WindowHandle owner, const char* text, const char* caption, unsigned style)
{
    state.boxes.push_back({owner, text, caption, style});
    if (state.boxAnswers.empty()) {
        return 1;
    }
    int answer = state.boxAnswers.front();
    state.boxAnswers.erase(state.boxAnswers.begin());
    return answer;
}

void PlatformShortPathName(const char* longPath, char* buffer, size_t capacity)
{
    auto found = state.shortPaths.find(longPath);
    if (found != state.shortPaths.end() && found->second.size() < capacity) {
        memcpy(buffer, found->second.c_str(), found->second.size() + 1);
    }
}

bool PlatformFileExists(const char* path)
{
    return state.files.count(path) != 0;
}

void PlatformSystemDirectory(char* buffer, size_t capacity)
{
    if (state.hasSystemDirectory && state.systemDirectory.size() < capacity) {
        memcpy(buffer, state.systemDirectory.c_str(), state.systemDirectory.size() + 1);
    }
}

void PlatformShellOpen(const char* file, const char* parameters, const char* folder, ShowCommand show)
{
    state.launches.push_back({file, parameters != nullptr, parameters ? parameters : "", folder, show});
}

bool PlatformRegistryRead(RegistryRoot root, const char* keyPath, const char* valueName, char* buffer,
                          size_t capacity, size_t* size)
{
    auto key = state.registry.find(FakeKey(root, keyPath));
    if (key == state.registry.end()) {
        return false;
    }
    auto value = key->second.find(valueName);
    if (value == key->second.end()) {
        return false;
    }
    *size = value->second.size();
    if (value->second.size() > capacity) {
        // Windows leaves the buffer's contents undefined here: model the worst.
        memset(buffer, 'X', capacity);
        return false;
    }
    memcpy(buffer, value->second.data(), value->second.size());
    return true;
}

void PlatformRegistryWriteText(RegistryRoot root, const char* keyPath, const char* valueName, const char* text)
{
    state.writes.push_back({root, keyPath, valueName, text});
    state.registry[FakeKey(root, keyPath)][valueName] = std::string(text, strlen(text) + 1);
}

bool PlatformOpenFileDialog(const char* title, const char* filterList, WindowHandle owner, const char* initialFolder,
                            char* file, size_t fileCapacity, char*, size_t fileTitleCapacity)
{
    size_t listLength = 0;
    while (filterList[listLength] || filterList[listLength + 1]) {
        ++listLength;
    }
    state.dialogs.push_back(
        {title, std::string(filterList, listLength + 2), owner, initialFolder, fileCapacity, fileTitleCapacity});
    if (!state.dialogPicks || state.dialogPick.size() >= fileCapacity) {
        return false;
    }
    memcpy(file, state.dialogPick.c_str(), state.dialogPick.size() + 1);
    return true;
}
