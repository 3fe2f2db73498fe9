#include "paths/expand_variables.h"

// Substitution arrives with the variable table; until then texts pass unchanged.
void expandVariables(wchar_t *, size_t, ExpandMode) {}
void expandVariablesA(char *, size_t) {}
void expandVariablesInString(std::string &) {}
