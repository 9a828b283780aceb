// The process entry of Tipstart.exe, after the C runtime's start-up.
#include "launcher/Launcher.h"
#include "platform/Platform.h"

int main()
{
    // First of all, so that no DLL beside the program is ever loaded.
    PlatformRestrictLibrarySearch();
    return LauncherMain();
}
