// The History page drawn offscreen for a printer whose black cartridge was changed, from a store the test writes.
#include <QApplication>
#include <QChartView>
#include <QImage>
#include <QLegendMarker>
#include <QTest>
#include <QtCharts/QChart>
#include <QtCharts/QXYSeries>

#include "fleet_store.h"
#include "history_page.h"
#include "temp_dir.h"

using namespace netrov;

namespace {

constexpr int64_t kMonday = 1767571200;  // 5 January 2026, 00:00 UTC
constexpr int64_t kDay = 86400;
constexpr int kDays = 30;
constexpr int kChangeDay = 20;
// A colorant name that is markup: it must show as text.
const char* const kMarkupColour = "<b>cyan</b>";

store::SupplyReading supply(int32_t index, const char* colour, int32_t level)
{
    store::SupplyReading s;
    s.index = index;
    s.kind = 3;
    s.colour = colour;
    s.description = std::string(colour) + " toner";
    s.level = level;
    s.maximum = 100;
    s.unit = store::kUnitPercent;
    return s;
}

// Black falls 2 points a day from 60, is changed on day 20 and falls again from 100; cyan falls 1 a day from 90.
void writeHistory(const std::string& path)
{
    store::FleetStore fleet;
    QVERIFY(fleet.open(path).ok());
    for (int day = 0; day <= kDays; ++day) {
        store::DeviceReading d;
        d.identity = {"10.0.0.5", "00:11:22:33:44:55", "SN5", "Model 5"};
        d.pageCount = 1000 + day * 100;
        const int black = day < kChangeDay ? 60 - 2 * day : 100 - 2 * (day - kChangeDay);
        d.supplies = {supply(1, "black", black), supply(2, kMarkupColour, 90 - day)};
        QVERIFY(fleet.writeRound(kMonday + day * kDay + 12 * 3600, std::span(&d, 1)).ok());
    }
}

QColor dominant(const QImage& image, const QColor& wanted)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - wanted.red()) < 12 && std::abs(c.green() - wanted.green()) < 12 &&
                std::abs(c.blue() - wanted.blue()) < 12)
                return c;
        }
    return {};
}

}  // namespace

class HistoryPageTest : public QObject {
    Q_OBJECT
private slots:
    void drawsEachSupplyWithItsChangeAndForecast()
    {
        test::TempDir dir;
        const std::string path = dir.file("fleet.db");
        writeHistory(path);
        const int64_t now = kMonday + kDays * kDay + 13 * 3600;

        ui::HistoryPage page;
        page.showDevice(QString::fromStdString(path), QStringLiteral("10.0.0.5"), now);
        const auto& plots = page.plots();
        QCOMPARE(plots.size(), 2);

        const ui::SupplyPlot& black = plots[0];
        QCOMPARE(black.name, QStringLiteral("black"));
        QCOMPARE(black.colour, ui::supplyColour(QStringLiteral("black"), 0));
        QCOMPARE(black.levels.front(), QPointF(static_cast<qreal>((kMonday + 12 * 3600) * 1000), 60));
        // One change, where the level went back to 100 on day 20.
        QCOMPARE(black.changes.size(), 1);
        QCOMPARE(black.changes[0], QPointF(static_cast<qreal>((kMonday + kChangeDay * kDay + 12 * 3600) * 1000), 100));
        // 80 left at 2 a day: empty about 40 days from now.
        QCOMPARE(black.forecast.size(), 2);
        QCOMPARE(black.forecast[0].y(), 80.0);
        QCOMPARE(black.forecast[1].y(), 0.0);
        const double days = (black.forecast[1].x() / 1000 - static_cast<double>(now)) / kDay;
        QVERIFY2(days > 36 && days < 44, qPrintable(QString::number(days)));

        const ui::SupplyPlot& cyan = plots[1];
        QCOMPARE(cyan.name, QString::fromUtf8(kMarkupColour));
        QCOMPARE(cyan.colour, ui::supplyColour(QStringLiteral("cyan"), 1));
        QVERIFY(cyan.changes.isEmpty());

        // Lines, the change marks and the forecasts; the markup shows as text in the legend.
        QChart* chart = page.chartView()->chart();
        QCOMPARE(chart->series().size(), 5);
        QStringList labels;
        for (QLegendMarker* marker : chart->legend()->markers()) labels << marker->label();
        QVERIFY2(labels.contains(QStringLiteral("&lt;b&gt;cyan&lt;/b&gt;")), qPrintable(labels.join('|')));
        QVERIFY(page.noteText().isEmpty());
        // The change is in the events beside the plot, once.
        QCOMPARE(page.eventLines().filter(QStringLiteral("cartridge changed  supply 1 (black)")).size(), 1);

        page.resize(900, 500);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        const QImage image = page.grab().toImage();
        QVERIFY(!image.isNull());
        QVERIFY2(dominant(image, black.colour).isValid(), "the black supply is not drawn");
        QVERIFY2(dominant(image, cyan.colour).isValid(), "the cyan supply is not drawn");
    }

    void saysWhyThereIsNothingToDraw()
    {
        test::TempDir dir;
        const std::string path = dir.file("fleet.db");
        writeHistory(path);
        ui::HistoryPage page;
        page.showDevice(QString::fromStdString(path), QStringLiteral("10.9.9.9"));
        QVERIFY(page.plots().isEmpty());
        QCOMPARE(page.noteText(), QStringLiteral("No history yet: this device has not been watched."));
        QCOMPARE(page.chartView()->chart()->series().size(), 0);

        page.showDevice(QString::fromStdString(dir.file("none.db")), QStringLiteral("10.0.0.5"));
        QVERIFY2(page.noteText().contains(QStringLiteral("no such store")), qPrintable(page.noteText()));

        // A supply whose forecast has no number says why.
        page.showDevice(QString::fromStdString(path), QStringLiteral("SN5"), kMonday + 90 * kDay);
        QVERIFY2(page.noteText().contains(QStringLiteral("no use in 59 days")), qPrintable(page.noteText()));
    }
};

QTEST_MAIN(HistoryPageTest)
#include "history_page_test.moc"
