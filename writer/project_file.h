// The packaging tool's input: a TOML file with raw config records, message
// texts and locale groups.
//
//   [records]               # config record id = text, integer or boolean
//   101 = "MyService"
//   107 = 4
//   [messages]              # message id = text; replaces the built-in text
//   1010 = "The application's main class is missing."
//   [[locale]]              # applied in file order when the user's locale
//   name = "de"             # begins with the name
//   [locale.messages]
//   1010 = "Hauptklasse nicht gefunden."
//   [[embed]]               # a file carried in the launcher and extracted into
//   source = "dist/app.jar" # its temporary directory; source relative to the
//   name = "lib/app.jar"    # project file; name optional (default: the source's
//                           # file name), one directory level at most
#ifndef PELLUX_WRITER_PROJECT_FILE_H
#define PELLUX_WRITER_PROJECT_FILE_H

#include <string>

#include "writer/block_writer.h"

// Reads the project file text (name used in messages and as the base of
// relative embedded sources, which are read here) on top of the built-in
// messages. On failure, error holds "name:line: message" and false is returned.
bool readProjectFile(const std::string &name, const std::string &text, BlockContent *content, std::string *error);

// The file's bytes; false when it is no regular file or cannot be read.
bool readWholeFile(const std::string &path, std::string *bytes);

#endif
