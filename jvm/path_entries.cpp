#include "jvm/path_entries.h"

#include "common/records.h"
#include "common/text.h"
#include "diagnostics/log.h"

namespace {

bool endsWith(const std::string &text, char c) { return !text.empty() && text.back() == c; }

void dropOneTrailingSemicolon(std::string &text) {
    if (endsWith(text, ';'))
        text.pop_back();
}

// The pieces of a value that expanded to a path list, each resolved.
std::vector<std::string> resolvedPieces(PathEntrySystem &system, const std::string &value) {
    std::vector<std::string> pieces;
    size_t position = 0;
    while (position < value.size()) {
        std::string piece = nextToken(value, position, ';');
        if (!piece.empty())
            pieces.push_back(system.resolve(piece));
    }
    return pieces;
}

std::string joinPieces(const std::vector<std::string> &pieces) {
    std::string text;
    for (const std::string &piece : pieces) {
        if (!text.empty())
            text += ';';
        text += piece;
    }
    return text;
}

// Every piece is tested by itself: a joined list of several paths never
// exists as one name, so a required entry with several would always fail.
bool appendNamedPaths(PathEntrySystem &system, const std::string &value, std::string &path) {
    std::vector<std::string> pieces = resolvedPieces(system, value);
    bool found = !pieces.empty();
    for (const std::string &piece : pieces)
        found = system.exists(piece) && found;
    path += joinPieces(pieces);
    path += ';';
    return found;
}

bool appendArchivesOfDirectories(PathEntrySystem &system, const std::string &value, std::string &path) {
    std::vector<std::string> directories = resolvedPieces(system, value);
    bool found = !directories.empty();
    for (const std::string &directory : directories) {
        bool hasJars = appendArchivesInDirectory(system, path, directory, "jar");
        bool hasZips = appendArchivesInDirectory(system, path, directory, "zip");
        found = (hasJars || hasZips) && found;
    }
    return found;
}

// True when the variable is defined; an optional undefined one adds nothing.
bool appendVariableValue(PathEntrySystem &system, const std::string &name, std::string &path) {
    std::optional<std::string> value = system.environmentValue(name);
    if (!value)
        return false;
    std::string text = unquotedEnvironmentValue(*value);
    path += text;
    if (!endsWith(text, ';'))
        path += ';';
    return true;
}

PathEntryFailure appendPathEntry(PathEntrySystem &system, const PathEntry &entry, bool forClassPath,
                                 std::string &path) {
    std::string value = system.expand(entry.value);
    bool found = false;
    switch (entry.type) {
    case 'A':
    case 'D': found = appendNamedPaths(system, value, path); break;
    case 'E':
        found = appendVariableValue(system, value, path);
        if (!found && entry.required)
            return PathEntryFailure{message::kVariableUndefined, value};
        break;
    case 'S':
        found = forClassPath ? appendArchivesOfDirectories(system, value, path) : appendNamedPaths(system, value, path);
        break;
    default: break;  // an unknown type adds nothing, so a required one is not found
    }
    if (!found && entry.required)
        return PathEntryFailure{message::kEntryNotFound, value};
    return PathEntryFailure();
}

bool hasExtension(const std::string &name, const std::string &extension) {
    if (name.size() < extension.size())
        return false;
    for (size_t i = 0; i < extension.size(); i++) {
        char a = name[name.size() - extension.size() + i];
        char b = extension[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

}  // namespace

std::vector<PathEntry> splitPathEntries(const std::string &text) {
    std::vector<PathEntry> entries;
    size_t position = 0;
    while (position < text.size()) {
        std::string entry = nextToken(text, position, ';');
        if (entry.size() < 2)
            continue;
        entries.push_back(PathEntry{entry[0], entry[1] == '1', entry.substr(2)});
    }
    return entries;
}

std::string unquotedEnvironmentValue(const std::string &value) {
    // A value of one double quote both starts and ends with one; it is kept
    // as it is rather than cut to a negative length.
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

PathEntryFailure appendPathEntries(PathEntrySystem &system, const std::string &entries, bool forClassPath,
                                   std::string &path) {
    logMessage("entry %S", entries.c_str());
    std::vector<PathEntry> kept = splitPathEntries(entries);
    logMessage("entries %d", static_cast<int>(kept.size()));
    for (const PathEntry &entry : kept) {
        PathEntryFailure failure = appendPathEntry(system, entry, forClassPath, path);
        if (failure.messageId != 0)
            return failure;
    }
    return PathEntryFailure();
}

bool appendArchivesInDirectory(PathEntrySystem &system, std::string &path, const std::string &directory,
                               const std::string &extension) {
    if (directory.empty() || !system.exists(directory))
        return false;
    std::string dottedExtension = (extension.empty() || extension[0] != '.' ? "." : "") + extension;
    // A pattern also matches by short names ("x.jarx" as "X~1.JAR"): only
    // files that really carry the extension count.
    for (const std::string &name : system.findFiles(directory + "\\*" + dottedExtension)) {
        if (!hasExtension(name, dottedExtension))
            continue;
        path += system.resolve(directory + "\\" + name);
        path += ';';
    }
    return true;
}

void appendRuntimeJar(PathEntrySystem &system, std::string &path) {
    path += system.applicationDirectory();
    if (!endsWith(path, '\\'))
        path += '\\';
    path += ".zanthor\\znoruntime.jar;";
}

PathTexts buildPathTexts(PathEntrySystem &system, const PathTextSources &sources) {
    PathTexts texts;
    logMessage("adding preconfigured modulepath");
    texts.failure = appendPathEntries(system, sources.modulePathEntries, false, texts.modulePath);
    if (texts.failure.messageId != 0)
        return texts;
    texts.classPath = "-Djava.class.path=";
    if (sources.overrides.prepend)
        texts.classPath += *sources.overrides.prepend + ";";
    std::string &extras =
        !texts.modulePath.empty() || sources.moduleMainClass ? texts.modulePath : texts.classPath;
    appendArchivesInDirectory(system, extras, sources.launcherTempDir, "jar");
    appendArchivesInDirectory(system, extras, sources.launcherTempDir, "zip");
    if (sources.runtimeJar)
        appendRuntimeJar(system, extras);
    if (sources.overrides.replacement) {
        texts.classPath += *sources.overrides.replacement;
    } else {
        logMessage("adding preconfigured classpath");
        texts.failure = appendPathEntries(system, sources.classPathEntries, true, texts.classPath);
        if (texts.failure.messageId != 0)
            return texts;
    }
    if (sources.overrides.append) {
        if (!endsWith(texts.classPath, ';'))
            texts.classPath += ';';
        texts.classPath += *sources.overrides.append;
    }
    dropOneTrailingSemicolon(texts.modulePath);
    dropOneTrailingSemicolon(texts.classPath);
    return texts;
}
