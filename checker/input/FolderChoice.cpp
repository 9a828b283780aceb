#include "checker/input/FolderChoice.h"

#include <algorithm>
#include <system_error>

#include "checker/input/Configuration.h"
#include "checker/system/Names.h"
#include "checker/system/FolderListing.h"
#include "checker/core/TextTools.h"

namespace fs = std::filesystem;

namespace {

const FolderFacts& FactsOf(const fs::path& folder, FolderChoice* choice)
{
    std::string key = folder.u8string();
    auto known = choice->facts.find(key);
    if (known != choice->facts.end()) {
        return known->second;
    }
    FolderFacts& facts = choice->facts[key];
    std::vector<FolderEntry> entries;
    std::error_code error;
    ListFolder(folder, &entries, &error);
    for (const FolderEntry& entry : entries) {
        // A worktree's .git is a file; a repository's, a folder.
        facts.repository = facts.repository || entry.name == ".git" || entry.name == ".hg" || entry.name == ".svn";
        if (entry.type != fs::file_type::regular) {
            continue;
        }
        std::string lower = AsciiLower(entry.name);
        if (lower == "tipstart.exe") {
            facts.tipstart = true;
        } else if (lower == ConfigurationName) {
            facts.configuration = folder / fs::u8path(entry.name);
        } else if (facts.project.empty() && EndsWithNoCase(lower.c_str(), lower.size(), ".hhp") && lower.size() > 4) {
            facts.project = folder / fs::u8path(entry.name);  // the first by name
        }
    }
    return facts;
}

// The nearest folder at or above a file (its absolute path), up to its
// repository's root, for which found holds.
template <typename Found>
fs::path SearchUp(const fs::path& absoluteFile, FolderChoice* choice, Found found)
{
    for (fs::path folder = absoluteFile.parent_path();; folder = folder.parent_path()) {
        const FolderFacts& facts = FactsOf(folder, choice);
        if (found(facts)) {
            return folder;
        }
        if (facts.repository || folder == folder.parent_path()) {
            return fs::path();
        }
    }
}

}  // namespace

bool PathWithin(const fs::path& path, const fs::path& folder)
{
    const fs::path::string_type& inner = path.native();
    const fs::path::string_type& outer = folder.native();
    auto separator = [](fs::path::value_type c) { return c == '/' || c == '\\'; };
    if (inner.compare(0, outer.size(), outer) != 0) {
        return false;
    }
    return inner.size() == outer.size() || separator(inner[outer.size()]) || (!outer.empty() && separator(outer.back()));
}

std::string ShownPath(const fs::path& path, const FolderOptions& options)
{
    fs::path working = options.workingFolder.lexically_normal();
    return (PathWithin(path, working) ? path.lexically_relative(working) : path).generic_u8string();
}

fs::path AbsolutePath(const fs::path& path, const FolderOptions& options)
{
    fs::path joined = path.is_absolute() ? path : options.workingFolder / path;
    // Most paths a walk gives are normal already: not made again. Read as
    // written (a generic form drops doubled separators).
    if (!IsPlainAbsolutePath(joined.u8string())) {
        joined = joined.lexically_normal();
    }
    return joined;
}

fs::path RepositoryRoot(const fs::path& file, const FolderOptions& options, FolderChoice* choice)
{
    return SearchUp(AbsolutePath(file, options), choice, [](const FolderFacts& facts) { return facts.repository; });
}

namespace {

// Every file of a folder gets the same answers: they are found once.
// absoluteFile: the file's absolute and normal path.
const FolderAnswer& AnswerFor(const fs::path& absoluteFile, const FolderOptions& options, FolderChoice* choice)
{
    // The folder of a plain path is the text before its last "/": most
    // files of a walk are asked so, without a path taken apart.
    std::string file = absoluteFile.u8string();
    std::string key = IsPlainAbsolutePath(file) ? file.substr(0, std::max<size_t>(file.rfind('/'), 1))
                                                : absoluteFile.parent_path().u8string();
    auto known = choice->answers.find(key);
    if (known != choice->answers.end()) {
        return known->second;
    }
    fs::path own = absoluteFile.parent_path();
    FolderAnswer& answer = choice->answers[key];
    auto hasTipstart = [](const FolderFacts& facts) { return facts.tipstart; };
    auto hasProject = [](const FolderFacts& facts) { return !facts.project.empty(); };
    auto hasConfiguration = [](const FolderFacts& facts) { return !facts.configuration.empty(); };
    fs::path exe = SearchUp(absoluteFile, choice, hasTipstart);
    fs::path project = SearchUp(absoluteFile, choice, hasProject);
    answer.project = project.empty() ? fs::path() : FactsOf(project, choice).project;
    if (options.searchConfiguration) {
        fs::path configuration = SearchUp(absoluteFile, choice, hasConfiguration);
        answer.configuration = configuration.empty() ? fs::path() : FactsOf(configuration, choice).configuration;
    }
    answer.documents[0] = (!exe.empty() ? exe : !project.empty() ? project : own).generic_u8string();
    answer.documents[1] = (!exe.empty() ? exe : own).generic_u8string();
    return answer;
}

}  // namespace

HelpFolders ChooseFolders(const fs::path& file, bool compiled, const FolderOptions& options, FolderChoice* choice)
{
    HelpFolders folders = {AbsolutePath(file, options), options.exeFolder, fs::path(), fs::path()};
    if (compiled && !options.exeFolder.empty() && !options.searchConfiguration) {
        return folders;  // no folder needs reading
    }
    const FolderAnswer& answer = AnswerFor(folders.absolute, options, choice);
    if (options.exeFolder.empty()) {
        folders.documents = answer.documents[compiled ? 1 : 0];
    }
    folders.project = compiled ? fs::path() : answer.project;
    folders.configuration = answer.configuration;
    return folders;
}
