// Turning the system's HTTP open command and a link text into the program to
// start and its parameters. Pure text work with no platform calls, so it
// builds natively too (sanitizer tests and the fuzz target).
#pragma once

#include <stddef.h>

// Program started when the system names no browser, or names Internet Explorer.
extern const char g_szDefaultBrowser[]; // "iexplore.exe"

// Builds the browser start for a link text. command: the default value of
// HTTP\shell\open\command as read (any case, any length); text: the link text,
// which must contain "http" (the address is the text from there on). Both
// results are lower case; the program is a bare path, without the quotation
// marks the command may put round it. Returns false, with both buffers holding empty text
// when they have room for it, when nothing must be started: the text has no
// "http", or the program or the parameters do not fit their buffers (sizes in
// bytes, terminator included). A shortened command is never produced.
bool BuildBrowserCommand(const char* command, const char* text, char* program, size_t programSize,
                         char* parameters, size_t parametersSize);
