// The History page: each supply's stored level over time in its own colour, cartridge changes marked, and the forecast to its empty date.
#include "history_page.h"

#include <QDateTime>
#include <QLabel>
#include <QListWidget>
#include <QPen>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <ctime>
#include <utility>

#include "forecast.h"

namespace netrov::ui {

namespace {

constexpr qint64 kMsPerSecond = 1000;
constexpr double kSecondsPerDay = 86400.0;
constexpr double kChangeMarkerSize = 9.0;
// A few events show at once; the list scrolls for more.
constexpr int kEventListHeight = 120;

// Colorant names devices give, in English, and how they are drawn.
constexpr std::pair<const char*, QRgb> kNamedColours[] = {
    {"black", 0xff202020}, {"cyan", 0xff00a0d8}, {"magenta", 0xffd0147c}, {"yellow", 0xffe8c000},
    {"red", 0xffd02020},   {"green", 0xff20a040}, {"blue", 0xff2040d0},   {"grey", 0xff808080},
    {"gray", 0xff808080},
};
// Supplies of no known colorant (drums, fusers, waste toner) take these in turn.
constexpr QRgb kOtherColours[] = {0xff8c564b, 0xff9467bd, 0xff17becf, 0xffff7f0e, 0xff7f7f7f, 0xffbcbd22};

qreal msOf(int64_t seconds)
{
    return static_cast<qreal>(seconds * kMsPerSecond);
}

QString reasonText(const store::Forecast& f)
{
    QStringList reasons;
    for (store::ForecastNote note : f.notes) reasons << QString::fromStdString(store::forecastNoteText(f, note));
    return reasons.join(QStringLiteral("; "));
}

}  // namespace

QColor supplyColour(const QString& name, int position)
{
    const QString lower = name.toLower();
    for (const auto& [word, rgb] : kNamedColours)
        if (lower.contains(QLatin1String(word))) return QColor::fromRgba(rgb);
    const int count = static_cast<int>(std::size(kOtherColours));
    return QColor::fromRgba(kOtherColours[((position % count) + count) % count]);
}

QVector<SupplyPlot> historyPlots(store::FleetStore& fleet, const store::DeviceRecord& device, int64_t now)
{
    QVector<SupplyPlot> plots;
    std::vector<store::SupplyRecord> supplies;
    if (!fleet.supplies(device.id, supplies).ok()) return plots;
    int position = 0;
    for (const store::SupplyRecord& record : supplies) {
        std::vector<store::SupplyValue> values;
        if (!fleet.supplyHistory(record.id, values).ok() || values.empty()) continue;
        SupplyPlot plot;
        const std::string& description = values.back().description;
        plot.name = QString::fromStdString(record.colour.empty() ? description : record.colour);
        plot.colour = supplyColour(plot.name + QLatin1Char(' ') + QString::fromStdString(description), position++);
        std::optional<double> last;
        for (const store::SupplyValue& v : values) {
            const std::optional<double> percent = store::levelPercent(v);
            if (!percent) continue;
            // A level holds until the next reading: a step, not a slope.
            if (last) plot.levels << QPointF(msOf(v.time), *last);
            plot.levels << QPointF(msOf(v.time), *percent);
            last = percent;
        }
        if (plot.levels.isEmpty()) continue;
        const std::vector<store::Cartridge> cartridges = store::splitCartridges(values, device.pageCount);
        for (size_t c = 1; c < cartridges.size(); ++c) {
            const store::SupplyValue& first = values[cartridges[c].first];
            plot.changes << QPointF(msOf(first.time), store::levelPercent(first).value_or(*last));
        }
        const store::Forecast forecast = store::forecastSupply(values, now, device.pageCount);
        // The last level holds until now: a supply that never moved is a flat line, not a dot.
        if (msOf(now) > plot.levels.last().x()) plot.levels << QPointF(msOf(now), *last);
        if (forecast.days && *last > 0) {
            plot.forecast << QPointF(msOf(now), *last)
                          << QPointF(msOf(now + static_cast<int64_t>(forecast.days->value * kSecondsPerDay)), 0);
        } else if (!forecast.days) {
            plot.reason = reasonText(forecast);
        }
        plots << plot;
    }
    return plots;
}

HistoryPage::HistoryPage(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    view_ = new QChartView(new QChart, this);
    view_->setRenderHint(QPainter::Antialiasing);
    note_ = new QLabel(this);
    // Device texts reach this label: never markup.
    note_->setTextFormat(Qt::PlainText);
    note_->setWordWrap(true);
    events_ = new QListWidget(this);
    // List items show text as it is: a device's words are never markup here.
    events_->setMaximumHeight(kEventListHeight);
    layout->addWidget(view_, 1);
    layout->addWidget(note_);
    layout->addWidget(events_);
}

QStringList historyEvents(store::FleetStore& fleet, const store::DeviceRecord& device)
{
    QStringList lines;
    std::vector<store::DeviceEvent> events;
    if (!fleet.events(device.id, events).ok()) return lines;
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        QString line = QDateTime::fromSecsSinceEpoch(it->time).toString(QStringLiteral("yyyy-MM-dd hh:mm")) +
                       QStringLiteral("  ") + QString::fromUtf8(store::deviceEventName(it->kind));
        if (!it->detail.empty()) line += QStringLiteral("  ") + QString::fromStdString(it->detail);
        lines << line;
    }
    return lines;
}

