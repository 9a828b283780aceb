// Scratch texts and the 1-based text operations the launcher is written in.
//
// Every operation that yields a text returns a scratch text: a zero-filled
// heap block from a ring of 2048 slots, valid until 2048 further scratch
// allocations and never released by its user. TextAfter and TextTrim return
// a position inside a text instead of a fresh block.
#pragma once

#include <stddef.h>

enum { ScratchRingSlots = 2048, ScratchSlack = 128 };

// Zero-filled block of n + 128 bytes; ends the process (status 0) when the
// heap has nothing left, since no caller can go on without its text.
char* ScratchAlloc(size_t n);

// 1-based position of pattern at or after start (<= 0: from the beginning);
// 0 when absent, when pattern is empty or when start lies past the end.
int TextFind(const char* text, const char* pattern, int start);

char* TextBefore(const char* text, const char* pattern);
const char* TextAfter(const char* text, const char* pattern);
char* TextMid(const char* text, int start, int count);
char* TextTrim(const char* text);
char* TextReverse(const char* text);
char* TextRemoveAll(const char* text, const char* pattern);
char* TextOfChars(int c1, int c2, int c3, int c4, int c5, int c6, int c7, int c8, int c9, int c10);
int TextCompare(const char* a, const char* b);

// Whitespace for TextTrim: TAB, LF, VT, CR and space; form feed is not.
bool TextIsBlank(unsigned char c);
