#include "entry/entry_state.h"

wchar_t serviceName[kServiceNameCapacity];
bool serviceMode = true;
bool noRedirect;
