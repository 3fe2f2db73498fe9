// Option files include each other by name: whatever files and names a user
// writes, the walk must end, never nest past its limit, never read a file
// that is still being read under the same name, and hand on every entry but
// the includes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "jvm/vm_option_walk.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

std::wstring lowerCase(std::wstring text) {
    for (wchar_t &c : text)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

class MemoryLines : public VmOptionLines {
public:
    explicit MemoryLines(const std::string &text) : text_(text) {}
    bool next(std::string &piece) override {
        if (position_ >= text_.size())
            return false;
        size_t end = text_.find('\n', position_);
        end = end == std::string::npos ? text_.size() : end + 1;
        end = std::min(end, position_ + kVmOptionLinePiece);
        piece = text_.substr(position_, end - position_);
        position_ = end;
        return true;
    }

private:
    std::string text_;
    size_t position_ = 0;
};

// Files found without regard to case, but named as spelled: the same file
// under two spellings is what only the depth limit catches.
class MemoryFiles : public VmOptionFiles {
public:
    std::map<std::wstring, std::string> files;
    const VmOptionWalk *walk = nullptr;

    std::unique_ptr<VmOptionLines> openInclude(const std::wstring &, const std::wstring &name,
                                               std::wstring &path) override {
        path = name;
        auto found = files.find(lowerCase(name));
        if (found == files.end())
            return nullptr;
        return std::unique_ptr<VmOptionLines>(new MemoryLines(found->second));
    }
    std::wstring identity(const std::wstring &path) override { return path; }
    std::wstring lineEntry(const std::string &line) override {
        if (walk->depth() > kMaxIncludeDepth || walk->filesRead() > kMaxIncludedFiles)
            abort();
        return widened(line);
    }
    void addEntry(VmOptionEntryForm form, const std::wstring &entry, const std::wstring &rest) override {
        if (form == VmOptionEntryForm::IncludeOptions || rest.size() > entry.size())
            abort();
    }
};

}  // namespace

// Pieces: the first file's text, then name and text of up to seven more.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    MemoryFiles files;
    std::string first = input.piece();
    for (int i = 0; i < 7 && !input.empty(); i++) {
        std::wstring name = lowerCase(widened(input.piece()));
        files.files[name] = input.piece();
    }
    VmOptionWalk walk(files);
    files.walk = &walk;
    MemoryLines lines(first);
    walk.readFile(L"first", L"", lines);
    if (walk.depth() != 0)
        abort();
    return 0;
}
