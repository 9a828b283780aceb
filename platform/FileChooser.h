// The open-file dialog with a "|"-separated filter, centred on the desktop.
#pragma once

#include "platform/Platform.h"

enum {
    ChooserFileCapacity = 500000,
    ChooserFilterCapacity = 256,
    ChooserFileTitleCapacity = 256,
};

struct ScreenRect {
    int left, top, right, bottom;
};

// The picked file's full path as a scratch text, or the empty text when the
// dialog was cancelled or failed.
char* FileChooserOpen(const char* title, const char* filter, WindowHandle owner, const char* initialFolder);

// Turns every "|" after the first character into NUL within a zero-filled
// buffer of capacity bytes, so the list ends in a double NUL. A filter too
// long for the buffer is cut so that the double NUL still fits.
void FilterListFromText(const char* filter, char* list, size_t capacity);

// Top-left corner that centres window's size on desktop; 32-bit signed,
// division truncating toward zero.
void CentredPosition(const ScreenRect& desktop, const ScreenRect& window, int* x, int* y);
