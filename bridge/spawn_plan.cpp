#include "bridge/spawn_plan.h"

#include <string>

// $1 nonce, $2 working directory, $3-$5 ports, then the counted drive links,
// the counted environment entries and the command. Descriptors above 9 ({fd})
// keep clear of whatever the Wine process left open on 0 to 9.
static const char SPAWN_SCRIPT[] =
    "nonce=$1 dir=$2\n"
    "exec {in}<>\"/dev/tcp/127.0.0.1/$3\" {out}<>\"/dev/tcp/127.0.0.1/$4\" "
    "{err}<>\"/dev/tcp/127.0.0.1/$5\" || exit 125\n"
    "printf '%s\\n' \"$nonce\" >&$in; printf '%s\\n' \"$nonce\" >&$out; "
    "printf '%s\\n' \"$nonce\" >&$err\n"
    "shift 5\n"
    "n=$1; shift; links=(\"${@:1:n}\"); shift \"$n\"\n"
    "n=$1; shift\n"
    "for e in \"${@:1:n}\"; do case $e in *=*) export \"$e\";; *) unset \"$e\";; esac; done\n"
    "shift \"$n\"\n"
    // Arguments arrive as UTF-8; a JVM in the C locale would read them as ASCII.
    "case ${LC_ALL:-${LC_CTYPE:-${LANG:-}}} in *[Uu][Tt][Ff]-8*|*[Uu][Tt][Ff]8*) ;; "
    "*) export LC_ALL=C.UTF-8;; esac\n"
    "args=(\"$@\")\n"
    "for link in \"${links[@]}\"; do\n"
    "  target=$(realpath -m -- \"$link\"); [ \"$target\" = / ] && target=\n"
    "  args=(\"${args[@]//\"$link\"/\"$target\"}\")\n"
    "done\n"
    "[ -z \"$dir\" ] || cd -- \"$dir\" 2>/dev/null || cd /\n"
    // Linux knows nothing of the Windows process: let the program die with
    // the thread that waits for it rather than outlive a killed worker.
    "pdeath=(); command -v setpriv >/dev/null && pdeath=(setpriv --pdeathsig KILL --)\n"
    "exec <&$in >&$out 2>&$err {in}<&- {out}>&- {err}>&-\n"
    "exec \"${pdeath[@]}\" \"${args[@]}\"\n";

std::vector<std::string> buildSpawnArguments(const SpawnPlan &plan) {
    std::vector<std::string> arguments{"/bin/bash", "-c", SPAWN_SCRIPT, "bridge", plan.nonce,
                                       plan.workingDirectory};
    for (unsigned short port : plan.ports)
        arguments.push_back(std::to_string(port));
    arguments.push_back(std::to_string(plan.driveLinks.size()));
    arguments.insert(arguments.end(), plan.driveLinks.begin(), plan.driveLinks.end());
    arguments.push_back(std::to_string(plan.environment.size()));
    arguments.insert(arguments.end(), plan.environment.begin(), plan.environment.end());
    arguments.insert(arguments.end(), plan.command.begin(), plan.command.end());
    return arguments;
}

std::string dosDeviceLinkOf(const std::string &unixPath) {
    const std::string marker = "/dosdevices/";
    size_t at = unixPath.find(marker);
    if (at == std::string::npos)
        return std::string();
    size_t drive = at + marker.size();
    if (drive + 1 >= unixPath.size() || unixPath[drive + 1] != ':')
        return std::string();
    char letter = unixPath[drive];
    if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z')))
        return std::string();
    size_t end = drive + 2;
    if (end < unixPath.size() && unixPath[end] != '/')
        return std::string();
    return unixPath.substr(0, end);
}
