// Path text in the system's ANSI code page, which may be double-byte (code
// page 932): a lead byte and its trail byte form one character, and a trail
// byte is never a separator even when it has the value of '\'. The lead-byte
// test is the platform's, passed in.
#pragma once
#include <cstddef>
#include <cstdint>

typedef bool (*LeadByteTest)(uint8_t byte);

// Index of the last ':' or '\' that is a character of its own, or -1.
int32_t FindLastSeparatorIn(const char* text, LeadByteTest isLeadByte);

// Position of the final character when it is a single byte; position of the
// terminating NUL when the text ends in a two-byte character, a lone lead
// byte, or is empty. Callers test the byte there against '\'.
size_t FindLastCharIn(const char* text, LeadByteTest isLeadByte);

// Appends '\' (unless the directory already ends in one) and `name` to the
// NUL-terminated directory in `buffer` of `bufferSize` bytes. False, buffer
// unchanged, when directory and name together exceed bufferSize - 2 characters.
bool AppendFileNameIn(char* buffer, const char* name, size_t bufferSize, LeadByteTest isLeadByte);

// True when `name` can only ever name a file directly inside the destination
// directory: not empty, not "." or "..", no ':', '\' or '/' (trail bytes of
// double-byte characters excepted), no control characters, and not one of
// the device names (CON, NUL, COM1, ... with or without an extension).
bool IsPlainFileName(const char* name, LeadByteTest isLeadByte);

// The same routines for wide text (UTF-16 on Windows: the Unicode exports'
// paths and member names), where every unit is a character of its own.
int32_t FindLastSeparatorIn(const wchar_t* text);
size_t FindLastCharIn(const wchar_t* text);
bool AppendFileNameIn(wchar_t* buffer, const wchar_t* name, size_t bufferSize);
bool IsPlainFileName(const wchar_t* name);
