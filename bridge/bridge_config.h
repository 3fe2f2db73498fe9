// The bridge home's settings file: which Linux JDK the Windows-side java.exe
// and jvm.dll hand their work to. No Win32 here.
#ifndef PELLUX_BRIDGE_BRIDGE_CONFIG_H
#define PELLUX_BRIDGE_BRIDGE_CONFIG_H

#include <string>

const char BRIDGE_CONFIG_FILE_NAME[] = "bridge.cfg";

struct BridgeConfig {
    std::string javaHome;  // Unix path of the Linux JDK; empty: "java" on the Unix PATH
};

// Reads "key = value" lines; blank lines and lines starting with "#" are
// skipped, unknown keys ignored, so older homes keep working.
BridgeConfig parseBridgeConfig(const std::string &text);

// The program the Linux side executes: the home's bin/java, or plain "java".
std::string linuxJavaPath(const BridgeConfig &config);

#endif
