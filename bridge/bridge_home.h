// Finding the bridge home around a module and reading its settings.
#ifndef PELLUX_BRIDGE_BRIDGE_HOME_H
#define PELLUX_BRIDGE_BRIDGE_HOME_H

#include "bridge/bridge_config.h"

// The settings of the bridge home that holds this module (java.exe or
// jvm.dll; the code is linked into each): the nearest "bridge.cfg" in the module's directory or up to three
// levels above it (bin\java.exe, bin\server\jvm.dll). Without one, the
// defaults ("java" on the Unix PATH).
BridgeConfig loadBridgeConfig();

#endif
