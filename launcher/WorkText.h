// The launcher's working texts: fixed buffers that live for the whole run.
#pragma once

enum { WorkTextSize = 2048, FormatTextSize = 1048576 };

typedef char WorkText[WorkTextSize];

// Copies text into work; text may lie inside work itself. A text of more than
// 2047 characters is not copied and false comes back: the launcher then ends
// the run rather than act on a cut-off path.
bool WorkTextSet(char* work, const char* text);

// Joins a and b ("%s%s") in the FormatText and copies the result into work;
// either may lie inside work. False, work unchanged, when the join is too long.
bool WorkTextJoin(char* work, const char* a, const char* b);
