#include "text/Text.h"

#include <stdlib.h>
#include <string.h>

namespace {

struct ScratchRing {
    int index;
    char* slots[ScratchRingSlots];
};

ScratchRing ring;

char* ScratchCopy(const char* text)
{
    size_t length = strlen(text);
    char* copy = ScratchAlloc(length);
    memcpy(copy, text, length);
    return copy;
}

}  // namespace

char* ScratchAlloc(size_t n)
{
    ring.index = (ring.index + 1) & (ScratchRingSlots - 1);
    free(ring.slots[ring.index]);
    ring.slots[ring.index] = nullptr;
    char* block = static_cast<char*>(calloc(n + ScratchSlack, 1));
    if (!block) {
        exit(0);
    }
    ring.slots[ring.index] = block;
    return block;
}

bool TextIsBlank(unsigned char c)
{
    return c == 9 || c == 10 || c == 11 || c == 13 || c == 32;
}

int TextFind(const char* text, const char* pattern, int start)
{
    if (!text || !pattern || !*pattern) {
        return 0;
    }
    size_t length = strlen(text);
    if (start > 0 && static_cast<size_t>(start) > length) {
        return 0;
    }
    size_t from = start > 0 ? static_cast<size_t>(start) - 1 : 0;
    const char* found = strstr(text + from, pattern);
    return found ? static_cast<int>(found - text) + 1 : 0;
}

char* TextBefore(const char* text, const char* pattern)
{
    char* copy = ScratchCopy(text);
    const char* found = strstr(text, pattern);
    if (found) {
        copy[found - text] = '\0';
    }
    return copy;
}

const char* TextAfter(const char* text, const char* pattern)
{
    const char* found = strstr(text, pattern);
    return found ? found + strlen(pattern) : text;
}

char* TextMid(const char* text, int start, int count)
{
    size_t length = strlen(text);
    if (start < 1 || static_cast<size_t>(start) > length) {
        return ScratchAlloc(1);
    }
    // Past the end the copy would stop anyway; capping the count keeps a huge
    // request from asking the heap for a block it never fills.
    size_t available = length - static_cast<size_t>(start) + 1;
    size_t wanted = count < 0 ? available : static_cast<size_t>(count);
    if (wanted > available) {
        wanted = available;
    }
    char* mid = ScratchAlloc(wanted);
    memcpy(mid, text + start - 1, wanted);
    return mid;
}

char* TextTrim(const char* text)
{
    char* copy = ScratchCopy(text);
    size_t end = strlen(copy);
    while (end > 0 && TextIsBlank(static_cast<unsigned char>(copy[end - 1]))) {
        --end;
    }
    copy[end] = '\0';
    char* first = copy;
    while (TextIsBlank(static_cast<unsigned char>(*first))) {
        ++first;
    }
    return first;
}

char* TextReverse(const char* text)
{
    size_t length = strlen(text);
    char* reversed = ScratchAlloc(length);
    for (size_t i = 0; i < length; ++i) {
        reversed[length - 1 - i] = text[i];
    }
    return reversed;
}

char* TextRemoveAll(const char* text, const char* pattern)
{
    char* copy = ScratchCopy(text);
    size_t patternLength = strlen(pattern);
    // Searching again from the start also removes occurrences that a removal
    // forms out of the characters on either side of it.
    for (int p = TextFind(copy, pattern, 0); p != 0; p = TextFind(copy, pattern, 0)) {
        char* at = copy + p - 1;
        memmove(at, at + patternLength, strlen(at + patternLength) + 1);
    }
    return copy;
}

char* TextOfChars(int c1, int c2, int c3, int c4, int c5, int c6, int c7, int c8, int c9, int c10)
{
    const int codes[10] = {c1, c2, c3, c4, c5, c6, c7, c8, c9, c10};
    char* text = ScratchAlloc(11);
    for (int i = 0; i < 10; ++i) {
        text[i] = static_cast<char>(codes[i] & 0xFF);
    }
    return text;
}

int TextCompare(const char* a, const char* b)
{
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    for (;; ++x, ++y) {
        if (*x != *y) {
            return *x < *y ? -1 : 1;
        }
        if (*x == 0) {
            return 0;
        }
    }
}
