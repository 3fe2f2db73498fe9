#include "writer/host_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

std::string ownExecutableFolder() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return std::string();
    std::string file(path, static_cast<size_t>(length));
    size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

namespace {

bool writeAll(int file, const std::string &bytes) {
    for (size_t done = 0; done < bytes.size();) {
        ssize_t written = write(file, bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

mode_t currentUmask() {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

}  // namespace

bool writeFileAtomically(const std::string &path, const std::string &bytes) {
    std::string temporary = path + ".partial-XXXXXX";
    int file = mkstemp(&temporary[0]);
    if (file < 0)
        return false;
    bool written = fchmod(file, 0666 & ~currentUmask()) == 0 && writeAll(file, bytes);
    if (close(file) != 0 || !written) {
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool makeFreshDirectory(std::string *pattern) {
    if (!mkdtemp(&(*pattern)[0]))
        return false;
    chmod(pattern->c_str(), 0777 & ~currentUmask());
    return true;
}

const char kHostSeparators[] = "/";

bool isAbsoluteHostPath(const std::string &path) { return !path.empty() && path[0] == '/'; }

std::string hostPathProblem(const std::string &) { return std::string(); }
