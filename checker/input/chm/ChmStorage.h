// The pages inside a compiled help file (.chm), read with the system's CHM
// library: libmspack on Linux, the ITSS storage (itss.dll) on Windows.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

enum ChmStatus {
    ChmRead,
    ChmEmpty,      // a file of no bytes
    ChmNotHelp,    // no compiled help file signature
    ChmTruncated,  // shorter than its own header says
    ChmCorrupt,    // the library refused its directory or a page
    ChmUnreadable, // the file cannot be opened or read
};

// Receives one page: its name inside the file ("/folder/page.htm") and its
// bytes, which it may take. A page larger than the limit given to
// ChmReadPages comes with null bytes and its size.
typedef void (*ChmPageVisitor)(void* context, const char* name, std::string* bytes, size_t size);

// Why a file could not be read: the library that said so (empty for the
// system), the page that failed (empty for the file or its directory), and
// the reason in its words.
struct ChmFailure {
    std::string library;
    std::string page;
    std::string reason;
    std::vector<std::string> members;  // the files its directory lists ("/a.gif"), each once, whatever the status
    bool membersListed = false;        // members is whole before the first page is visited
    // The pages larger than asideFrom, left for a reading of their own (with
    // only): known with the members, before the first page is visited.
    std::vector<std::string> aside;
};

// Calls visit for every page (.htm, .html, .hhc, .hhk) inside the file at
// path, in the order the library reads them (libmspack: the order of the
// compressed stream; ITSS: the order of its directory). Pages larger than
// pageLimit are passed without their bytes. failure is filled in when the
// status is not ChmRead. A member the directory lists twice is read once.
// With only, just the members it names ("/js/code.txt", any case) are read:
// files the pages load that their names do not tell. A reader that lists the
// members first (libmspack) leaves the pages larger than asideFrom unread,
// named in failure->aside; ITSS reads them all.
ChmStatus ChmReadPages(const char* path, size_t pageLimit, ChmPageVisitor visit, void* context, ChmFailure* failure,
                       const std::vector<std::string>* only = nullptr, unsigned long long asideFrom = ~0ULL);

// The words for a compiled help file that could not be read, by the status
// and failure ChmReadPages gave after visiting pages; empty when it was read.
std::string ChmFailureText(ChmStatus status, const ChmFailure& failure, size_t pages);

// A hostile file can make a small section expand enormously, or point many
// entries at the same bytes: past this much output it is no real help file.
unsigned long long ChmExpansionBudget(unsigned long long helpSize);

// The compiled help file signature and the header's own size, checked
// before any library sees the file; ChmRead when they look right.
ChmStatus ChmCheckHeader(const unsigned char* header, size_t headerSize, unsigned long long fileSize);

// Free Pascal's chmcmd, which help authors on Linux compile with, writes two
// header fields that readers disagree on: the first GUID in place of the
// second (libmspack refuses the file), and the second directory chunk as the
// first once there is more than one (libmspack and Wine's ITSS then miss or
// refuse pages). Windows' viewer shows such files; the readers are shown
// those fields mended, as changes of a few bytes at given offsets.
struct ChmMend {
    unsigned long long offset;
    unsigned char bytes[4];
    unsigned size;
};
enum { ChmPrefixSize = 4096, ChmMendCapacity = 2 };

// The mends for a file whose first bytes are prefix (up to ChmPrefixSize);
// gives how many were written to mends. None for any other writer's files.
unsigned ChmFindMends(const unsigned char* prefix, size_t prefixSize, ChmMend* mends);

// Applies the mends to bytes read from offset start.
void ChmApplyMends(const ChmMend* mends, unsigned count, unsigned long long start, unsigned char* bytes,
                   size_t size);

// The language identifier (LCID) in a compiled help file's header; 0 when
// the file has none or is no compiled help file.
unsigned ChmHeaderLanguage(const unsigned char* header, size_t headerSize);
unsigned ChmReadLanguage(const char* path);

// Whether a name, inside a compiled help file or on disk, is a page worth
// reading: .htm, .html, .hhc or .hhk in any case.
bool ChmIsPageName(const char* name);

// Whether a name is a script file's (.js, .vbs, any case), which pages load:
// read for the markup its strings write.
bool ChmIsScriptName(const char* name);

// Whether a directory entry is a file of the help file's own: not a folder
// ("/docs/") and not the storage's ("::DataSpace/...").
bool ChmIsMemberName(const char* name);

// The contents and index files a compiled file's #SYSTEM names (its entries
// 0 and 1), as members ("/toc.hcc"), whatever their extension.
enum { ChmSystemLimit = 1024 * 1024 };
std::vector<std::string> ChmSystemNavigation(const unsigned char* system, size_t size);

// Whether a member is read: a page, a script, or a contents or index file
// #SYSTEM names; with only, one it names.
bool ChmIsReadMember(const char* name, const std::vector<std::string>& navigation,
                     const std::vector<std::string>* only = nullptr);
