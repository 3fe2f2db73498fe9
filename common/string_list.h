// The launcher's list of wide strings: command lines, the worker's arguments,
// configured argument texts. Each element owns a copy of exactly its text.
#ifndef PELLUX_COMMON_STRING_LIST_H
#define PELLUX_COMMON_STRING_LIST_H

#include <string>
#include <vector>

typedef std::vector<std::wstring> StringList;

#endif
