#include "checker/Input.h"

#include <system_error>

#include "checker/TextTools.h"
#include "checker/chm/ChmStorage.h"
#include "checker/system/System.h"

namespace fs = std::filesystem;

const char* const ListExtension = ".txt";

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

std::vector<Input> DecideInputs(const fs::path& path, const fs::path& given, const FolderOptions& options,
                                InputCaches* caches)
{
    Input input;
    input.path = path;
    input.shown = path.generic_u8string();
    input.kind = KindOfName(path.filename().u8string());
    if (input.kind == InputOther) {
        return {input};
    }
    // A project stands for the pages it lists, in its language; it is read
    // before it is known to be new to the run, which is rare.
    std::vector<fs::path> files = {path};
    unsigned listingCodePage = 0;
    if (input.kind == InputProject && !ReadProject(path, &files, &listingCodePage, &input.problem)) {
        files.resize(1);
    }
    std::vector<Input> inputs;
    for (size_t i = 0; i < files.size(); ++i) {
        bool listed = i > 0;
        Input file = input;
        if (listed) {
            file = Input();
            file.path = files[i];
            file.shown = files[i].generic_u8string();
            file.kind = InputPage;
            file.project = path;
            file.codePage = listingCodePage;
            std::error_code error;
            if (!fs::is_regular_file(files[i], error)) {
                file.problem = "is listed in " + input.shown + " but is not a file";
                inputs.push_back(file);
                continue;
            }
        }
        HelpFolders folders = ChooseFolders(files[i], file.kind == InputHelp, given, options, &caches->folders);
        // The full path is compared as written: resolving links would cost a
        // system call per folder of every page.
        if (!caches->checked.insert(folders.absolute.u8string()).second) {
            if (!listed) {
                return inputs;
            }
            continue;
        }
        file.documentsFolder = folders.documents;
        if (file.kind == InputPage && !file.codePage) {
            file.project = folders.project;
            file.codePage = ProjectCodePageOf(folders.project, &caches->codePages);
        } else if (file.kind == InputHelp) {
            file.codePage = SystemLanguageCodePage(ChmReadLanguage(file.shown.c_str()));
        }
        if (file.kind != InputProject || !file.problem.empty()) {
            inputs.push_back(file);
        }
    }
    return inputs;
}
