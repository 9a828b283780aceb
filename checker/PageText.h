// Page text as the help viewer reads it: in the encoding the page names, or
// the help file's language gives, decoded to UTF-8 for the link finder.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

struct PageText {
    const char* text = nullptr;  // the page's own bytes when they are the text already, else decoded
    size_t size = 0;
    std::string decoded;
    std::vector<size_t> undecodable;  // offsets in text of U+FFFD standing for bytes that did not decode
    std::string encoding;             // as named in messages, such as "windows-1252"
};

const unsigned Utf8CodePage = 65001;
const unsigned DefaultCodePage = 1252;

// The Windows code page of an encoding label as pages write it ("utf-8",
// "iso-8859-1", "shift_jis"...); 0 for a label not known here.
unsigned CharsetCodePage(const std::string& label);

// The page's text. Its encoding is, in this order: a byte-order mark; for
// an HTML page, <meta charset> or the http-equiv Content-Type; the code page
// of the help file's language (0 when there is none); else windows-1252. A
// link list without a mark is UTF-8 when its bytes are, else windows-1252.
void ReadPageText(const char* bytes, size_t size, bool isList, unsigned languageCodePage, PageText* page);
