#include "writer/host_files.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <algorithm>

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

std::string programOnPath(const std::string &program) {
    const char *path = std::getenv("PATH");
    std::string folders = path ? path : "";
    for (size_t begin = 0; begin <= folders.size();) {
        size_t end = std::min(folders.find(':', begin), folders.size());
        std::string folder = folders.substr(begin, end - begin);
        std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        struct stat status;
        if (stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        begin = end + 1;
    }
    return std::string();
}

int runProgram(const std::vector<std::string> &arguments, const std::string &directory, std::string *output) {
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (arguments.empty() || pipe(pipeEnds) != 0)
        return -1;
    pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], 1);
        dup2(pipeEnds[1], 2);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        if (chdir(directory.c_str()) != 0)
            _exit(127);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    char buffer[4096];
    ssize_t got;
    while (child > 0 && (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        output->append(buffer, static_cast<size_t>(got));
    close(pipeEnds[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
