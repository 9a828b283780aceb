// JScript's conditional compilation ("/*@cc_on ... @*/", "@if", "@set"),
// which the engine takes for comments, as the code the viewer's JScript
// compiles.
#pragma once

#include <map>
#include <string>

// A conditional compilation variable's value: a number or a boolean.
struct ConditionalValue {
    bool boolean = false;  // then number is 1 or 0
    double number = 0;
};

// What a page's scripts share, as they share the viewer's engine: whether
// conditional compilation is on, and the variables "@set" gave.
struct ConditionalCompilation {
    bool on = false;
    std::map<std::string, ConditionalValue> variables;
};

// The code as compiled once conditional compilation is read: "@cc_on", and
// the markers "/*@", "@*/" and "//@" while it is on, are blanked, so that
// what they held is code; "@if", "@elif", "@else" and "@end" are decided
// here, their directives and the code of branches not taken blanked;
// "@set" is kept in state; a variable in code is written as its value.
// Strings, comments and regular expressions are left as they are, and
// every line stays where it was. A directive not read with certainty (an
// "@if" without its "@end", a condition that is not made of constants) is
// left as it stands, with all the code after it: the engine cannot compile
// a "@", so the script is said not to run, as an unread script must be.
std::string TranslateConditionalCompilation(const std::string& code, ConditionalCompilation* state);
