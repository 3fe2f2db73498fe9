// Reading one value of a friendly key. Each refusal names the key
// (section.key) and the line; all of them throw ProjectError.
#ifndef PELLUX_WRITER_PROJECT_VALUES_H
#define PELLUX_WRITER_PROJECT_VALUES_H

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>
#include "writer/toml.h"

const std::string &stringOf(const toml::node &node, const std::string &key);
bool flagOf(const toml::node &node, const std::string &key);
const toml::table &tableOf(const toml::node &node, const std::string &key, const std::string &what);
const toml::array &arrayOf(const toml::node &node, const std::string &key);

// A text as a record carries it: Latin-1 (see latin1FromUtf8).
std::string recordTextOf(const toml::node &node, const std::string &key);
// A list of texts, each as a record carries it.
std::vector<std::string> textListOf(const toml::node &node, const std::string &key);
// A message text: any Unicode.
std::u16string utf16Of(const toml::node &node, const std::string &key);
// One of the given words.
std::string choiceOf(const toml::node &node, const std::string &key, std::initializer_list<const char *> choices);

// A size in bytes: an integer, or a text such as "10 MB" (B, KB, MB, GB; 1 KB
// is 1024 bytes).
uint64_t byteSizeOf(const toml::node &node, const std::string &key);

// Sources named in the project file are found beside it.
std::string resolveBesideProject(const std::string &projectName, const std::string &source);

#endif
