// Member names as text. Archives store them as bytes of code page 932; the
// tool shows, selects and writes them as UTF-8. Bytes that are no character
// of the code page (and characters that would not convert back to the same
// bytes) keep the escape %XX, and a '%' that would read as an escape is
// itself written %25, so every name converts back to its exact bytes and
// different names never look the same.
#pragma once
#include <string>

namespace fcview {

// The member name's bytes as UTF-8 text with %XX escapes.
std::string MemberText(const std::string& bytes);

// The bytes of code page 932 for a name given as text: %XX escapes become
// their bytes, every other character is converted. False with the reason
// when a character has no form in the code page.
bool MemberBytes(const std::string& text, std::string* bytes, std::string* reason);

// True when `pattern` has '*' or '?'.
bool HasWildcard(const std::string& pattern);

// Whether the text matches the pattern: '*' any run of characters, '?' one
// character, everything else itself; ASCII letters match either case (as the
// plug-ins compare member names when asked to ignore case).
bool NameMatches(const std::string& pattern, const std::string& text);

} // namespace fcview
