// The markup of HTML pages as the help viewer's engine reads it: tags,
// attributes and character references, in UTF-8 text.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

struct Attribute {
    std::string name;  // lower case
    size_t valueStart;
    size_t valueEnd;
};

// Reads the attributes from at up to the tag's ">"; gives the offset after it.
size_t ParseAttributes(const char* bytes, size_t size, size_t at, std::vector<Attribute>* attributes);

const Attribute* FindAttribute(const std::vector<Attribute>& attributes, const char* name);

struct ReferenceRemark {
    size_t offset;
    std::string message;
};

// The attribute's value with its character references decoded, up to limit
// bytes; gives the length of the whole decoded value. Malformed references
// go to remarks.
size_t DecodeValue(const char* bytes, const Attribute& attribute, std::string* value,
                   std::vector<ReferenceRemark>* remarks, size_t limit = static_cast<size_t>(-1));

// The page offset that the decoded value's byte at index comes from, found
// by decoding again up to it: no offset is kept per byte of a long value.
size_t OriginOf(const char* bytes, const Attribute& attribute, size_t index);

// The encoding a page declares in <meta charset> or in the http-equiv
// Content-Type, as written; empty when it declares none.
std::string FindDeclaredCharset(const char* bytes, size_t size);
