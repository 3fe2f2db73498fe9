#include "common/split_command_line.h"

void splitCommandLine(const wchar_t *text, StringList &list) {
    if (!text || text[0] == 0)
        return;
    const wchar_t *p = text;
    while (true) {
        std::wstring token;
        bool inQuotes = false;
        bool separatorSeen = false;
        wchar_t previous = 0;
        for (;; p++) {
            wchar_t c = *p;
            if (c == 0)
                break;
            if (c == L' ' || c == L'\t') {
                if (inQuotes)
                    token.push_back(c);
                else
                    separatorSeen = true;
            } else if (c == L'"') {
                if (separatorSeen)
                    break;
                if (inQuotes) {
                    inQuotes = false;
                } else {
                    inQuotes = true;
                    if (previous == L'"')
                        token.push_back(L'"');
                }
            } else {
                if (separatorSeen)
                    break;
                token.push_back(c);
            }
            previous = c;
        }
        list.push_back(token);
        if (*p == 0)
            return;
    }
}
