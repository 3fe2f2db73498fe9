// Text conversions at the Win32 edge of the bridge: the launcher speaks
// UTF-16 and the ANSI code page, Linux speaks UTF-8.
#ifndef PELLUX_BRIDGE_WIN_TEXT_H
#define PELLUX_BRIDGE_WIN_TEXT_H

#include <string>

std::string utf8FromWide(const std::wstring &text);
std::wstring wideFromUtf8(const std::string &text);
// A narrow text in the code page of the file functions (how the launcher
// hands VM options over) as UTF-8.
std::string utf8FromFileCodePage(const char *text);

#endif
