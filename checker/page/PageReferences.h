// The pages a page names: its links (a, area and link href, frame, iframe
// and img src) and, in contents and index files, the Local of each entry.
// Two programs read them: the compiler, which gathers a project's pages,
// and the viewer, which follows links. Each reads the markup its own way.
#pragma once

#include <stddef.h>

#include <string>
#include <string_view>
#include <vector>

#include "checker/page/Markup.h"
#include "checker/script/ScriptReader.h"

struct PageReference {
    size_t offset;      // of the value in the page's text
    std::string value;  // character references decoded
    bool loadsScript = false;  // a <script src>: the file is a script whatever its name
    ScriptLanguage language = ScriptJScript;  // then the one its tag names
};

// The attribute of a tag that names a page or a file it loads ("href" of
// "a"), or empty. chmcmd, the compiler that judges which files a project
// ships, takes the files of a href, link href, img src and script src
// (gathered), not those of frames or areas.
std::string_view ReferringAttribute(std::string_view tag, bool* gathered);

// Whether a <param>'s name is Local, in any case: a contents or index entry's page.
bool IsLocalParam(const char* text, const std::vector<Attribute>& attributes);

// The references of a page's UTF-8 text that the compiler takes, in their
// order, as chmcmd finds them: the Local of each entry, and links outside
// comments, scripts and style sheets; text elements such as <textarea> are
// read as markup. (The viewer's are found with the page's links.)
std::vector<PageReference> FindGatheredReferences(const char* text, size_t size);

// A reference as a URL parser reads it: without the ASCII tabs and line
// ends it holds (WHATWG URL Standard, "basic URL parser").
std::string UrlText(const std::string& reference);

// The page a reference names inside the help file: its path with "/",
// #fragment and ?query dropped, % escapes decoded. False for a reference to
// no local page: a URL with a scheme (http:, mailto:, javascript:, ms-its:...),
// a server's share (//server/share), an empty one, a fragment of the page
// itself, or one whose escapes do not make UTF-8 (the viewer reads those in
// the page's code page).
bool LocalTarget(const std::string& reference, std::string* target);

// The folder a page's <base href> sets for its relative references, from
// the page's own folder ("sub/" for "sub/x.htm"); false when the base is
// not a local page, so that its relative references are not known.
bool BaseFolder(const std::string& base, std::string* folder);
