#include "checker/FolderChoice.h"

#include <system_error>

#include "checker/Names.h"

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
    std::error_code error;
    std::string firstProject;
    for (fs::directory_iterator entries(folder, error); !error && entries != fs::directory_iterator();
         entries.increment(error)) {
        std::error_code kindError;
        if (!entries->is_regular_file(kindError)) {
            continue;
        }
        std::string name = entries->path().filename().u8string();
        std::string lower = AsciiLower(name);
        if (lower == "tipstart.exe") {
            facts.tipstart = true;
        } else if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".hhp") == 0 &&
                   (firstProject.empty() || name < firstProject)) {
            firstProject = name;
        }
    }
    if (!firstProject.empty()) {
        facts.project = folder / fs::u8path(firstProject);
    }
    return facts;
}

// The nearest folder at or above file, up to limit, for which found holds.
template <typename Found>
fs::path SearchUp(const fs::path& file, const fs::path& limit, FolderChoice* choice, Found found)
{
    fs::path top = AbsolutePath(limit, *choice);
    for (fs::path folder = AbsolutePath(file, *choice).parent_path(); PathWithin(folder, top);
         folder = folder.parent_path()) {
        if (found(FactsOf(folder, choice))) {
            return folder;
        }
        if (folder == folder.parent_path()) {
            break;
        }
    }
    return fs::path();
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

fs::path AbsolutePath(const fs::path& path, const FolderChoice& choice)
{
    return (path.is_absolute() ? path : choice.workingFolder / path).lexically_normal();
}

fs::path SearchLimit(const fs::path& given, const FolderChoice& choice)
{
    fs::path path = AbsolutePath(given, choice);
    fs::path working = choice.workingFolder.lexically_normal();
    if (PathWithin(path, working)) {
        return working;
    }
    std::error_code error;
    return fs::is_directory(path, error) ? path : path.parent_path();
}

namespace {

// Every file of a folder gets the same answers: they are found once.
const FolderAnswer& AnswerFor(const fs::path& file, const fs::path& limit, FolderChoice* choice)
{
    std::string key = file.parent_path().u8string() + '\0' + limit.u8string();
    auto known = choice->answers.find(key);
    if (known != choice->answers.end()) {
        return known->second;
    }
    FolderAnswer& answer = choice->answers[key];
    fs::path exe = SearchUp(file, limit, choice, [](const FolderFacts& facts) { return facts.tipstart; });
    fs::path project = SearchUp(file, limit, choice, [](const FolderFacts& facts) { return !facts.project.empty(); });
    answer.project = project.empty() ? fs::path() : FactsOf(project, choice).project;
    fs::path own = AbsolutePath(file, *choice).parent_path();
    answer.documents[0] = (!exe.empty() ? exe : !project.empty() ? project : own).generic_u8string();
    answer.documents[1] = (!exe.empty() ? exe : own).generic_u8string();
    return answer;
}

}  // namespace

std::string DocumentsFolder(const fs::path& file, bool compiled, const fs::path& limit, FolderChoice* choice)
{
    if (!choice->exeFolder.empty()) {
        return choice->exeFolder;
    }
    return AnswerFor(file, limit, choice).documents[compiled ? 1 : 0];
}

fs::path NearestProject(const fs::path& file, const fs::path& limit, FolderChoice* choice)
{
    return AnswerFor(file, limit, choice).project;
}
