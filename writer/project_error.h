// How the project file readers refuse input: an exception carrying the line
// and the message, turned into "file:line: message" where reading began.
#ifndef PELLUX_WRITER_PROJECT_ERROR_H
#define PELLUX_WRITER_PROJECT_ERROR_H

#include <string>
#include "writer/toml.h"

struct ProjectError {
    int line;
    std::string message;
};

inline int lineOf(const toml::node &node) { return static_cast<int>(node.source().begin.line); }

[[noreturn]] inline void fail(const toml::node &node, const std::string &message) {
    throw ProjectError{lineOf(node), message};
}

// For the friendly keys: the message names the key as section.key.
[[noreturn]] inline void failKey(const toml::node &node, const std::string &key, const std::string &message) {
    throw ProjectError{lineOf(node), key + ": " + message};
}

#endif
