#include "entry/security_rules.h"

namespace {

wchar_t lowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; }

}  // namespace

bool registrationRunsProgram(const wchar_t *binaryPath, const wchar_t *program) {
    bool quoted = binaryPath[0] == L'"';
    const wchar_t *registered = binaryPath + (quoted ? 1 : 0);
    size_t i = 0;
    for (; program[i] != 0; i++)
        if (lowerAscii(registered[i]) != lowerAscii(program[i]))
            return false;
    wchar_t after = registered[i];
    return i > 0 && (quoted ? after == L'"' : after == 0 || after == L' ');
}
