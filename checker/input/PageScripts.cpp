#include "checker/input/PageScripts.h"

#include <algorithm>

#include <filesystem>
#include <system_error>

#include "checker/core/TextTools.h"
#include "checker/input/Project.h"
#include "checker/input/chm/ChmStorage.h"
#include "checker/page/PageReferences.h"
#include "checker/page/PageText.h"
#include "checker/system/FileBytes.h"
#include "checker/system/Names.h"

namespace fs = std::filesystem;

namespace {

// The file src names from a page on disk, as its folders list it, so that
// both builds show one name whatever case the src is written in.
bool FindBeside(const Input& page, const std::string& src, fs::path* file)
{
    std::string target;
    if (!LocalTarget(UrlText(src), &target) || target.empty() || target[0] == '/') {
        return false;
    }
    fs::path found = FindProjectFile(page.path.parent_path(), target).lexically_normal();
    std::error_code error;
    if (!fs::is_regular_file(found, error)) {
        return false;
    }
    *file = ListedPath(found);
    return true;
}

// The members' names and keys, made once they are all known.
const HelpMembers& KnownMembers(HelpMembers* members)
{
    if (members->keys.empty()) {
        for (const std::string& member : members->listing->members) {
            std::string name = member.substr(member[0] == '/' ? 1 : 0);
            members->keys.insert(NameKey(name));
            members->names.insert(name);
        }
    }
    return *members;
}

bool HeldAmong(const HelpMembers& members, const std::string& path)
{
    return members.names.count(path) > 0 || members.keys.count(NameKey(path)) > 0;
}

bool MembersHold(HelpMembers* members, const std::string& path)
{
    return HeldAmong(KnownMembers(members), path);
}

// The scripts a page loads (<script src>) whose names are no script's or
// page's, as members: the rest are read as the pages are.
void NoteLoadedScripts(const std::vector<PageReference>& references, const std::string& member,
                       HelpMembers* members)
{
    std::string folder = member.substr(0, member.find_last_of('/') + 1);
    for (const PageReference& reference : references) {
        std::string target;
        if (!reference.loadsScript || !LocalTarget(UrlText(reference.value), &target)) {
            continue;
        }
        std::vector<std::string> parts = PathParts(target[0] == '/' ? target : folder + target);
        if (parts.empty() || !ResolvePathParts(&parts, false)) {
            continue;
        }
        std::string name;
        for (const std::string& part : parts) {
            name += "/" + part;
        }
        if (!ChmIsPageName(name.c_str()) && !ChmIsScriptName(name.c_str())) {
            members->loadedScripts.emplace(AsciiLower(name), reference.language);
        }
    }
}
}  // namespace

bool DiskScriptFiles::Read(const std::string& src, std::string* text, Place* place)
{
    fs::path script;
    std::string bytes;
    std::string reason;
    PageText decoded;
    if (!FindBeside(page_, src, &script) || !ReadWholeFile(script.generic_u8string(), &bytes, &reason) ||
        !ReadTextFile(script.generic_u8string(), &bytes, false, page_.codePage, &decoded, &reason)) {
        return false;
    }
    text->assign(decoded.text, decoded.size);
    *place = {script.generic_u8string(), std::string(), 0, 0};
    return true;
}

bool DiskScriptFiles::Holds(const std::string& src)
{
    fs::path file;
    return FindBeside(page_, src, &file);
}

std::string MemberOf(const std::string& page, const std::string& src)
{
    std::string target;
    if (!LocalTarget(UrlText(src), &target) || target.empty()) {
        return std::string();
    }
    std::string folder = target[0] == '/' ? std::string() : page.substr(0, page.find_last_of('/') + 1);
    std::vector<std::string> parts = PathParts(folder + target);
    if (parts.empty() || !ResolvePathParts(&parts, false)) {
        return std::string();
    }
    std::string member;
    for (const std::string& part : parts) {
        member += (member.empty() ? "" : "/") + part;
    }
    return member;
}

bool HelpScriptFiles::Read(const std::string& src, std::string* text, Place* place)
{
    auto script = members_->scripts.find(NameKey(MemberOf(page_, src)));
    if (script == members_->scripts.end()) {
        return false;
    }
    *text = script->second.text;
    *place = {members_->shown, "/" + script->second.member, 0, 0};
    return true;
}

bool HelpScriptFiles::MayHoldAny(const std::vector<std::string>& srcs)
{
    if (!members_->listing->membersListed) {
        return true;  // not known yet
    }
    return std::any_of(srcs.begin(), srcs.end(),
                       [this](const std::string& src) { return MembersHold(members_, MemberOf(page_, src)); });
}

bool HelpScriptFiles::Holds(const std::string& src)
{
    // Not known: the image counts as missing.
    return members_->listing->membersListed && MembersHold(members_, MemberOf(page_, src));
}


std::function<bool(const std::string& path)> MembersHolds(HelpMembers* members)
{
    // Made here, on the run's thread: the predicate only looks them up.
    const HelpMembers& known = KnownMembers(members);
    return [&known](const std::string& path) { return HeldAmong(known, path); };
}

void NoteHelpText(const std::string& member, bool isPage, const char* text, size_t size,
                  const std::vector<PageReference>& references, HelpMembers* members)
{
    if (!isPage) {
        std::string name = member.substr(1);
        members->scripts[NameKey(name)] = {name, std::string(text, size)};
    } else {
        NoteLoadedScripts(references, member, members);
    }
}
