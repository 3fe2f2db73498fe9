// Ties the diagnostics layer to what only the layers above it know: where the
// log goes (the temporary root) and the configured message texts.
#ifndef PELLUX_RUNTIME_PROCESS_HOOKS_H
#define PELLUX_RUNTIME_PROCESS_HOOKS_H

// First thing in every process, before anything is logged.
void installProcessHooks();

#endif
