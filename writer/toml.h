// toml++, as every build of pellux-pack uses it. Its parser guards a few
// internal states with assertions that malformed input reaches (a table
// header such as "[="); with them off, as in the library's release build, the
// parser reports that input as the syntax error it is.
#ifndef PELLUX_WRITER_TOML_H
#define PELLUX_WRITER_TOML_H

#ifndef TOML_ASSERT
#define TOML_ASSERT(expr) static_cast<void>(0)
#endif
#include <toml++/toml.h>

#endif
