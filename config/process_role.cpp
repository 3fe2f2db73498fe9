#include "config/process_role.h"

wchar_t serviceName[kServiceNameCapacity];
bool serviceMode = true;
bool noRedirect;
