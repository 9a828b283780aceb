// How JScript's code is read around its tokens, for the translations made
// before the engine compiles it: they leave strings, comments and regular
// expressions as they are.
#pragma once

#include <stddef.h>

#include <string>

bool IsJScriptLineEnd(char c);
bool IsJScriptSpace(char c);
bool IsJScriptDigit(char c);
// A byte of UTF-8 past ASCII is taken as a letter's.
bool IsJScriptIdentifierByte(char c);
bool IsJScriptIdentifierStart(char c);

// Where each token that starts at "at" ends.
size_t JScriptIdentifierEnd(const std::string& code, size_t at);
// A quoted string ends at its quote, or unfinished at its line's end.
size_t JScriptStringEnd(const std::string& code, size_t at);
// A regular expression ends past its "/" (not in a class) and its flags, or
// at its line's end.
size_t JScriptRegExpEnd(const std::string& code, size_t at);
// A "//" or "/*" comment.
size_t JScriptCommentEnd(const std::string& code, size_t at);

// After these words a "/" starts a regular expression, as after an operator.
bool JScriptWordPrecedesExpression(const std::string& word);
