// Building the device window's pages from a device's details.
#include "device_pages.h"

#include <QDateTime>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QProgressBar>
#include <QVBoxLayout>

#include <netrov/result_codes.h>

#include "device_rows.h"
#include "local_text.h"
#include "plain_text.h"
#include "result_text.h"
#include "words.h"

namespace netrov::ui {

namespace {

constexpr int kBarWidth = 140;

QLabel* plain(const QString& text, QWidget* parent, const char* name = nullptr)
{
    auto* label = new PlainLabel(text, parent);
    if (name) label->setObjectName(QString::fromLatin1(name));
    return label;
}

QString words(const std::string& text) { return local(text); }

// Why a query has nothing to show, or empty when it has records.
std::string missingWhy(const core::DeviceDetails& details, const char* name)
{
    const auto reading = details.readings.find(name);
    if (!details.answered) {
        const auto info = details.readings.find("GetDevInfo");
        return info == details.readings.end() ? core::notReported() : core::resultWords(info->second.result);
    }
    if (!core::findQuery(name) || reading == details.readings.end() || reading->second.result == NETROV_NOT_DEFINED ||
        reading->second.result == NETROV_NO_ENTRY_POINT || reading->second.result == NETROV_NO_VALUE)
        return core::notReported();
    if (reading->second.result != NETROV_OK) return core::resultWords(reading->second.result);
    if (reading->second.stored() == 0) return core::notReported();
    return {};
}

QProgressBar* levelBar(const core::LevelLine& level, QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QStringLiteral("LevelBar"));
    bar->setRange(0, 100);
    bar->setTextVisible(false);  // the level stands beside the bar, where it has room
    bar->setFixedWidth(kBarWidth);
    const bool measured = level.percent && *level.percent >= 0 && *level.percent <= 100;
    bar->setValue(measured ? *level.percent : 0);
    QPalette palette = bar->palette();
    if (level.state == core::LevelState::Empty || level.state == core::LevelState::Low)
        palette.setColor(QPalette::Highlight, QColor(0xc0, 0x20, 0x20));
    // An empty bar has nothing to fill: its ground says it is empty.
    if (level.state == core::LevelState::Empty) palette.setColor(QPalette::Base, QColor(0xf4, 0xc7, 0xc7));
    else if (level.rgb)
        palette.setColor(QPalette::Highlight, QColor::fromRgb(*level.rgb));
    bar->setPalette(palette);
    return bar;
}

// Rows of name, bar, level and detail in one grid.
void addLevels(QGridLayout* grid, const std::vector<core::LevelLine>& levels, QWidget* parent)
{
    int row = grid->rowCount();
    for (const core::LevelLine& level : levels) {
        grid->addWidget(plain(words(level.name), parent, "LevelName"), row, 0);
        grid->addWidget(levelBar(level, parent), row, 1);
        grid->addWidget(plain(words(core::levelWords(level)), parent, "LevelText"), row, 2);
        grid->addWidget(plain(words(level.detail), parent, "LevelDetail"), row, 3);
        ++row;
    }
    grid->setColumnStretch(3, 1);
}

void addLines(QFormLayout* form, const std::vector<core::DetailLine>& lines, const Translate& translate, QWidget* parent)
{
    for (const core::DetailLine& line : lines)
        form->addRow(plain(translate(line.key, line.label), parent, "FieldLabel"), plain(words(line.value), parent, "FieldValue"));
}

}  // namespace

Translate untranslated()
{
    return [](const std::string&, const std::string& english) { return QString::fromStdString(english); };
}

QString staleNote(std::chrono::system_clock::time_point readAt)
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(readAt.time_since_epoch()).count());
    return QStringLiteral("as of %1; not answering now").arg(at.toString(QStringLiteral("HH:mm")));
}

QWidget* buildSummary(const core::DeviceDetails& details, const QString& note, const Translate& translate)
{
    auto* box = new QWidget;
    box->setObjectName(QStringLiteral("Summary"));
    auto* form = new QFormLayout(box);
    const core::DeviceSummary summary = core::summarize(details);
    const auto row = [&](const char* key, const char* english, const std::string& value) {
        form->addRow(plain(translate(key, english), box, "FieldLabel"),
                     plain(words(value.empty() ? core::notReported() : value), box, "FieldValue"));
    };
    row("summaryModel", "Model", summary.model);
    row("summarySerial", "Serial number", summary.serial);
    row("summaryPages", "Page count", summary.pages ? core::formatCount(static_cast<int64_t>(*summary.pages)) : std::string());
    row("summaryLowest", "Lowest supply",
        summary.lowest ? summary.lowest->name + " " + core::levelWords(*summary.lowest) : std::string());
    row("summaryAlerts", "Alerts", summary.alerts ? std::to_string(summary.alerts) : std::string("no alerts"));
    row("summaryAttention", "Attention", core::attentionSentence(summary.attention));
    if (!note.isEmpty()) form->addRow(plain(note, box, "Stale"));
    return box;
}

