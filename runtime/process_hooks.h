// Ties the diagnostics layer to what only the layers above it know: where the
// log goes (the temporary root), the configured message texts, and the
// launcher temporary directory that a fatal exit removes.
#ifndef PELLUX_RUNTIME_PROCESS_HOOKS_H
#define PELLUX_RUNTIME_PROCESS_HOOKS_H

// First thing in every process, before anything is logged.
void installProcessHooks();

#endif
