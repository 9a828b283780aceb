#include "platform/FileChooser.h"

#include <string.h>

#include "text/Text.h"

void FilterListFromText(const char* filter, char* list, size_t capacity)
{
    size_t length = strlen(filter);
    if (length > capacity - 2) {
        length = capacity - 2;
    }
    memcpy(list, filter, length);
    for (size_t i = 1; i < length; ++i) {
        if (list[i] == '|') {
            list[i] = '\0';
        }
    }
}

char* FileChooserOpen(const char* title, const char* filter, WindowHandle owner, const char* initialFolder)
{
    char* file = ScratchAlloc(ChooserFileCapacity);
    char* filterList = ScratchAlloc(ChooserFilterCapacity);
    char* fileTitle = ScratchAlloc(ChooserFileTitleCapacity);
    char* result = ScratchAlloc(ChooserFileCapacity);
    FilterListFromText(filter, filterList, ChooserFilterCapacity);
    if (PlatformOpenFileDialog(title, filterList, owner, initialFolder, file, ChooserFileCapacity, fileTitle,
                               ChooserFileTitleCapacity - 1)) {
        // The block has 128 bytes of zeros past the dialog's capacity, so the
        // copy always finds a terminator.
        strcpy(result, file);
    }
    return result;
}

void CentredPosition(const ScreenRect& desktop, const ScreenRect& window, int* x, int* y)
{
    *x = (desktop.left + desktop.right - window.right + window.left) / 2;
    *y = (desktop.top + desktop.bottom - window.bottom + window.top) / 2;
}
