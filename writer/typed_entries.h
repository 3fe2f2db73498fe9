// Lists whose entries the launcher tells apart by a leading letter: the class
// path and module path (records 121, 132) and the runtime search sequence
// (record 128). Throw ProjectError naming the key.
#ifndef PELLUX_WRITER_TYPED_ENTRIES_H
#define PELLUX_WRITER_TYPED_ENTRIES_H

#include <string>
#include "writer/toml.h"

// Elements: "lib/app.jar" (a file), "classes/" (a directory), "lib/*" (every
// jar and zip in lib; on the module path the directory itself), or a table
// { file | directory | jars_in | env = "...", required = true }.
std::string pathEntriesOf(const toml::node &node, const std::string &key);

// Elements: "registry", "path" (java.exe on PATH), { directory = "..." },
// { bundled = "jre" } (shipped beside the executable, used even when its
// version does not fit), { env = "JAVA_HOME" }.
std::string searchEntriesOf(const toml::node &node, const std::string &key);

#endif
