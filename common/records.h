// Every configuration record and message id by name. The launcher, the block
// writer and the tests read and write the block only through these names.
#ifndef PELLUX_COMMON_RECORDS_H
#define PELLUX_COMMON_RECORDS_H

#include <cstdint>

#include "common/settings_schema.h"

namespace record {
constexpr TextSetting kServiceName = textSetting(101);
constexpr FlagSetting kRedirectError = flagSetting(102);
constexpr TextSetting kErrorFile = textSetting(103);
constexpr FlagSetting kRedirectOutput = flagSetting(104);
constexpr TextSetting kOutputFile = textSetting(105);
constexpr FlagSetting kAppendOutput = flagSetting(106);
constexpr IntSetting kLauncherType = intSetting(107);  // see launcher types below
constexpr FlagSetting kSplashTexts = flagSetting(108);
constexpr TextSetting kClassPath = textSetting(121);
constexpr TextSetting kMainClass = textSetting(122);
constexpr TextSetting kVmParameters = textSetting(123);
constexpr TextSetting kMainArguments = textSetting(124);
constexpr FlagSetting kJavaOptionArguments = flagSetting(125);
constexpr TextSetting kMinimumVersion = textSetting(126);
constexpr TextSetting kMaximumVersion = textSetting(127);
constexpr TextSetting kSearchSequence = textSetting(128);
constexpr FlagSetting kAllowBeta = flagSetting(130);
constexpr FlagSetting kRequireJdk = flagSetting(131);
constexpr TextSetting kModulePath = textSetting(132);
constexpr FlagSetting kMainInModule = flagSetting(133);
constexpr FlagSetting kForceDirectoryEntries = flagSetting(134);
constexpr TextSetting kWorkingDirectory = textSetting(146);
constexpr TextSetting kDependencies = textSetting(149);
constexpr TextSetting kPreferredVmType = textSetting(152);
constexpr FlagSetting kAddDllDirectories = flagSetting(154);
constexpr FlagSetting kInstanceAllSessions = flagSetting(158);
constexpr TextSetting kApplicationId = textSetting(160);
constexpr FlagSetting kSplashFlag = flagSetting(163);
constexpr FlagSetting kOnlyZnoJres = flagSetting(165);
constexpr FlagSetting kDefaultVmOptionsFile = flagSetting(166);
constexpr TextSetting kSharingKey = textSetting(167);
constexpr FlagSetting kTakeZnoJres = flagSetting(168);
constexpr FlagSetting kInstancePerSession = flagSetting(200);
constexpr TextSetting kLauncherFlavour = textSetting(2001);
constexpr IntSetting kEmbeddedFileCount = intSetting(2002);
constexpr TextSetting kEmbeddedFileNames = textSetting(2003);
constexpr TextSetting kInstallationDirectory = textSetting(10003);
constexpr TextSetting kNativeLibraryDirectories = textSetting(10004);
constexpr FlagSetting kSingleInstance = flagSetting(10005);
constexpr FlagSetting kActivateInstance = flagSetting(10008);
constexpr FlagSetting kLongTempPaths = flagSetting(10009);
constexpr FlagSetting kReducePath = flagSetting(10010);
constexpr FlagSetting kIgnoreJavaOptions = flagSetting(10012);
constexpr IntSetting kSplashStatusX = intSetting(10109);
constexpr IntSetting kSplashStatusY = intSetting(10110);
constexpr TextSetting kSplashStatusText = textSetting(10111);
constexpr IntSetting kSplashStatusFontSize = intSetting(10113);
constexpr TextSetting kSplashStatusColour = textSetting(10114);
constexpr IntSetting kSplashStatusFontWeight = intSetting(10115);
constexpr IntSetting kSplashVersionX = intSetting(10116);
constexpr IntSetting kSplashVersionY = intSetting(10117);
constexpr TextSetting kSplashVersionText = textSetting(10118);
constexpr IntSetting kSplashVersionFontSize = intSetting(10120);
constexpr TextSetting kSplashVersionColour = textSetting(10121);
constexpr IntSetting kSplashVersionFontWeight = intSetting(10122);
// Version-specific VM options: a count, then a condition and an option text
// for each entry i at kVersionOptionFirst + 2i and + 2i + 1.
constexpr IntSetting kVersionOptionCount = intSetting(10200);
constexpr int32_t kVersionOptionFirst = 10201;  // past the records of the schema
inline TextSetting versionCondition(int32_t entry) { return TextSetting{kVersionOptionFirst + 2 * entry}; }
inline TextSetting versionOptions(int32_t entry) { return TextSetting{kVersionOptionFirst + 2 * entry + 1}; }

// Records of behaviour the original format does not know start here; a block
// without them behaves as before.
constexpr int32_t kExtensionFirst = 30000;
// Service robustness: bounds in the schema.
constexpr ClampedSetting kStopBudget = clampedSetting(30000);
constexpr ClampedSetting kPreshutdownTimeout = clampedSetting(30001);
constexpr SwitchSetting kWorkerJob = switchSetting(30002);
constexpr ClampedSetting kRecoveryRestarts = clampedSetting(30003);
constexpr ClampedSetting kRecoveryDelay = clampedSetting(30004);
constexpr ClampedSetting kRecoveryReset = clampedSetting(30005);
// Readiness, liveness and the stop report: bounds in the schema.
constexpr TextSetting kReadyMode = textSetting(30500);  // "port" or "api"; absent: running at once
constexpr ClampedSetting kReadyPort = clampedSetting(30501);
constexpr TextSetting kReadyHost = textSetting(30502);
constexpr ClampedSetting kReadyTimeout = clampedSetting(30503);
constexpr ClampedSetting kWatchdogTimeout = clampedSetting(30504);
constexpr SwitchSetting kStopReport = switchSetting(30505);
// Install: the account the service runs under, "LocalSystem" (also when
// absent), "LocalService", "NetworkService", "virtual" (NT SERVICE\<name>),
// "DOMAIN\user" or ".\user" (password at install) or "DOMAIN\name$" (gMSA).
constexpr TextSetting kServiceAccount = textSetting(30300);
// The service host makes its worker's temporary directory and removes it
// after the worker, which leaves it when the application ends through
// System.exit (the stop path of a service).
constexpr FlagSetting kHostRemovesWorkerTempDir = flagSetting(30301);
// Administration: "NAME=value" lines set in the application's environment.
constexpr TextSetting kEnvironment = textSetting(30600);
constexpr SwitchSetting kDelayedAutoStart = switchSetting(30601);
// Install changes an existing registration of this executable instead of
// deleting and re-creating it, and says "Updated service".
constexpr SwitchSetting kUpdateInPlace = switchSetting(30602);
constexpr SwitchSetting kEventLog = switchSetting(30603);
// Install refuses a LocalSystem service whose folder, runtime, options or
// parents others may change; without it install only warns, on stderr.
constexpr SwitchSetting kRefuseWritableFolder = switchSetting(30400);
// The service's worker runs even when an instance object of its name exists:
// the Service Control Manager already runs one, and anyone may make one.
constexpr SwitchSetting kServiceWorkerIgnoresInstance = switchSetting(30401);
// Uninstall deletes only a registration of this program.
constexpr SwitchSetting kUninstallOwnOnly = switchSetting(30402);
// PATH reduction (10010) matches the Windows directory as whole folders, not
// as a prefix that C:\WindowsApps passes; the "path" runtime search looks
// in PATH only, not in the current directory first.
constexpr SwitchSetting kStrictPathSearch = switchSetting(30403);
// Redirected output is not written through a link, junction or second name,
// and output folders the launcher makes let only the account and the
// administrators in: a user who may create files there could otherwise
// steer the service's writes, renames and truncations.
constexpr SwitchSetting kSafeOutputFiles = switchSetting(30404);
constexpr ByteCountSetting kOutputMaxSize = byteCountSetting(30200);  // rotate a redirected file past this size
constexpr IntSetting kOutputKeep = intSetting(30201);                 // rotated files kept; 0 truncates in place
}  // namespace record

