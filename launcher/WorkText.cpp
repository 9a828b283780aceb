#include "launcher/WorkText.h"

#include <string.h>

namespace {

char formatText[FormatTextSize];

}  // namespace

bool WorkTextSet(char* work, const char* text)
{
    size_t length = strlen(text);
    if (length >= WorkTextSize) {
        return false;
    }
    memmove(work, text, length + 1);
    return true;
}

bool WorkTextJoin(char* work, const char* a, const char* b)
{
    size_t lengthA = strlen(a);
    size_t lengthB = strlen(b);
    if (lengthA + lengthB >= WorkTextSize) {
        return false;
    }
    memcpy(formatText, a, lengthA);
    memcpy(formatText + lengthA, b, lengthB + 1);
    return WorkTextSet(work, formatText);
}
