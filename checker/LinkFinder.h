// Finds the links that start Tipstart: ShortCut objects of the HTML Help
// control in pages, and command lines in plain lists.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

struct FoundLink {
    size_t line;    // of the parameter text, 1-based
    size_t column;  // of the parameter text, 1-based, in characters
    std::string program;     // as the link spells it
    std::string parameters;  // character references decoded
};

// Something in the page that is not as the author probably meant.
struct PageRemark {
    size_t line;
    size_t column;
    std::string message;
};

struct PageScan {
    std::vector<FoundLink> links;
    std::vector<PageRemark> remarks;  // malformed character references
};

// The ShortCut objects whose program is tipstart.exe (any case) in an HTML
// page (.htm, .html, .hhc, .hhk).
void FindPageLinks(const char* bytes, size_t size, PageScan* scan);

// One command line per line; blank lines and lines starting with "#" are skipped.
void FindListLinks(const char* bytes, size_t size, PageScan* scan);

// True when the file name of program (after its last "\" or "/") is
// tipstart.exe in any case.
bool NamesTipstart(const std::string& program);
