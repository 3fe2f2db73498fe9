// The configured search sequence (config record 128): ";"-separated entries,
// each a type letter followed by its text. No Win32 here.
#ifndef PELLUX_JRE_SEARCH_SEQUENCE_H
#define PELLUX_JRE_SEARCH_SEQUENCE_H

#include <string>
#include <vector>

struct SearchEntry {
    char type = 0;  // first character: A, B, R, E, S, Y; anything else is ignored
    std::string text;
};

// Empty entries are dropped; each entry owns a copy of its text.
std::vector<SearchEntry> splitSearchSequence(const std::string &sequence);

// At least two characters with ":" second or a leading "\\".
bool isAbsoluteEntryText(const std::string &text);

// The relative fallback pass retries every "B" entry, and "A" and "R"
// entries whose text is relative.
bool takesPartInFallbackPass(const SearchEntry &entry);

#endif
