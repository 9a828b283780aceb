// Reading one compiled help file (.chm): every page in it, in its language.
#pragma once

#include "checker/Input.h"

struct CheckRun;

void CheckHelpFile(const Input& input, CheckRun* run);
