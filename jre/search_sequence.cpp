#include "jre/search_sequence.h"

#include "common/text.h"

std::vector<SearchEntry> splitSearchSequence(const std::string &sequence) {
    std::vector<SearchEntry> entries;
    size_t pos = 0;
    while (pos < sequence.size()) {
        std::string token = nextToken(sequence, pos, ';');
        if (token.empty())
            continue;
        SearchEntry entry;
        entry.type = token[0];
        entry.text = token.substr(1);
        entries.push_back(entry);
    }
    return entries;
}

bool isAbsoluteEntryText(const std::string &text) {
    return text.size() >= 2 && (text[1] == ':' || (text[0] == '\\' && text[1] == '\\'));
}

bool takesPartInFallbackPass(const SearchEntry &entry) {
    if (entry.type == 'B')
        return true;
    return (entry.type == 'A' || entry.type == 'R') && !isAbsoluteEntryText(entry.text);
}
