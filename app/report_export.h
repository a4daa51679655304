// Device > Export report: the fleet report of the listed devices, read on
// worker threads and written as CSV or JSON.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include <QString>

#include "device_list.h"
#include "fleet_report.h"

namespace netrov::ui {

enum class ReportFormat { Csv, Json };

// Where Export report offers to write: netrov-report.csv in the user's
// documents folder, or in the home folder when there is no documents folder.
QString defaultReportPath();

// JSON for a file name ending in ".json" (any case), CSV otherwise.
ReportFormat reportFormatFor(const QString& path);

// Reads every device's report, a few devices at a time, in list order. stop
// ends it early (the devices not read yet are left out). With the path of a
// fleet store that exists, each report also gets what the store holds of
// the device (last seen, days left per colour), as the command line's
// report --store gives it; the store is only read, never created.
std::vector<core::DeviceReport> readReports(const std::vector<core::DeviceListEntry>& devices,
                                            const std::atomic<bool>& stop, const std::string& storePath = {});

// Writes the report in full or not at all (an existing file stays as it was
// on failure); false with the reason in error.
bool writeReport(const QString& path, const std::vector<core::DeviceReport>& reports, QString& error);

}  // namespace netrov::ui