namespace robustness {
// The service-specific exit code reported when the worker had to be ended.
constexpr uint32_t kWorkerEndedExitCode = 5001;
// The application did not become ready within service.ready.timeout.
constexpr uint32_t kNotReadyExitCode = 5002;
// The application gave no sign of life within service.watchdog.timeout.
constexpr uint32_t kWatchdogExitCode = 5003;
}  // namespace robustness

// Values of record::kLauncherType: 1 and 5 show fatal errors in a message box;
// 4 installs with automatic start, every other value with demand start.
namespace launcher_type {
constexpr int32_t kWindowed = 1;
constexpr int32_t kDemandService = 2;
constexpr int32_t kAutomaticService = 4;
constexpr int32_t kMessageBoxConsole = 5;
}  // namespace launcher_type

namespace message {
constexpr int32_t kErrorCaption = 1000;
constexpr int32_t kNoJvmFoundAnyBits = 1001;
constexpr int32_t kVariableJvmNotWorkingAnyBits = 1002;
constexpr int32_t kJvmDamagedAnyBits = 1003;
constexpr int32_t kNoJvmFound64 = 1004;
constexpr int32_t kJvmNotStarted = 1005;
constexpr int32_t kEntryNotFound = 1006;
constexpr int32_t kWrongParameterUsage = 1007;
constexpr int32_t kVariableUndefined = 1008;
constexpr int32_t kInternalError = 1009;
constexpr int32_t kMainClassNotLoaded = 1010;
constexpr int32_t kMainMethodNotFound = 1011;
constexpr int32_t kOkButton = 1012;
constexpr int32_t kStartingCaption = 1013;
constexpr int32_t kStartingText = 1014;
constexpr int32_t kNoTempRoot = 1015;
constexpr int32_t kNoJvmFound = 1016;
constexpr int32_t kVariableJvmNotWorking = 1017;
constexpr int32_t kVariableJvmNotWorking64 = 1018;
constexpr int32_t kJvmDamaged = 1019;
constexpr int32_t kJvmDamaged64 = 1020;
constexpr int32_t kUnpackFailed = 1021;
constexpr int32_t kServiceDescription = 20017;
}  // namespace message

#endif
