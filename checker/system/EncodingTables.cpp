#include "checker/system/EncodingTables.h"


#include "checker/core/TextTools.h"

const CharsetRow CharsetTable[] = {
#include "checker/system/tables/Charsets.inc"
};
const size_t CharsetTableSize = sizeof CharsetTable / sizeof CharsetTable[0];

const LanguageRow LanguageTable[] = {
#include "checker/system/tables/LanguageCodePages.inc"
};
const size_t LanguageTableSize = sizeof LanguageTable / sizeof LanguageTable[0];

unsigned TableCharsetCodePage(const std::string& label)
{
    for (const CharsetRow& row : CharsetTable) {
        if (EqualsNoCase(label, row.label)) {
            return row.codePage;
        }
    }
    return 0;
}

unsigned TableLanguageCodePage(unsigned languageId)
{
    size_t low = 0;
    size_t high = LanguageTableSize;
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        if (LanguageTable[middle].id < languageId) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low < LanguageTableSize && LanguageTable[low].id == languageId ? LanguageTable[low].codePage : 0;
}

bool IsMachineLanguage(unsigned languageId)
{
    return languageId == 0x0000 || languageId == 0x0400 || languageId == 0x0800 || languageId == 0x0C00 ||
           languageId == 0x1000 || languageId == 0x1400;
}
