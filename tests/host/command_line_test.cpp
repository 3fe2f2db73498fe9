#include <gtest/gtest.h>

#include "entry/command_line.h"

namespace {

StringList split(const wchar_t *text) {
    StringList list;
    splitCommandLine(text, list);
    return list;
}

StringList args(std::initializer_list<const wchar_t *> items) { return StringList(items.begin(), items.end()); }

TEST(SplitCommandLine, BlanksSeparateAndRunsCountAsOne) {
    EXPECT_EQ(split(L"a b\tc"), args({L"a", L"b", L"c"}));
    EXPECT_EQ(split(L"a   b"), args({L"a", L"b"}));
    EXPECT_EQ(split(L"a  "), args({L"a"}));
}

TEST(SplitCommandLine, LeadingBlanksYieldOneEmptyToken) {
    EXPECT_EQ(split(L"  a"), args({L"", L"a"}));
    EXPECT_EQ(split(L"   "), args({L""}));
}

TEST(SplitCommandLine, EmptyTextYieldsNoToken) {
    EXPECT_TRUE(split(L"").empty());
    EXPECT_TRUE(split(nullptr).empty());
}

TEST(SplitCommandLine, QuotesGroupBlanksAndTabs) {
    EXPECT_EQ(split(L"\"x y\" z"), args({L"x y", L"z"}));
    EXPECT_EQ(split(L"\"a\tb\""), args({L"a\tb"}));
    EXPECT_EQ(split(L"\"a\"b\"c\""), args({L"abc"}));
}

TEST(SplitCommandLine, ClosingQuoteFollowedByQuoteYieldsLiteralQuote) {
    EXPECT_EQ(split(L"\"a\"\"b\""), args({L"a\"b"}));
    EXPECT_EQ(split(L"\"\"\"\""), args({L"\""}));
    EXPECT_EQ(split(L"\"\""), args({L""}));
}

TEST(SplitCommandLine, QuoteAfterBlankStartsNextToken) {
    EXPECT_EQ(split(L"a \"b c\""), args({L"a", L"b c"}));
}

TEST(SplitCommandLine, UnterminatedQuoteRunsToTheEnd) { EXPECT_EQ(split(L"\"a b"), args({L"a b"})); }

TEST(SplitCommandLine, BackslashesAndNewlinesAreOrdinary) {
    EXPECT_EQ(split(L"\"C:\\dir\\\" x"), args({L"C:\\dir\\", L"x"}));
    EXPECT_EQ(split(L"a\nb c"), args({L"a\nb", L"c"}));
}

TEST(LookupCommand, WordsAreCaseSensitive) {
    EXPECT_EQ(lookupCommand(L"install"), Command::Install);
    EXPECT_EQ(lookupCommand(L"Install"), Command::Unknown);
    EXPECT_EQ(lookupCommand(L"?"), Command::Usage);
    EXPECT_EQ(lookupCommand(L"help"), Command::Usage);
    EXPECT_EQ(lookupCommand(L"install-and-start"), Command::InstallAndStart);
    EXPECT_EQ(lookupCommand(L"run-redirect"), Command::RunRedirect);
    EXPECT_EQ(lookupCommand(L""), Command::Unknown);
}

TEST(DecideRole, SwitchPrefixesAllGiveTheSameWord) {
    for (const wchar_t *token : {L"/install", L"-install", L"--install", L"/-install"}) {
        StringList list = args({token});
        RoleDecision decision = decideRole(list);
        EXPECT_EQ(decision.role, RoleDecision::CommandSwitch) << token;
        EXPECT_EQ(decision.commandWord, L"install") << token;
        EXPECT_TRUE(list.empty());
    }
}

TEST(DecideRole, NoArgumentsOrNoSwitchGoToTheDispatcher) {
    StringList none;
    EXPECT_EQ(decideRole(none).role, RoleDecision::Dispatcher);
    StringList nameFirst = args({L"SomeName", L"/install"});
    RoleDecision decision = decideRole(nameFirst);
    EXPECT_EQ(decision.role, RoleDecision::Dispatcher);
    EXPECT_FALSE(decision.hasServiceNameArgument);
    EXPECT_EQ(nameFirst.size(), 2u);
}

TEST(DecideRole, UnknownOrEmptyWordReachesTheDispatcher) {
    StringList capital = args({L"/Install"});
    EXPECT_EQ(decideRole(capital).role, RoleDecision::Dispatcher);
    StringList slash = args({L"/"});
    RoleDecision decision = decideRole(slash);
    EXPECT_EQ(decision.role, RoleDecision::Dispatcher);
    EXPECT_EQ(decision.commandWord, L"");
}

TEST(DecideRole, ArgumentAfterAnySwitchBecomesTheServiceName) {
    StringList unknown = args({L"/frobnicate", L"X"});
    RoleDecision decision = decideRole(unknown);
    EXPECT_EQ(decision.role, RoleDecision::Dispatcher);
    EXPECT_TRUE(decision.hasServiceNameArgument);
    EXPECT_EQ(decision.serviceNameArgument, L"X");

    StringList stop = args({L"/stop", L"OtherName"});
    decision = decideRole(stop);
    EXPECT_EQ(decision.command, Command::Stop);
    EXPECT_EQ(decision.serviceNameArgument, L"OtherName");
    EXPECT_EQ(stop, args({L"OtherName"}));  // the name stays for /start's arguments
}

TEST(DecideRole, WorkerMarkerWinsOverASwitch) {
    StringList list = args({L"/install", L"__zno_restart"});
    EXPECT_EQ(decideRole(list).role, RoleDecision::Worker);
    EXPECT_EQ(list, args({L"/install"}));
}

TEST(DecideRole, MarkerCountsOnlyAsTheLastTokenAndExactly) {
    StringList notLast = args({L"__zno_restart", L"x"});
    EXPECT_EQ(decideRole(notLast).role, RoleDecision::Dispatcher);
    StringList otherCase = args({L"Svc", L"__ZNO_RESTART"});
    EXPECT_EQ(decideRole(otherCase).role, RoleDecision::Dispatcher);
}

}  // namespace
