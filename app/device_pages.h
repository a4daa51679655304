// The device window's pages laid out for people: a summary over the alerts,
// supplies and trays as level bars, and each query's fields as labelled lines.
#pragma once

#include <functional>
#include <string>

#include <QString>

#include "device_details.h"
#include "fleet_report.h"

class QWidget;

namespace netrov::ui {

// A label's words: the language file's entry for key, else english.
using Translate = std::function<QString(const std::string& key, const std::string& english)>;
// English as it is.
Translate untranslated();

// The summary the Status page opens with: model, serial number, page count,
// the lowest supply, the alerts and whether the device needs attention.
// note, when not empty, says how old the readings are. The caller owns the result.
QWidget* buildSummary(const core::DeviceDetails& details, const QString& note, const Translate& translate);

// The summary of a printer read by another source than SNMP's queries (or by
// both): model, serial number, page count, status, attention, each alert in
// words, where the sources disagree, then every supply and tray as a level
// row. The caller owns the result.
QWidget* buildReadingSummary(const core::DeviceReport& reading, const Translate& translate);

// One page's content for the queries of section. Level queries become rows
// of name, bar, level and detail; the others labelled lines per record; the
// queries without an answer are named once at the end. The caller owns the result.
QWidget* buildPage(const core::DetailSection& section, const core::DeviceDetails& details, const Translate& translate);

// "as of 14:02; not answering now" for readings taken at readAt.
QString staleNote(std::chrono::system_clock::time_point readAt);

}  // namespace netrov::ui
