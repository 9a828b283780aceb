#include "checker/FolderChoice.h"

#include <algorithm>
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

// Whether folder is limit or lies below it.
bool WithinLimit(const fs::path& folder, const fs::path& limit)
{
    auto mismatch = std::mismatch(limit.begin(), limit.end(), folder.begin(), folder.end());
    return mismatch.first == limit.end();
}

fs::path Absolute(const fs::path& path)
{
    std::error_code error;
    return fs::absolute(path, error).lexically_normal();
}

// The nearest folder at or above file, up to limit, for which found holds.
template <typename Found>
fs::path SearchUp(const fs::path& file, const fs::path& limit, FolderChoice* choice, Found found)
{
    fs::path top = Absolute(limit);
    for (fs::path folder = Absolute(file).parent_path(); WithinLimit(folder, top); folder = folder.parent_path()) {
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

fs::path SearchLimit(const fs::path& given, const FolderChoice& choice)
{
    fs::path path = Absolute(given);
    fs::path working = Absolute(choice.workingFolder);
    if (WithinLimit(path, working)) {
        return working;
    }
    std::error_code error;
    return fs::is_directory(path, error) ? path : path.parent_path();
}

std::string DocumentsFolder(const fs::path& file, bool compiled, const fs::path& limit, FolderChoice* choice)
{
    if (!choice->exeFolder.empty()) {
        return choice->exeFolder;
    }
    fs::path folder = SearchUp(file, limit, choice, [](const FolderFacts& facts) { return facts.tipstart; });
    if (folder.empty() && !compiled) {
        folder = NearestProject(file, limit, choice).parent_path();
    }
    if (folder.empty()) {
        folder = Absolute(file).parent_path();
    }
    return folder.generic_u8string();
}

fs::path NearestProject(const fs::path& file, const fs::path& limit, FolderChoice* choice)
{
    fs::path folder =
        SearchUp(file, limit, choice, [](const FolderFacts& facts) { return !facts.project.empty(); });
    return folder.empty() ? fs::path() : FactsOf(folder, choice).project;
}
