#include "checker/Input.h"

#include "checker/Project.h"
#include "checker/TextTools.h"
#include "checker/chm/ChmStorage.h"
#include "checker/system/System.h"

namespace fs = std::filesystem;

const char* const ListExtension = ".txt";

namespace {

unsigned CachedProjectCodePage(const fs::path& project, ProjectCodePages* codePages)
{
    if (project.empty()) {
        return 0;
    }
    auto known = codePages->find(project.u8string());
    if (known != codePages->end()) {
        return known->second;
    }
    unsigned codePage = ReadProjectCodePage(project);
    (*codePages)[project.u8string()] = codePage;
    return codePage;
}

}  // namespace

InputKind KindOfName(const std::string& name)
{
    std::string lower = AsciiLower(name);
    size_t dot = lower.find_last_of('.');
    std::string extension = dot == std::string::npos ? std::string() : lower.substr(dot);
    if (extension == ".chm") {
        return InputHelp;
    }
    if (extension == ".hhp") {
        return InputProject;
    }
    if (extension == ListExtension) {
        return InputList;
    }
    return ChmIsPageName(lower.c_str()) ? InputPage : InputOther;
}

std::string ShownPath(const fs::path& path)
{
    return path.generic_u8string();
}

Input DecideInput(const fs::path& path, InputKind kind, const fs::path& limit, const fs::path& listedBy,
                  const FolderOptions& options, FolderChoice* choice, ProjectCodePages* codePages)
{
    Input input;
    input.path = path;
    input.shown = ShownPath(path);
    input.kind = kind;
    input.limit = limit;
    if (kind == InputProject) {
        input.project = path;
        input.codePage = CachedProjectCodePage(path, codePages);
        return input;
    }
    HelpFolders folders = ChooseFolders(path, kind == InputHelp, limit, options, choice);
    input.documentsFolder = folders.documents;
    if (kind == InputHelp) {
        input.codePage = SystemLanguageCodePage(ChmReadLanguage(input.shown.c_str()));
    } else if (kind == InputPage) {
        input.project = listedBy;
        input.codePage = CachedProjectCodePage(listedBy, codePages);
        if (!input.codePage) {
            input.project = folders.project;
            input.codePage = CachedProjectCodePage(folders.project, codePages);
        }
    }
    return input;
}
