#include "checker/input/Project.h"

#include <stdlib.h>

#include <algorithm>
#include <deque>
#include <system_error>
#include <unordered_set>

#include "checker/system/FileBytes.h"
#include "checker/system/FolderListing.h"
#include "checker/system/Names.h"
#include "checker/page/PageReferences.h"
#include "checker/page/PageText.h"
#include "checker/core/TextTools.h"
#include "checker/input/chm/ChmStorage.h"
#include "checker/system/System.h"

namespace fs = std::filesystem;

namespace {

const char Utf8Mark[] = "\xEF\xBB\xBF";

struct ProjectLine {
    std::string section;  // lower case, with its brackets
    std::string text;     // trimmed
    ProjectPlace place;   // of the text
};

// The lines of a project that say something: no blanks, no ";" comments.
std::vector<ProjectLine> ProjectLines(const std::string& text)
{
    std::vector<ProjectLine> lines;
    std::string section;
    size_t at = text.compare(0, 3, Utf8Mark) == 0 ? 3 : 0;
    // Lines end at LF, CRLF or a lone CR, as editors count them.
    for (size_t number = 1; at < text.size(); ++number) {
        size_t end = text.find_first_of("\r\n", at);
        end = end == std::string::npos ? text.size() : end;
        std::string written = text.substr(at, end - at);
        std::string line = Trim(written);
        size_t blanks = written.find_first_not_of(" \t");
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            section = AsciiLower(line);
            continue;
        }
        lines.push_back({section, line, {number, (blanks == std::string::npos ? 0 : blanks) + 1}});
    }
    return lines;
}

// An [OPTIONS] line's key in lower case, and its value.
std::string OptionKey(const std::string& line, std::string* value)
{
    size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return std::string();
    }
    *value = Trim(line.substr(equals + 1));
    return AsciiLower(Trim(line.substr(0, equals)));
}

// The fields of a [WINDOWS] line, after its name: "title","toc","index",...
std::vector<std::string> WindowFields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t equals = line.find('=');
    std::string field;
    bool quoted = false;
    for (size_t at = equals == std::string::npos ? line.size() : equals + 1; at < line.size(); ++at) {
        if (line[at] == '"') {
            quoted = !quoted;
        } else if (line[at] == ',' && !quoted) {
            fields.push_back(Trim(field));
            field.clear();
        } else {
            field += line[at];
        }
    }
    fields.push_back(Trim(field));
    return fields;
}

void AddOnce(const std::string& name, const ProjectPlace& place, std::vector<std::string>* names,
             std::vector<ProjectPlace>* places)
{
    if (!name.empty() && std::find(names->begin(), names->end(), name) == names->end()) {
        names->push_back(name);
        places->push_back(place);
    }
}

// A project's folder is empty when it was given by a bare name.
void ListProjectFolder(const fs::path& folder, std::vector<FolderEntry>* entries)
{
    std::error_code error;
    ListFolder(folder.empty() ? fs::path(".") : folder, entries, &error);
}

bool HasWildcard(const std::string& name)
{
    return name.find_first_of("*?") != std::string::npos;
}

// The entry of entries whose name is key by Windows' rules; empty for none.
std::string EntryWithKey(const std::vector<FolderEntry>& entries, const std::string& key)
{
    for (const FolderEntry& entry : entries) {
        if (NameKey(entry.name) == key) {
            return entry.name;
        }
    }
    return std::string();
}

// The entry of folder that is name by Windows' name rules; empty for none.
std::string EntryNamed(const fs::path& folder, const std::string& name, FolderNames* names)
{
    std::error_code error;
    fs::path written = folder / fs::u8path(name);
    if (fs::exists(written, error)) {
        return SystemEntryName(written.u8string());  // Windows finds it in any case: its own is the one
    }
    if (names) {
        return names->Find(folder, name).entry;
    }
    std::vector<FolderEntry> entries;
    ListProjectFolder(folder, &entries);
    return EntryWithKey(entries, NameKey(name));
}

