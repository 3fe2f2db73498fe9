// The walk through an option file and the files it includes, apart from how
// files are found and opened: the launcher reads them from disk, the fuzz
// target from memory. No Win32 here.
#ifndef PELLUX_JVM_VM_OPTION_WALK_H
#define PELLUX_JVM_VM_OPTION_WALK_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "jvm/vm_option_rules.h"

// Includes nest no deeper; catches cycles that name one file in two ways
// (a short and a long name) which the open-file check cannot see.
const size_t kMaxIncludeDepth = 16;
// Files read in one walk at most: a file that includes another twice, nested
// deep, would otherwise be read an exponential number of times.
const size_t kMaxIncludedFiles = 1000;

// The raw lines of one open file, in pieces of at most kVmOptionLinePiece bytes.
class VmOptionLines {
public:
    virtual ~VmOptionLines() = default;
    virtual bool next(std::string &piece) = 0;
};

// What the walk needs from outside.
class VmOptionFiles {
public:
    // The file an include names, resolved against includingFile (the
    // executable when empty); path receives the resolved name. Null when it
    // does not open, which adds nothing.
    virtual std::unique_ptr<VmOptionLines> openInclude(const std::wstring &includingFile, const std::wstring &name,
                                                       std::wstring &path) = 0;
    // One text for every name of a file, so a cycle is seen through any spelling.
    virtual std::wstring identity(const std::wstring &path) = 0;
    // The entry a trimmed line holds (widened, variables expanded).
    virtual std::wstring lineEntry(const std::string &line) = 0;
    // An option or class path entry; rest as classifyVmOptionEntry gives it.
    virtual void addEntry(VmOptionEntryForm form, const std::wstring &entry, const std::wstring &rest) = 0;

protected:
    ~VmOptionFiles() = default;
};

class VmOptionWalk {
public:
    explicit VmOptionWalk(VmOptionFiles &files) : files_(files) {}
    // Reads every line of a file and, depth first, what it includes. shownPath
    // names the file in the log and in the cycle check; includes resolve
    // against includeBase. A file already being read, nested deeper than
    // kMaxIncludeDepth or beyond kMaxIncludedFiles is refused with a log line.
    void readFile(const std::wstring &shownPath, const std::wstring &includeBase, VmOptionLines &lines);
    // includeBase: the file holding the entry, empty when it comes from elsewhere.
    void addEntry(const std::wstring &includeBase, const std::wstring &entry);
    size_t depth() const { return filesBeingRead_.size(); }
    size_t filesRead() const { return filesRead_; }

private:
    bool mayRead(const std::wstring &shownPath, const std::wstring &identity) const;
    void include(const std::wstring &includingFile, const std::wstring &name);

    VmOptionFiles &files_;
    // The files being read, outermost first, by identity.
    std::vector<std::wstring> filesBeingRead_;
    size_t filesRead_ = 0;
};

#endif
