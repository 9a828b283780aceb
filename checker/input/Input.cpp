#include "checker/input/Input.h"

#include <stdio.h>
#include <string.h>

#include <system_error>

#include "checker/system/FileBytes.h"
#include "checker/system/Names.h"
#include "checker/core/TextTools.h"
#include "checker/input/chm/ChmStorage.h"
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
    return ChmIsPageName(lower.c_str()) ? InputPage : ChmIsScriptName(lower.c_str()) ? InputScript : InputOther;
}

namespace {

// The kind of the file whose signature was read last: a folder's walk reads
// it and hands the file on at once to be decided, which takes it from here
// instead of opening the file again.
struct SignatureRead {
    std::string path;
    InputKind kind;
};

SignatureRead& LastSignature()
{
    static SignatureRead last = {std::string(), InputOther};
    return last;
}

InputKind KindOfFileToDecide(const fs::path& path)
{
    SignatureRead& last = LastSignature();
    if (!last.path.empty() && last.path == path.u8string()) {
        last.path.clear();  // taken once
        return last.kind;
    }
    return KindOfFile(path);
}

// A compiled help file starts with its signature, whatever its name.
InputKind KindOfSignature(InputKind named, const char* signature, size_t got)
{
    return got == 4 && memcmp(signature, "ITSF", 4) == 0 ? InputHelp : named;
}

}  // namespace

void KnowFileKind(const fs::path& path, const std::string& head)
{
    InputKind named = KindOfName(path.filename().u8string());
    bool told = named != InputHelp && named != InputProject;
    LastSignature() = {path.u8string(), told ? KindOfSignature(named, head.data(), head.size()) : named};
}

InputKind KindOfFile(const fs::path& path)
{
    InputKind named = KindOfName(path.filename().u8string());
    if (named == InputHelp || named == InputProject) {
        return named;
    }
    char signature[4] = {};
    std::string name = path.u8string();
    size_t got = 0;
    if (named == InputPage || named == InputScript) {
        // Read whole now, as its check reads it, so that the file is opened once.
        got = ReadAhead(path.generic_u8string(), signature, sizeof signature);
    } else {
        FILE* file = fopen(name.c_str(), "rb");
        if (file) {
            setvbuf(file, nullptr, _IONBF, 0);  // four bytes are read, not a buffer's worth
            got = fread(signature, 1, sizeof signature, file);
            fclose(file);
        }
    }
    InputKind kind = KindOfSignature(named, signature, got);
    if (kind == InputHelp) {
        DropReadAhead();  // a compiled help file is read by its reader
    }
    LastSignature() = {name, kind};
    return kind;
}

// The text kind of a page, list or script input: a script by its name, or
// by the tag that loads it when its name says no language.
TextKind TextKindOfInput(const Input& input)
{
    if (input.kind == InputList) {
        return TextList;
    }
    TextKind named = TextKindOfName(input.shown);
    if (input.kind != InputScript || named != TextPage) {
        return named;
    }
    return input.scriptLanguage == ScriptVBScript ? TextVBScript : TextJScript;
}

std::vector<Input> DecideInputs(const fs::path& path, const FolderOptions& options, InputCaches* caches)
{
    Input input;
    input.path = path;
    input.shown = path.generic_u8string();
    input.kind = KindOfFileToDecide(path);
    // A file a page loads as a script is one whatever its name.
    auto loaded = caches->loadedScripts.find(path.u8string());
    if (loaded != caches->loadedScripts.end() && input.kind != InputHelp) {
        input.kind = InputScript;
        input.scriptLanguage = loaded->second;
    }
    if (input.kind == InputOther) {
        return {input};
    }
    // A project stands for the pages it lists, in its language; it is read
    // before it is known to be new to the run, which is rare.
    ProjectPages project;
    if (input.kind == InputProject) {
        if (!ReadProject(path, &project, &input.problem)) {
            project = ProjectPages();  // it stands for nothing: its problem is said
        }
        caches->compiledNames[path.u8string()] = project.compiledName;
        std::unordered_set<std::string>& pages = caches->projectPages[path.u8string()];
        for (const fs::path& page : project.pages) {
            std::error_code error;
            if (fs::is_regular_file(page, error)) {
                pages.insert(NameKey(page.lexically_relative(path.parent_path()).generic_u8string()));
            }
        }
    }
    unsigned listingCodePage = project.codePage;
    std::string projectShown = input.kind == InputProject ? input.shown : std::string();
    std::vector<Input> inputs;
    // The file itself, then the pages its project lists.
    for (size_t i = 0; i <= project.pages.size(); ++i) {
        bool listed = i > 0;
        const fs::path& found = listed ? project.pages[i - 1] : path;
        Input file = listed ? Input() : std::move(input);
        if (listed) {
            file.path = found;
            file.shown = found.generic_u8string();
            auto loaded = project.loadedScripts.find(found.u8string());
            bool script = KindOfName(found.filename().u8string()) == InputScript || loaded != project.loadedScripts.end();
            file.kind = script ? InputScript : InputPage;
            file.scriptLanguage = loaded != project.loadedScripts.end() ? loaded->second : ScriptJScript;
            file.project = path;
            file.codePage = listingCodePage;
            file.gathered = true;
            std::error_code error;
            if (!fs::is_regular_file(found, error)) {
                file.problem = "is listed in " + Quoted(projectShown) + " but is not a file";
                auto named = project.missing.find(found.u8string());
                if (named != project.missing.end()) {
                    file.listedMissing = named->second;
                }
                inputs.push_back(std::move(file));
                continue;
            }
        }
        HelpFolders folders = ChooseFolders(found, file.kind == InputHelp, options, &caches->folders);
        // The full path is compared as written: resolving links would cost a
        // system call per folder of every page.
        if (!caches->checked.insert(folders.absolute.u8string()).second) {
            if (!listed) {
                return inputs;
            }
            continue;
        }
        file.documentsFolder = folders.documents;
        file.configuration = caches->givenConfiguration;
        if (file.configuration < 0 && !folders.configuration.empty()) {
            // Shown below the working folder, as the files given are.
            std::string shown = ShownPath(folders.configuration, options);
            file.configuration =
                ConfigurationAt(folders.configuration, shown, &caches->configurations, &caches->configurationError);
            if (file.configuration < 0) {
                return {};
            }
        }
        if (file.configuration >= 0) {
            caches->configurationOf[file.shown] = file.configuration;
            const Configuration& configuration = caches->configurations[file.configuration];
            if (options.exeFolder.empty() && !configuration.exeFolder.empty()) {
                file.documentsFolder = configuration.exeFolder;
            }
            file.installFolder = configuration.installFolder;
        }
        if ((file.kind == InputPage || file.kind == InputScript) && !listed) {
            file.project = folders.project;
            file.codePage = ProjectCodePageOf(folders.project, &caches->codePages);
        } else if (file.kind == InputHelp) {
            file.codePage = SystemLanguageCodePage(ChmReadLanguage(file.shown.c_str()));
        }
        if (file.kind != InputProject || !file.problem.empty()) {
            file.textKind = TextKindOfInput(file);
            inputs.push_back(std::move(file));
        }
    }
    return inputs;
}
