// The Linux side of a bridged run: a bash script that connects the program's
// standard streams to the bridge's loopback sockets, maps Wine's drive links
// to real directories and then becomes the program. No Win32 here.
#ifndef PELLUX_BRIDGE_SPAWN_PLAN_H
#define PELLUX_BRIDGE_SPAWN_PLAN_H

#include <string>
#include <vector>

enum StreamIndex { STREAM_INPUT = 0, STREAM_OUTPUT = 1, STREAM_ERROR = 2, STREAM_COUNT = 3 };

// Exit code of the script when it cannot reach the bridge's sockets.
const int SPAWN_CONNECT_FAILED = 125;

struct SpawnPlan {
    std::string nonce;                       // first line on every stream, proves the peer
    unsigned short ports[STREAM_COUNT] = {};  // loopback ports, in StreamIndex order
    std::string workingDirectory;            // Unix path; empty keeps the inherited one
    std::vector<std::string> driveLinks;     // "<prefix>/dosdevices/c:" links to resolve
    std::vector<std::string> environment;    // "NAME=value" to set, "NAME" to remove
    std::vector<std::string> command;        // the program and its arguments
};

// The argument vector for the Unix spawn: /bin/bash -c SCRIPT ...
std::vector<std::string> buildSpawnArguments(const SpawnPlan &plan);

// The "<prefix>/dosdevices/x:" part of a Unix path Wine gave for a drive
// path, or empty. Such a link holds a ":", which a Unix path list cannot.
std::string dosDeviceLinkOf(const std::string &unixPath);

#endif
