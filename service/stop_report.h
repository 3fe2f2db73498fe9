// The stop report's file: what the application's threads were doing when the
// host had to end it, kept beside the output files as the last few reports.
#ifndef PELLUX_SERVICE_STOP_REPORT_H
#define PELLUX_SERVICE_STOP_REPORT_H

#include <string>

#include "config/settings.h"

// The folder the reports of this executable go to, absolute.
std::wstring stopReportFolderPath(const Settings &settings);
// Writes the text to a new report and removes all but the newest reports.
// False (logged) when it cannot be written.
bool writeStopReport(const std::wstring &folder, const std::string &text);
// The newest report in the folder, empty when there is none.
std::wstring latestStopReport(const std::wstring &folder);

#endif
