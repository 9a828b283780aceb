// The DOM a page's scripts see: the document, its elements and the window,
// enough for what help pages (and pages that abuse them) use. Written in
// JavaScript, it runs in each page's engine.
#pragma once

// A program whose value is a function(global, natives) that sets the page's
// globals up and gives back what the page reader calls: open(name,
// attributes, text), text(text), close(name), handler(element, function)
// and next() (the page's load, a step at a time).
extern const char* const DomStandInCode;
