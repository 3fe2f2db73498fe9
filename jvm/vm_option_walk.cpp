#include "jvm/vm_option_walk.h"

#include <algorithm>

#include "diagnostics/log.h"

void VmOptionWalk::readFile(const std::wstring &shownPath, const std::wstring &includeBase, VmOptionLines &lines) {
    std::wstring identity = files_.identity(shownPath);
    if (!mayRead(shownPath, identity))
        return;
    filesRead_++;
    filesBeingRead_.push_back(identity);
    std::string line;
    while (lines.next(line))
        if (trimVmOptionLine(line))
            addEntry(includeBase, files_.lineEntry(line));
    filesBeingRead_.pop_back();
}

void VmOptionWalk::addEntry(const std::wstring &includeBase, const std::wstring &entry) {
    std::wstring rest;
    VmOptionEntryForm form = classifyVmOptionEntry(entry, rest);
    if (form == VmOptionEntryForm::IncludeOptions)
        include(includeBase, rest);
    else
        files_.addEntry(form, entry, rest);
}

// A cycle or runaway nesting would otherwise recurse until the stack is gone.
bool VmOptionWalk::mayRead(const std::wstring &shownPath, const std::wstring &identity) const {
    if (std::find(filesBeingRead_.begin(), filesBeingRead_.end(), identity) != filesBeingRead_.end()) {
        logError("vmoptions %s includes itself, not read again", shownPath.c_str());
        return false;
    }
    if (filesBeingRead_.size() >= kMaxIncludeDepth) {
        logError("vmoptions %s nested deeper than %d includes, not read", shownPath.c_str(),
                 static_cast<int>(kMaxIncludeDepth));
        return false;
    }
    if (filesRead_ >= kMaxIncludedFiles) {
        logError("vmoptions %s not read, %d files read already", shownPath.c_str(),
                 static_cast<int>(kMaxIncludedFiles));
        return false;
    }
    return true;
}

void VmOptionWalk::include(const std::wstring &includingFile, const std::wstring &name) {
    std::wstring path;
    std::unique_ptr<VmOptionLines> lines = files_.openInclude(includingFile, name, path);
    if (lines != nullptr)
        readFile(path, path, *lines);
    logMessage("adding vmoptions 2");
    logMessage("adding vmoptions 3");
}
