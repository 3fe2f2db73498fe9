// Where pellux-pack finds its launchers, helper libraries and runtime jar
// when --resources does not say: relative to its own binary, so that an
// extracted release and a build tree both work and no build path is built in.
#ifndef PELLUX_WRITER_RESOURCE_LOCATION_H
#define PELLUX_WRITER_RESOURCE_LOCATION_H

#include <string>
#include <vector>

// In the order tried: "resources" beside the binary's folder (a release:
// bin/pellux-pack), then the build tree's "pack-resources" (host/writer/pellux-pack).
std::vector<std::string> resourceCandidates(const std::string &ownFolder);

// The first candidate that holds the runtime jar; empty when none does.
std::string findResources(const std::vector<std::string> &candidates);

#endif
