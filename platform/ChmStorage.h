// The pages inside a compiled help file (.chm), read with the system's CHM
// library: libmspack on Linux, the ITSS storage (itss.dll) on Windows.
#pragma once

#include <stddef.h>

enum ChmStatus {
    ChmRead,
    ChmEmpty,      // a file of no bytes
    ChmNotHelp,    // no compiled help file signature
    ChmTruncated,  // shorter than its own header says
    ChmCorrupt,    // the library refused its directory or a page
    ChmUnreadable, // the file cannot be opened or read
};

// Receives one page: its name inside the file ("/folder/page.htm") and its
// bytes. A page larger than the limit given to ChmReadPages comes with null
// bytes and its size.
typedef void (*ChmPageVisitor)(void* context, const char* name, const char* bytes, size_t size);

// Calls visit for every page (.htm, .html, .hhc, .hhk) inside the file at
// path, in order of name (byte order). Pages larger than pageLimit are passed
// without their bytes.
ChmStatus ChmReadPages(const char* path, size_t pageLimit, ChmPageVisitor visit, void* context);

// The compiled help file signature and the header's own size, checked
// before any library sees the file; ChmRead when they look right.
ChmStatus ChmCheckHeader(const unsigned char* header, size_t headerSize, unsigned long long fileSize);

// Whether a name inside a compiled help file is a page worth reading.
bool ChmIsPageName(const char* name);
