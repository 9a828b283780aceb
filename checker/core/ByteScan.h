// Scans over every byte of a page, of every page: sixteen bytes at a time
// where the compiler targets SSE2 (every x86-64 build), one at a time
// elsewhere (the 32-bit Windows build), with the same answers.
#pragma once

#include <stddef.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Calls stop(offset) for each byte of bytes[0, size) that is below 0x20 or
// above 0x7F, in order, until it gives true; gives whether one did.
template <typename Stop>
bool AnyNotPrintable(const char* bytes, size_t size, Stop stop)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi8(0x20);
    for (; size - i >= 16; i += 16) {
        // Compared as signed bytes, those above 0x7F are below 0x20 too.
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        unsigned marked = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(block, space)));
        for (; marked != 0; marked &= marked - 1) {
            if (stop(i + static_cast<size_t>(__builtin_ctz(marked)))) {
                return true;
            }
        }
    }
#endif
    for (; i < size; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if ((c < 0x20 || c > 0x7F) && stop(i)) {
            return true;
        }
    }
    return false;
}

// Calls stop(offset) for each byte of bytes[0, size) that is a or b, in
// order, until it gives true; gives whether one did.
template <typename Stop>
bool AnyOfTwo(const char* bytes, size_t size, char a, char b, Stop stop)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi8(a);
    const __m128i second = _mm_set1_epi8(b);
    for (; size - i >= 16; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        __m128i found = _mm_or_si128(_mm_cmpeq_epi8(block, first), _mm_cmpeq_epi8(block, second));
        for (unsigned marked = static_cast<unsigned>(_mm_movemask_epi8(found)); marked != 0; marked &= marked - 1) {
            if (stop(i + static_cast<size_t>(__builtin_ctz(marked)))) {
                return true;
            }
        }
    }
#endif
    for (; i < size; ++i) {
        if ((bytes[i] == a || bytes[i] == b) && stop(i)) {
            return true;
        }
    }
    return false;
}

// The offset of the first c in bytes[from, size), or size: inline, for the
// many short searches of a scan (the next "<" of a page full of tags).
inline size_t FindByte(const char* bytes, size_t size, size_t from, char c)
{
    size_t found = size;
    AnyOfTwo(bytes + from, size - from, c, c, [&found, from](size_t at) {
        found = from + at;
        return true;
    });
    return found;
}
