// The pages a page names: its links (a, area and link href, frame, iframe
// and img src) and, in contents and index files, the Local of each entry.
// Read as the compiler gathers a project's pages and as the viewer follows
// links.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

struct PageReference {
    size_t offset;      // of the value in the text
    std::string value;  // character references decoded
    bool gathered;      // the compiler takes what it names into the help file
};

// The references of a page's UTF-8 text, in their order. chmcmd, the
// compiler that judges which files a project ships, takes the files of a
// href, link href, img src and Local, and not those of frames or areas.
std::vector<PageReference> FindPageReferences(const char* text, size_t size);

// The page a reference names inside the help file: its path with "/",
// #fragment and ?query dropped, % escapes decoded. False for a reference to
// no local page: a URL with a scheme (http:, mailto:, javascript:, ms-its:...),
// an empty one or a fragment of the page itself.
bool LocalTarget(const std::string& reference, std::string* target);