QWidget* buildReadingSummary(const core::DeviceReport& reading, const Translate& translate)
{
    auto* box = new QWidget;
    box->setObjectName(QStringLiteral("ReadingSummary"));
    auto* column = new QVBoxLayout(box);
    auto* form = new QFormLayout;
    column->addLayout(form);
    const auto row = [&](const char* key, const char* english, const std::string& value) {
        form->addRow(plain(translate(key, english), box, "FieldLabel"),
                     plain(words(value.empty() ? core::notReported() : value), box, "FieldValue"));
    };
    row("summaryModel", "Model", reading.model);
    row("summarySerial", "Serial number", reading.serialNumber);
    row("summaryPages", "Page count",
        reading.pageCount ? core::formatCount(static_cast<int64_t>(*reading.pageCount)) : std::string());
    row("summaryStatus", "Status", reading.status);
    row("summaryAttention", "Attention", core::attentionSentence(core::deviceAttention(reading)));
    if (reading.alerts.empty()) row("summaryAlerts", "Alerts", "no alerts");
    for (const std::string& alert : reading.alerts) row("summaryAlert", "Alert", alert);
    for (const std::string& disagreement : reading.sourceDisagreements)
        row("summaryDisagree", "Sources disagree", disagreement);
    auto* grid = new QGridLayout;
    addLevels(grid, ui::readingLevels(reading), box);
    column->addLayout(grid);
    column->addStretch(1);
    return box;
}

QWidget* buildPage(const core::DetailSection& section, const core::DeviceDetails& details, const Translate& translate)
{
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(section.title));
    auto* layout = new QVBoxLayout(page);
    std::vector<core::DetailLine> missing;
    QFormLayout* singles = nullptr;
    for (const char* name : section.queries) {
        const std::string title = core::queryTitle(std::string_view(name));
        const std::string why = missingWhy(details, name);
        if (!why.empty()) {
            missing.push_back({name, title, why});
            continue;
        }
        const core::QueryReading& reading = details.readings.at(name);
        const core::QuerySchema& query = *core::findQuery(name);
        const std::vector<core::LevelLine> levels = core::levelLines(name, reading);
        std::vector<std::vector<core::DetailLine>> records;
        for (int32_t i = 0; levels.empty() && i < reading.stored(); ++i) {
            records.push_back(core::describeRecord(name, *query.record, reading.record(i)));
            // A record of one field ("text", "value") is what the query's title says.
            std::vector<core::DetailLine>& lines = records.back();
            if (query.record->fields.size() == 1 && lines.size() == 1 && lines[0].key.rfind("field.", 0) == 0) {
                lines[0].key = name;
                lines[0].label = title;
            }
        }
        // A query that says one thing joins the others that do, under one heading.
        if (levels.empty() && records.size() == 1 && records[0].size() == 1) {
            if (!singles) {
                auto* group = new QGroupBox(translate("general", "General"), page);
                group->setObjectName(QStringLiteral("General"));
                layout->insertWidget(0, group);
                singles = new QFormLayout(group);
            }
            addLines(singles, records[0], translate, singles->parentWidget());
            continue;
        }
        auto* group = new QGroupBox(translate(name, title), page);
        group->setObjectName(QString::fromLatin1(name));
        layout->addWidget(group);
        if (!levels.empty()) {
            addLevels(new QGridLayout(group), levels, group);
            continue;
        }
        auto* form = new QFormLayout(group);
        for (size_t i = 0; i < records.size(); ++i) {
            if (i > 0) form->addRow(plain(QString(), group));
            addLines(form, records[i], translate, group);
        }
    }
    if (!missing.empty()) {
        auto* group = new QGroupBox(translate("notReported", "Not reported"), page);
        group->setObjectName(QStringLiteral("NotReported"));
        addLines(new QFormLayout(group), missing, translate, group);
        layout->addWidget(group);
    }
    layout->addStretch(1);
    return page;
}

}  // namespace netrov::ui
