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
    std::string ownBytes;             // the page's bytes, kept when they are its text
    std::vector<size_t> undecodable;  // offsets in text of U+FFFD standing for bytes that did not decode
    std::string encoding;             // as named in messages, such as "windows-1252"
    unsigned codePage = 0;
    std::string unknownCharset;  // a label the page declares that the charset database does not hold
    bool undeclaredUtf8 = false;  // declares nothing, looks like UTF-8 (non-ASCII), is read in another code page
    std::string utf8Reading;      // then its bytes, which are its text read as UTF-8
    int documentMode = 0;         // of text, found with its charset; 0 when not
};

const unsigned Utf8CodePage = 65001;
const unsigned DefaultCodePage = 1252;

// The Windows code page of an encoding label as pages write it ("utf-8",
// "iso-8859-1", "x-sjis"...), as the viewer's charset database gives it; 0
// for a label outside the database.
unsigned CharsetCodePage(const std::string& label);

// The code page a page that declares label (and has no byte-order mark) is
// read in: the label's, except that a UTF-16 label means UTF-8, as in HTML5.
unsigned DeclaredCodePage(const std::string& label);

// The code page a byte-order mark at the start of bytes names (UTF-8,
// UTF-16), with the mark's size; 0 without one.
unsigned ByteOrderMark(const char* bytes, size_t size, size_t* markSize);

// The code page a page is written in: a byte-order mark (whose size goes to
// markSize); for an HTML page, <meta charset> or the http-equiv
// Content-Type (DeclaredCodePage); the code page of the help file's
// language (0 when there is none); else windows-1252. A link list without a
// mark is UTF-8 when its bytes are, else windows-1252. A label outside the
// database, and a page that looks like UTF-8 but declares nothing, are noted
// in page.
unsigned PageCodePage(const char* bytes, size_t size, bool isList, unsigned languageCodePage, size_t* markSize,
                      PageText* page);

// Whether the bytes (after the mark) are the page's UTF-8 text as they stand.
bool PageIsText(const char* bytes, size_t size, unsigned codePage);

// Whether each byte of the code page is a character of its own, so that a
// page in it decodes a block at a time.
bool IsSingleByteCodePage(unsigned codePage);

// Starts page in codePage, with nothing decoded yet.
void StartPageText(unsigned codePage, PageText* page);

// Makes room for the text of size bytes: a byte decodes to at most three
// bytes of UTF-8. Room not written to takes address space, not memory, so
// the text never has to move as it grows.
void ReserveText(size_t size, PageText* page);

// Decodes the next bytes of the page (after its mark) onto page->decoded.
void DecodePageBytes(const char* bytes, size_t size, PageText* page);

// The page's text: its bytes as they stand when they are UTF-8 text already,
// else decoded.
void ReadPageText(const char* bytes, size_t size, bool isList, unsigned languageCodePage, PageText* page);

// Why bytes are no text page (a byte no text holds), or null. A page's
// NUL bytes are no reason: the viewer's engine drops them and renders the
// rest, and so does the reading below; a link list's are.
const char* BinaryReason(const char* bytes, size_t size, bool isList);

// Whether the page's NUL bytes are dropped before it is read: a page or
// script's (not a list's), unless a UTF-16 mark makes them its text.
bool DropsNulBytes(const char* bytes, size_t size, bool isList);

// A page (or, with isList, a link list) as the help viewer reads its text.
// False, with the reason, for bytes that are no text.
bool ReadTextBytes(const char* bytes, size_t size, bool isList, unsigned languageCodePage, PageText* page,
                   std::string* reason);

// The same for the file at path, whose bytes have been read whole: they
// become the text, or are let go as the file is decoded again a block at a
// time. False, with the reason, when they are no text or cannot be read again.
bool ReadTextFile(const std::string& path, std::string* bytes, bool isList, unsigned languageCodePage, PageText* page,
                  std::string* reason);
