// The capacities of the launcher's fixed buffers, terminator included: one
// per kind of buffer, so that a value handed from one buffer to another fits.
#ifndef PELLUX_COMMON_CAPACITIES_H
#define PELLUX_COMMON_CAPACITIES_H

#include <cstddef>

// A file or directory name, narrow or wide.
const size_t kPathCapacity = 6000;
// A configured or composed text: a record's value, a message, a name.
const size_t kTextCapacity = 6000;
// A runtime's version text.
const size_t kVersionCapacity = 2000;

#endif