// The pages a name of [FILES] stands for: the files its wildcards match, in
// the folder's order, or the file it names.
std::vector<fs::path> ListedFiles(const fs::path& folder, const std::string& name, FolderNames* names)
{
    if (!HasWildcard(name)) {
        return {FindProjectFile(folder, name, names)};
    }
    std::string written = name;
    std::replace(written.begin(), written.end(), '\\', '/');
    size_t slash = written.find_last_of('/');
    fs::path where = slash == std::string::npos ? folder : FindProjectFile(folder, written.substr(0, slash), names);
    std::string pattern = NameKey(written.substr(slash == std::string::npos ? 0 : slash + 1));
    std::vector<FolderEntry> entries;
    ListProjectFolder(where, &entries);
    std::vector<fs::path> files;
    for (const FolderEntry& entry : entries) {
        if (entry.type == fs::file_type::regular && GlobMatches(pattern, NameKey(entry.name), false)) {
            files.push_back((where / fs::u8path(entry.name)).lexically_normal());
        }
    }
    return files;
}

// The project's pages as its compiler gathers them, from the files it names
// on: each page read is scanned for the pages it reaches below the folder.
class PageGathering {
public:
    PageGathering(const fs::path& folder, unsigned codePage, FolderNames* names)
        : folder_(folder), codePage_(codePage), names_(names)
    {
    }

    // navigation: a contents or index file, read whatever its extension;
    // loaded: a file a page loads as a script, whatever its name.
    void Add(const fs::path& path, bool navigation, const PageReference* loaded = nullptr)
    {
        std::string key = NameKey(path.generic_u8string());
        std::string name = path.filename().u8string();
        bool page = navigation || ChmIsPageName(name.c_str());
        bool script = ChmIsScriptName(name.c_str()) || (loaded && loaded->loadsScript && !page);
        if (script && !ChmIsScriptName(name.c_str()) && !loadedScripts_.count(path.u8string())) {
            loadedScripts_[path.u8string()] = loaded->language;
        }
        if ((page || script) && seen_.insert(key).second) {
            pages_.push_back(path);
            if (page) {
                waiting_.push_back(path);  // a script reaches no page the compiler takes
            }
        }
    }

    // The scripts gathered whose names say no language, with the one of the
    // tag that loads each, by path.
    const std::unordered_map<std::string, ScriptLanguage>& LoadedScripts() const { return loadedScripts_; }

    std::vector<fs::path> Gather()
    {
        while (!waiting_.empty()) {
            fs::path page = waiting_.front();
            waiting_.pop_front();
            AddReached(page);
        }
        return pages_;
    }

private:
    void AddReached(const fs::path& page)
    {
        std::string bytes;
        std::string reason;
        PageText text;
        if (!ReadWholeFile(page.generic_u8string(), &bytes, &reason) ||
            !ReadTextBytes(bytes.data(), bytes.size(), false, codePage_, &text, &reason)) {
            return;  // reported when the page is checked
        }
        std::string from = page.parent_path().lexically_relative(folder_).generic_u8string();
        for (const PageReference& reference : FindGatheredReferences(text.text, text.size)) {
            std::string target;
            if (!LocalTarget(reference.value, &target)) {
                continue;
            }
            std::string name = target[0] == '/' ? target : from + "/" + target;
            std::vector<std::string> parts = PathParts(name);
            if (parts.empty() || !ResolvePathParts(&parts, false)) {
                continue;  // above the project's folder
            }
            std::string below;
            for (const std::string& part : parts) {
                below += (below.empty() ? "" : "/") + part;
            }
            fs::path found = FindProjectFile(folder_, below, names_);
            std::error_code error;
            if (fs::is_regular_file(found, error)) {
                Add(found, false, &reference);
            }
        }
    }

    fs::path folder_;
    unsigned codePage_;
    FolderNames* names_;
    std::vector<fs::path> pages_;
    std::deque<fs::path> waiting_;
    std::unordered_set<std::string> seen_;
    std::unordered_map<std::string, ScriptLanguage> loadedScripts_;
};

}  // namespace

