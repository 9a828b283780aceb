// The libmspack reader of compiled help files, also over bytes in memory
// (for the fuzzer).
#pragma once

#include "checker/input/chm/ChmStorage.h"

ChmStatus ChmReadPagesFromMemory(const unsigned char* data, size_t size, size_t pageLimit, ChmPageVisitor visit,
                                 void* context, ChmFailure* failure);
