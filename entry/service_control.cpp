#include "entry/service_control.h"

#include <cstdio>

// The commands arrive with the service control work; until then they say so.
static int notAvailable() {
    fputs("Service control is not available in this build.\n", stdout);
    fflush(stdout);
    return 1;
}

int installService(unsigned long) { return notAvailable(); }
int uninstallService(bool) { return notAvailable(); }
int startService(const StringList &) { return notAvailable(); }
int stopService(bool) { return notAvailable(); }
int showServiceStatus() { return notAvailable(); }
