// JScript's function declarations that bind (not ECMAScript, so the engine
// cannot compile them), written as code the engine runs as the viewer does.
#pragma once

#include <string>

// The code with each top-level "function OBJECT::EVENT(...)" (the function
// handles the object's event) and "function OBJECT.NAME(...)" (it is the
// object's property) declared under a name of its own and bound. Strings,
// comments and regular expressions are left as they are, and every line
// stays where it was.
std::string TranslateFunctionBindings(const std::string& code);
