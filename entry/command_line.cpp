#include "entry/command_line.h"

#include "service/service_rules.h"

Command lookupCommand(const std::wstring &word) {
    static const struct {
        const wchar_t *word;
        Command command;
    } table[] = {
        {L"?", Command::Usage},
        {L"help", Command::Usage},
        {L"install", Command::Install},
        {L"install-auto", Command::InstallAuto},
        {L"install-demand", Command::InstallDemand},
        {L"install-and-start", Command::InstallAndStart},
        {L"uninstall", Command::Uninstall},
        {L"start", Command::Start},
        {L"stop", Command::Stop},
        {L"restart", Command::Restart},
        {L"status", Command::Status},
        {L"run", Command::Run},
        {L"run-redirect", Command::RunRedirect},
        {L"diagnose", Command::Diagnose},
    };
    for (const auto &row : table)
        if (word == row.word)
            return row.command;
    return Command::Unknown;
}

RoleDecision decideRole(StringList &arguments) {
    RoleDecision decision;
    if (!arguments.empty() && arguments.back() == workerMarker) {
        arguments.pop_back();
        decision.role = RoleDecision::Worker;
        return decision;
    }
    if (arguments.empty() || (arguments.front().compare(0, 1, L"/") != 0 && arguments.front().compare(0, 1, L"-") != 0))
        return decision;
    std::wstring token = arguments.front();
    size_t skip = token.size() > 1 && token[1] == L'-' ? 2 : 1;
    decision.commandWord = token.substr(skip < token.size() ? skip : token.size());
    arguments.erase(arguments.begin());
    if (!arguments.empty()) {
        decision.hasServiceNameArgument = true;
        decision.serviceNameArgument = arguments.front();
    }
    decision.command = lookupCommand(decision.commandWord);
    decision.role = decision.command == Command::Unknown ? RoleDecision::Dispatcher : RoleDecision::CommandSwitch;
    return decision;
}
