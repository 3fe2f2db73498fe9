// Windows paths as the Unix paths a Linux program opens, through Wine's own
// mapping. Win32 edge of the bridge.
#ifndef PELLUX_BRIDGE_UNIX_PATHS_H
#define PELLUX_BRIDGE_UNIX_PATHS_H

#include <string>
#include <vector>

// The Unix path of a Windows path (UTF-8, relative ones against the current
// directory). Missing trailing parts are mapped by name. A path without a
// Unix counterpart (unknown drive, network share) comes back unchanged.
std::string toUnixPath(const std::string &windowsPath);

// Wine's "<prefix>/dosdevices/x:" links inside the paths toUnixPath gave so
// far; the Linux side resolves them before the paths are used.
std::vector<std::string> usedDriveLinks();

#endif
