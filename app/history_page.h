// The History page: each supply's stored level over time in its own colour, cartridge changes marked, and the forecast to its empty date.
#pragma once

#include <QColor>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include <cstdint>

#include "fleet_store.h"

class QChartView;
class QLabel;
class QListWidget;

namespace netrov::ui {

// One supply as the page draws it. Times are milliseconds since 1970 (UTC), levels percent.
struct SupplyPlot {
    QString name;                 // the device's colour or description, as plain text
    QColor colour;
    QVector<QPointF> levels;      // drawn as steps: a level holds until the next
    QVector<QPointF> changes;     // where a new cartridge began
    QVector<QPointF> forecast;    // from now at the estimated level to the empty date at 0; empty when none
    QString reason;               // why there is no forecast, when there is none
};

// The plot of a stored device at time now (seconds since 1970). Supplies
// without a measured level are left out, since they have nothing to draw.
QVector<SupplyPlot> historyPlots(store::FleetStore& store, const store::DeviceRecord& device, int64_t now);

// What the store recorded of a device, newest first: one line each, "2026-01-05 09:00  cartridge changed  supply 1 (black)" (local time).
QStringList historyEvents(store::FleetStore& store, const store::DeviceRecord& device);

// The colour a supply is drawn in: its named colorant, else one of a fixed set by its position.
QColor supplyColour(const QString& name, int position);

class HistoryPage : public QWidget {
    Q_OBJECT
public:
    explicit HistoryPage(QWidget* parent = nullptr);

    // Shows the history of the device whose address, serial number or MAC is
    // key, read from the store at storePath; a plain sentence instead when
    // there is no store or no such device. now: seconds since 1970, 0 for the clock.
    void showDevice(const QString& storePath, const QString& key, int64_t now = 0);

    QChartView* chartView() const { return view_; }
    QString noteText() const;
    const QVector<SupplyPlot>& plots() const { return plots_; }
    QStringList eventLines() const;

private:
    void draw();

    QChartView* view_ = nullptr;  // owned by the page, as Qt children are
    QLabel* note_ = nullptr;
    QListWidget* events_ = nullptr;  // the device's events beside the plot
    QVector<SupplyPlot> plots_;
};

}  // namespace netrov::ui
