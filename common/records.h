// Every configuration record and message id by name. The launcher, the block
// writer and the tests read and write the block only through these names.
#ifndef PELLUX_COMMON_RECORDS_H
#define PELLUX_COMMON_RECORDS_H

#include <cstdint>

namespace record {
constexpr int32_t kServiceName = 101;
constexpr int32_t kRedirectError = 102;       // flag
constexpr int32_t kErrorFile = 103;
constexpr int32_t kRedirectOutput = 104;      // flag
constexpr int32_t kOutputFile = 105;
constexpr int32_t kAppendOutput = 106;        // flag
constexpr int32_t kLauncherType = 107;        // see launcher types below
constexpr int32_t kSplashTexts = 108;         // flag
constexpr int32_t kClassPath = 121;           // typed entries
constexpr int32_t kMainClass = 122;
constexpr int32_t kVmParameters = 123;
constexpr int32_t kMainArguments = 124;
constexpr int32_t kJavaOptionArguments = 125;  // flag: "-J" arguments are VM options
constexpr int32_t kMinimumVersion = 126;
constexpr int32_t kMaximumVersion = 127;
constexpr int32_t kSearchSequence = 128;
constexpr int32_t kAllowBeta = 130;           // flag
constexpr int32_t kRequireJdk = 131;          // flag
constexpr int32_t kModulePath = 132;          // typed entries
constexpr int32_t kMainInModule = 133;        // flag: the main class is module/class
constexpr int32_t kForceDirectoryEntries = 134;  // flag
constexpr int32_t kWorkingDirectory = 146;
constexpr int32_t kDependencies = 149;
constexpr int32_t kPreferredVmType = 152;
constexpr int32_t kAddDllDirectories = 154;   // flag
constexpr int32_t kInstanceAllSessions = 158;  // flag
constexpr int32_t kApplicationId = 160;
constexpr int32_t kSplashFlag = 163;          // flag
constexpr int32_t kOnlyZnoJres = 165;         // flag
constexpr int32_t kDefaultVmOptionsFile = 166;  // flag
constexpr int32_t kSharingKey = 167;
constexpr int32_t kTakeZnoJres = 168;         // flag
constexpr int32_t kInstancePerSession = 200;  // flag
constexpr int32_t kLauncherFlavour = 2001;
constexpr int32_t kEmbeddedFileCount = 2002;
constexpr int32_t kEmbeddedFileNames = 2003;
constexpr int32_t kInstallationDirectory = 10003;
constexpr int32_t kNativeLibraryDirectories = 10004;
constexpr int32_t kSingleInstance = 10005;    // flag
constexpr int32_t kActivateInstance = 10008;  // flag
constexpr int32_t kLongTempPaths = 10009;     // flag
constexpr int32_t kReducePath = 10010;        // flag
constexpr int32_t kIgnoreJavaOptions = 10012;  // flag
constexpr int32_t kSplashStatusX = 10109;
constexpr int32_t kSplashStatusY = 10110;
constexpr int32_t kSplashStatusText = 10111;
constexpr int32_t kSplashStatusFontSize = 10113;
constexpr int32_t kSplashStatusColour = 10114;
constexpr int32_t kSplashStatusFontWeight = 10115;
constexpr int32_t kSplashVersionX = 10116;
constexpr int32_t kSplashVersionY = 10117;
constexpr int32_t kSplashVersionText = 10118;
constexpr int32_t kSplashVersionFontSize = 10120;
constexpr int32_t kSplashVersionColour = 10121;
constexpr int32_t kSplashVersionFontWeight = 10122;
// Version-specific VM options: a count, then a condition and an option text
// for each entry i at kVersionOptionFirst + 2i and + 2i + 1.
constexpr int32_t kVersionOptionCount = 10200;
constexpr int32_t kVersionOptionFirst = 10201;
inline int32_t versionCondition(int32_t entry) { return kVersionOptionFirst + 2 * entry; }
inline int32_t versionOptions(int32_t entry) { return kVersionOptionFirst + 2 * entry + 1; }

// Records of behaviour the original format does not know start here; a block
// without them behaves as before.
constexpr int32_t kExtensionFirst = 30000;
// Service robustness (see namespace robustness below for the bounds).
constexpr int32_t kStopBudget = 30000;         // seconds a stop may take before the worker is ended
constexpr int32_t kPreshutdownTimeout = 30001;  // seconds: accept pre-shutdown and register this timeout
constexpr int32_t kWorkerJob = 30002;          // flag: the worker ends with the host (kill-on-close job)
constexpr int32_t kRecoveryRestarts = 30003;   // restarts Windows makes after failures; sets recovery up
constexpr int32_t kRecoveryDelay = 30004;      // seconds before each restart
constexpr int32_t kRecoveryReset = 30005;      // seconds without a failure that reset the count
// Install: the account the service runs under, "LocalSystem" (also when
// absent), "LocalService", "NetworkService" or "virtual" (NT SERVICE\<name>).
constexpr int32_t kServiceAccount = 30300;
// Flag: the service host makes its worker's temporary directory and removes it
// after the worker, which leaves it when the application ends through
// System.exit (the stop path of a service).
constexpr int32_t kHostRemovesWorkerTempDir = 30301;
constexpr int32_t kOutputMaxSize = 30200;  // bytes, decimal: rotate a redirected file past this size
constexpr int32_t kOutputKeep = 30201;     // rotated files kept; 0 truncates in place
}  // namespace record

// Bounds of the robustness records: the packaging tool refuses values outside
// them, the launcher clamps a raw block's values into them and logs it.
namespace robustness {
constexpr int32_t kMaxStopBudget = 3600;
// Time the host needs after the budget to end the worker and report.
constexpr int32_t kEndWorkerMargin = 5;
constexpr int32_t kMaxPreshutdownTimeout = kMaxStopBudget + kEndWorkerMargin;
constexpr int32_t kMaxRestarts = 10;
constexpr int32_t kMaxRecoveryDelay = 86400;
constexpr int32_t kMaxRecoveryReset = 30 * 86400;
// Packaging defaults.
constexpr int32_t kDefaultStopBudget = 30;
constexpr int32_t kDefaultRestarts = 3;
constexpr int32_t kDefaultRecoveryDelay = 10;
constexpr int32_t kDefaultRecoveryReset = 86400;
// The service-specific exit code reported when the worker had to be ended.
constexpr uint32_t kWorkerEndedExitCode = 5001;
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
