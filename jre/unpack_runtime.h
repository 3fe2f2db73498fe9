// Packed class libraries ("*.jar.pack" in lib and lib\ext) of a runtime
// shipped with the application are turned into jars by the runtime's own
// bin\unpack200.exe before the runtime is probed.
#ifndef PELLUX_JRE_UNPACK_RUNTIME_H
#define PELLUX_JRE_UNPACK_RUNTIME_H

// An unpacker that cannot be started ends the process (message 1021).
void unpackRuntime(const char *home);

// To standard output, flushed: in a worker that is the service host's pipe.
void writeConsoleNotice(const char *text);

#endif
