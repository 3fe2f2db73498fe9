// The one rule for splitting a command line or a configured argument text.
#ifndef PELLUX_COMMON_SPLIT_COMMAND_LINE_H
#define PELLUX_COMMON_SPLIT_COMMAND_LINE_H

#include "common/string_list.h"

// Appends the tokens of text to list. Only space and tab separate; quotes
// group and a doubled quote yields a literal one; backslashes are ordinary.
void splitCommandLine(const wchar_t *text, StringList &list);

#endif
