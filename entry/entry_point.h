#ifndef PELLUX_ENTRY_ENTRY_POINT_H
#define PELLUX_ENTRY_ENTRY_POINT_H

// Runs the launcher in the role its command line selects; returns the exit code.
int runLauncher();

#endif
