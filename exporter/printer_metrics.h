// A printer reading as Prometheus metrics: identity as an _info series,
// reachability, status and attention as state sets, counters, supply and
// tray levels as ratios with their states, and one series per alert.
#pragma once

#include <string>

#include "exposition.h"
#include "printer_reading.h"

namespace netrov::exporter {

void addPrinterMetrics(const PrinterReading& reading, Exposition& out);
std::string printerMetricsText(const PrinterReading& reading);

}  // namespace netrov::exporter