ProjectListing ReadProjectListing(const std::string& bytes)
{
    ProjectListing listing;
    for (const ProjectLine& line : ProjectLines(bytes)) {
        std::string value;
        // The first Language= counts, as Windows' profile functions read keys.
        if (line.section == "[options]" && OptionKey(line.text, &value) == "language" && !listing.codePage) {
            listing.codePage =
                SystemLanguageCodePage(static_cast<unsigned>(strtoul(value.c_str(), nullptr, 0)));
        }
    }
    std::string text;
    std::vector<size_t> undecodable;
    bool marked = bytes.compare(0, 3, Utf8Mark) == 0;
    unsigned codePage = marked ? Utf8CodePage : listing.codePage ? listing.codePage : DefaultCodePage;
    if (!SystemDecode(codePage, bytes.data(), bytes.size(), &text, &undecodable)) {
        text = bytes;
    }
    for (const ProjectLine& line : ProjectLines(text)) {
        std::string value;
        if (line.section == "[files]") {
            AddOnce(line.text, line.place, &listing.files, &listing.filePlaces);
        } else if (line.section == "[options]") {
            std::string key = OptionKey(line.text, &value);
            if (key == "contents file" || key == "index file") {
                AddOnce(value, line.place, &listing.navigation, &listing.navigationPlaces);
            } else if (key == "compiled file") {
                listing.compiledFile = value;
            }
        } else if (line.section == "[windows]") {
            std::vector<std::string> fields = WindowFields(line.text);
            for (size_t i = 1; i < fields.size() && i <= 2; ++i) {
                AddOnce(fields[i], line.place, &listing.navigation, &listing.navigationPlaces);
            }
        }
    }
    return listing;
}

std::vector<std::string> ProjectFiles(const std::string& bytes)
{
    ProjectListing listing = ReadProjectListing(bytes);
    std::vector<std::string> files = listing.navigation;
    files.insert(files.end(), listing.files.begin(), listing.files.end());
    return files;
}

unsigned ProjectCodePage(const std::string& bytes)
{
    return ReadProjectListing(bytes).codePage;
}

unsigned ProjectCodePageOf(const fs::path& project, ProjectCodePages* codePages)
{
    if (project.empty()) {
        return 0;
    }
    auto known = codePages->find(project.u8string());
    if (known != codePages->end()) {
        return known->second;
    }
    std::string bytes;
    std::string reason;
    unsigned codePage = ReadWholeFile(project.generic_u8string(), &bytes, &reason) ? ProjectCodePage(bytes) : 0;
    (*codePages)[project.u8string()] = codePage;
    return codePage;
}

// A folder's entries: what each leads to by name, and the first in the
// folder's order by key.
struct ListedNames {
    bool listed = false;
    std::unordered_map<std::string, fs::file_type> types;
    std::unordered_map<std::string, std::string> byKey;
};

struct FolderNames::Known {
    SystemLock lock;
    std::unordered_map<std::string, ListedNames> byFolder;
    size_t names = 0;
};

FolderNames::FolderNames() : known_(new Known) {}

FolderNames::~FolderNames() = default;

namespace {

ListedNames ListNames(const fs::path& folder)
{
    ListedNames names;
    std::vector<FolderEntry> entries;
    std::error_code error;
    names.listed = ListFolder(folder.empty() ? fs::path(".") : folder, &entries, &error);
    for (const FolderEntry& entry : entries) {
        names.types.emplace(entry.name, entry.type);
        names.byKey.emplace(NameKey(entry.name), entry.name);
    }
    return names;
}

}  // namespace

ListedName FolderNames::Find(const fs::path& folder, const std::string& name)
{
    enum { MostNames = 1 << 17 };  // kept at once, about 20 MB; a larger folder is kept alone
    std::string where = folder.u8string();
    std::string key = NameKey(name);
    Known& known = *known_;
    known.lock.Lock();
    auto kept = known.byFolder.find(where);
    if (kept == known.byFolder.end()) {
        known.lock.Unlock();
        ListedNames names = ListNames(folder);  // outside the lock: two threads may both list it, once
        known.lock.Lock();
        if (known.names + names.types.size() > MostNames) {
            known.byFolder.clear();
            known.names = 0;
        }
        size_t count = names.types.size();
        auto added = known.byFolder.emplace(where, std::move(names));
        known.names += added.second ? count : 0;
        kept = added.first;
    }
    const ListedNames& names = kept->second;
    ListedName found;
    found.listed = names.listed;
    auto exact = names.types.find(name);
    found.exact = exact == names.types.end() ? fs::file_type::not_found : exact->second;
    auto byKey = names.byKey.find(key);
    if (byKey != names.byKey.end()) {
        found.entry = byKey->second;
        found.type = names.types.find(found.entry)->second;
    }
    known.lock.Unlock();
    return found;
}