QStringList HistoryPage::eventLines() const
{
    QStringList lines;
    for (int i = 0; i < events_->count(); ++i) lines << events_->item(i)->text();
    return lines;
}

QString HistoryPage::noteText() const
{
    return note_->text();
}

void HistoryPage::showDevice(const QString& storePath, const QString& key, int64_t now)
{
    plots_.clear();
    if (now == 0) now = static_cast<int64_t>(std::time(nullptr));
    store::FleetStore fleet;
    store::StoreOptions options;
    options.mode = store::OpenMode::Reader;
    store::StoreStatus status = fleet.open(storePath.toStdString(), options);
    store::DeviceRecord device;
    events_->clear();
    if (status.ok()) status = fleet.findDevice(key.toStdString(), device);
    if (!status.ok()) {
        note_->setText(status.result == store::StoreResult::NotFound
                           ? tr("No history yet: this device has not been watched.")
                           : QString::fromStdString(status.message));
        draw();
        return;
    }
    plots_ = historyPlots(fleet, device, now);
    events_->addItems(historyEvents(fleet, device));
    QStringList notes;
    for (const SupplyPlot& plot : plots_)
        if (!plot.reason.isEmpty()) notes << plot.name + QStringLiteral(": ") + plot.reason;
    if (!device.answering)
        notes.prepend(tr("No answer since %1.")
                          .arg(QDateTime::fromSecsSinceEpoch(device.lastSeen).toString(QStringLiteral("yyyy-MM-dd hh:mm"))));
    note_->setText(notes.join(QLatin1Char('\n')));
    draw();
}

void HistoryPage::draw()
{
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("yyyy-MM-dd"));
    auto* level = new QValueAxis;
    level->setRange(0, 100);
    level->setLabelFormat(QStringLiteral("%d %%"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(level, Qt::AlignLeft);
    qreal from = 0;
    qreal to = 0;
    const auto attach = [&](QXYSeries* series) {
        chart->addSeries(series);
        series->attachAxis(time);
        series->attachAxis(level);
        for (const QPointF& p : series->points()) {
            from = from == 0 ? p.x() : std::min(from, p.x());
            to = std::max(to, p.x());
        }
    };
    for (const SupplyPlot& plot : plots_) {
        // Legend labels are rich text: a device's name is escaped to stay text.
        const QString name = plot.name.toHtmlEscaped();
        auto* line = new QLineSeries;
        line->setName(name);
        line->setPen(QPen(plot.colour, 2));
        line->append(plot.levels);
        attach(line);
        if (!plot.changes.isEmpty()) {
            auto* changes = new QScatterSeries;
            changes->setName(tr("%1: new cartridge").arg(name));
            changes->setColor(plot.colour);
            changes->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
            changes->setMarkerSize(kChangeMarkerSize);
            changes->append(plot.changes);
            attach(changes);
        }
        if (!plot.forecast.isEmpty()) {
            auto* forecast = new QLineSeries;
            forecast->setName(tr("%1: forecast").arg(name));
            forecast->setPen(QPen(plot.colour, 2, Qt::DashLine));
            forecast->append(plot.forecast);
            attach(forecast);
        }
    }
    if (to > from) time->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(from)),
                                  QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(to)));
    QChart* old = view_->chart();
    view_->setChart(chart);
    delete old;  // the view does not own a chart it gives up
}

}  // namespace netrov::ui