fs::path FindProjectFile(const fs::path& folder, const std::string& name, FolderNames* names)
{
    fs::path found = folder;
    std::vector<std::string> parts = RelativeNameParts(name);
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string entry = parts[i] == "." || parts[i] == ".." ? parts[i] : EntryNamed(found, parts[i], names);
        if (entry.empty()) {
            for (; i < parts.size(); ++i) {
                found /= fs::u8path(parts[i]);
            }
            break;
        }
        found /= fs::u8path(entry);
    }
    return found.lexically_normal();
}

bool ReadProject(const fs::path& project, ProjectPages* read, std::string* reason)
{
    std::string bytes;
    if (!ReadWholeFile(project.generic_u8string(), &bytes, reason)) {
        return false;
    }
    ProjectListing listing = ReadProjectListing(bytes);
    read->codePage = listing.codePage;
    // The compiler names the file after the project when it is not told.
    std::string compiled = listing.compiledFile.empty() ? project.stem().u8string() + ".chm" : listing.compiledFile;
    size_t folders = compiled.find_last_of("/\\");
    read->compiledName = compiled.substr(folders == std::string::npos ? 0 : folders + 1);
    fs::path folder = project.parent_path();
    FolderNames names;  // a project may name many files of one folder
    PageGathering gathering(folder, listing.codePage, &names);
    std::vector<fs::path> missing;
    for (size_t i = 0; i < listing.navigation.size(); ++i) {
        fs::path file = FindProjectFile(folder, listing.navigation[i], &names);
        std::error_code error;
        if (fs::is_regular_file(file, error)) {
            gathering.Add(file, true);
        } else {
            missing.push_back(file);
            read->missing.emplace(file.u8string(), MissingListed{listing.navigation[i], listing.navigationPlaces[i]});
        }
    }
    for (size_t i = 0; i < listing.files.size(); ++i) {
        for (const fs::path& file : ListedFiles(folder, listing.files[i], &names)) {
            std::error_code error;
            if (fs::is_regular_file(file, error)) {
                gathering.Add(file, false);
            } else if (ChmIsPageName(file.filename().u8string().c_str())) {
                missing.push_back(file);
                read->missing.emplace(file.u8string(), MissingListed{listing.files[i], listing.filePlaces[i]});
            }
        }
    }
    std::vector<fs::path> gathered = gathering.Gather();
    read->pages.insert(read->pages.end(), gathered.begin(), gathered.end());
    read->loadedScripts = gathering.LoadedScripts();
    read->pages.insert(read->pages.end(), missing.begin(), missing.end());
    return true;
}

std::vector<fs::path> LoadedScriptFiles(const fs::path& folder, const std::vector<PageReference>& references,
                                        std::unordered_map<std::string, ScriptLanguage>* languages)
{
    std::vector<fs::path> scripts;
    for (const PageReference& reference : references) {
        std::string target;
        if (!reference.loadsScript || !LocalTarget(UrlText(reference.value), &target) || target[0] == '/') {
            continue;
        }
        fs::path script = FindProjectFile(folder, target).lexically_normal();
        std::error_code error;
        if (!fs::is_regular_file(script, error)) {
            continue;
        }
        script = ListedPath(script);
        scripts.push_back(script);
        if (!ChmIsScriptName(script.filename().u8string().c_str())) {
            languages->emplace(script.u8string(), reference.language);
        }
    }
    return scripts;
}

fs::path ListedPath(const fs::path& found)
{
    fs::path listed;
    for (const fs::path& part : found) {
        std::string name = part.u8string();
        std::vector<FolderEntry> entries;
        std::error_code error;
        if (name != "." && name != ".." && ListFolder(listed.empty() ? fs::path(".") : listed, &entries, &error)) {
            for (const FolderEntry& entry : entries) {
                if (NameKey(entry.name) == NameKey(name)) {
                    name = entry.name;
                    break;
                }
            }
        }
        listed /= fs::u8path(name);
    }
    return listed;
}
