// The device window's pages over a described fake colour MFP, at 150 % scaling:
// no label is cut, no page shows a field name or a bare code, readings outlive an answer.
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <cstring>
#include <variant>

#include <netrov/result_codes.h>

#include "device_window.h"
#include "language_file.h"
#include "ui_test_support.h"
#include "view_test_support.h"

using namespace netrov::ui;
namespace core = netrov::core;
using netrov::test::FakePrinters;

namespace {

// One field of one record of a query, as the device answers it.
struct FakeField {
    const char* query;
    int record;
    const char* field;
    std::variant<int64_t, const char*> value;
};

// A colour MFP: toners at 40, 3 and 0 %, two trays, the engine, memory and disk,
// its up time. The word texts beside codes are numbers, as a library without
// the conversion entry gives them.
const FakeField kColourMfp[] = {
    {"GetDevToner", 0, "name", "Black toner"},          {"GetDevToner", 0, "remainingPercentage", 40},
    {"GetDevToner", 0, "supplyType", 3},                {"GetDevToner", 0, "maximumCapacity", 100},
    {"GetDevToner", 0, "capacityUnit", 19},             {"GetDevToner", 1, "name", "Cyan toner"},
    {"GetDevToner", 1, "remainingPercentage", 3},       {"GetDevToner", 2, "name", "Yellow toner"},
    {"GetDevToner", 2, "remainingPercentage", 0},       {"GetDevTray", 0, "trayName", "Tray 1"},
    {"GetDevTray", 0, "paperName", "A4"},               {"GetDevTray", 0, "mediaName", "Plain paper"},
    {"GetDevTray", 0, "maximumCapacity", 500},          {"GetDevTray", 0, "capacityUnit", 8},
    {"GetDevTray", 0, "remainingPercentage", 50},       {"GetDevTray", 1, "trayName", "Multipurpose tray"},
    {"GetDevTray", 1, "remainingPercentage", -3},       {"GetDevMarker", 0, "markingTechnology", 4},
    {"GetDevMarker", 0, "technologyName", "4"},         {"GetDevMarker", 0, "lifeCount", 123456},
    {"GetDevMarker", 0, "counterUnit", 7},              {"GetDevMarker", 0, "counterUnitName", "7"},
    {"GetDevMarker", 0, "xAddressability", 600},        {"GetDevMarker", 0, "yAddressability", 600},
    {"GetDevMarker", 0, "addressabilityUnit", 3},       {"GetDevMarker", 0, "addressabilityUnitName", "3"},
    {"GetDevSerial", 0, "text", "CX720-00042"},         {"GetDevMemory", 0, "value", 524288},
    {"GetDevHdd", 0, "value", 244140625},               {"GetDevSpeed", 0, "speed", 40},
    {"GetDevSpeed", 0, "unit", 7},                      {"GetDevSpeed", 0, "unitText", "7"},
    {"GetDevNetInfo", 0, "upTimeSeconds", 86412},
};

void setField(const core::RecordSchema& schema, void* record, const FakeField& fake)
{
    const core::FieldSchema* field = core::findField(schema, fake.field);
    QVERIFY2(field, fake.field);
    auto* bytes = static_cast<uint8_t*>(record);
    if (field->presentOffset != core::kAlwaysPresent) bytes[field->presentOffset] = 1;
    if (const auto* text = std::get_if<const char*>(&fake.value)) {
        std::strncpy(reinterpret_cast<char*>(bytes + field->offset), *text, field->size - 1);
    } else {
        const auto number = static_cast<int32_t>(std::get<int64_t>(fake.value));
        std::memcpy(bytes + field->offset, &number, sizeof number);
    }
}

FakePrinters::Described described(std::span<const FakeField> fields)
{
    return [fields](const core::QuerySchema& query, DeviceIdentity*, void* records, int32_t capacity, int32_t* count) {
        int32_t n = 0;
        for (const FakeField& f : fields)
            if (std::string_view(f.query) == query.name) n = std::max(n, f.record + 1);
        if (n == 0) return int32_t{NETROV_NOT_DEFINED};
        *count = n;
        if (capacity < n) return int32_t{NETROV_OK};
        std::memset(records, 0, static_cast<size_t>(n) * query.record->size);
        for (const FakeField& f : fields)
            if (std::string_view(f.query) == query.name)
                setField(*query.record, static_cast<uint8_t*>(records) + static_cast<size_t>(f.record) * query.record->size, f);
        return int32_t{NETROV_OK};
    };
}

// The value label beside the label with this text on the window's pages, or null.
const QLabel* valueBeside(const QWidget& window, const QString& label)
{
    for (const QLabel* name : window.findChildren<QLabel*>(QStringLiteral("FieldLabel"))) {
        if (name->text() != label) continue;
        const QWidget* parent = name->parentWidget();
        const auto values = parent->findChildren<QLabel*>(QStringLiteral("FieldValue"), Qt::FindDirectChildrenOnly);
        const auto labels = parent->findChildren<QLabel*>(QStringLiteral("FieldLabel"), Qt::FindDirectChildrenOnly);
        const qsizetype at = labels.indexOf(name);
        if (at >= 0 && at < values.size()) return values[at];
    }
    return nullptr;
}

QString valueText(const QWidget& window, const char* label)
{
    const QLabel* value = valueBeside(window, QString::fromUtf8(label));
    return value ? value->text() : QStringLiteral("(no line %1)").arg(QString::fromUtf8(label));
}

// Whether a text laid out in the label's font fits the room the label has.
bool fits(const QLabel& label, QString& why)
{
    const QRect room = label.contentsRect();
    const int flags = static_cast<int>(label.alignment()) | (label.wordWrap() ? Qt::TextWordWrap : 0);
    const QRect needed = label.fontMetrics().boundingRect(room, flags, label.text());
    if (needed.width() <= room.width() && needed.height() <= room.height()) return true;
    why = QStringLiteral("'%1' needs %2x%3, has %4x%5")
              .arg(label.text()).arg(needed.width()).arg(needed.height()).arg(room.width()).arg(room.height());
    return false;
}

struct OpenWindow {
    FakePrinters printers{netrov::test::samplePrinters(), described(kColourMfp)};
    DeviceWindow window{printers.library(), netrov::test::samplePrinters()[0], netrov::test::englishWords()};
};

}  // namespace

class DeviceWindowPagesTest : public QObject {
    Q_OBJECT
private slots:
    void nothingIsCutAtOneAndAHalf()
    {
        QCOMPARE(qgetenv("QT_SCALE_FACTOR"), QByteArray("1.5"));
        OpenWindow open;
        DeviceWindow& window = open.window;
        QSignalSpy loaded(&window, &DeviceWindow::loaded);
        QVERIFY(loaded.wait(5000));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString shots = QString::fromUtf8(NETROV_BINARY_DIR "/screenshots");
        QDir().mkpath(shots);
        int checked = 0;
        for (int page = 0; page < window.pages()->count(); ++page) {
            window.pages()->setCurrentIndex(page);
            QCoreApplication::processEvents();  // the page's layout settles before it is drawn
            const QPixmap shot = window.grab();
            shot.save(shots + QStringLiteral("/device-window-%1.png").arg(window.pages()->tabText(page).toLower()));
            for (const QLabel* label : window.pages()->currentWidget()->findChildren<QLabel*>()) {
                if (!label->isVisible() || label->text().isEmpty()) continue;
                QString why;
                QVERIFY2(fits(*label, why), qPrintable(window.pages()->tabText(page) + QStringLiteral(": ") + why));
                // The summary is whole on its page, not behind a scroll.
                if (page == 0)
                    QVERIFY2(label->visibleRegion().boundingRect() == label->rect(), qPrintable(label->text()));
                ++checked;
            }
            for (const QProgressBar* bar : window.pages()->currentWidget()->findChildren<QProgressBar*>()) {
                if (!bar->isVisible() || !bar->isTextVisible()) continue;
                const QRect needed = bar->fontMetrics().boundingRect(bar->text());
                QVERIFY2(needed.height() <= bar->height() && needed.width() <= bar->width(), qPrintable(bar->text()));
            }
        }
        QVERIFY2(checked > 40, qPrintable(QString::number(checked)));
    }

    void pagesReadInWordsAndUnits()
    {
        OpenWindow open;
        DeviceWindow& window = open.window;
        QSignalSpy loaded(&window, &DeviceWindow::loaded);
        QVERIFY(loaded.wait(5000));
        // Hand-picked values of the fake, as a person reads them.
        const std::pair<const char*, const char*> known[] = {
            {"Model", "Tarnwell ML-210"},
            {"Serial number", "CX720-00042"},
            {"Page count", "123,456"},
            {"Lowest supply", "Yellow toner 0 %"},
            {"Attention", "Needs attention: a supply is empty, a supply is low"},
            {"Installed memory", "512 MiB"},
            {"Disk capacity", "233 GiB"},
            {"Up time", "1 day 0 hours"},
            {"Resolution", "600 dpi"},
            {"Speed", "40 pages per minute"},
            {"Marking technology", "Electrophotographic (laser)"},
            {"Counter unit", "Impressions"},
        };
        for (const auto& [label, value] : known) QCOMPARE(valueText(window, label), QString::fromUtf8(value));

        // No label is a field name made into words or a helper field; no value is a bare code.
        const QRegularExpression fieldName(QStringLiteral("\\b(?!(?:NetWare|AppleTalk)\\b)\\w*[a-z][A-Z]|\\b(Text|Show)\\b| (text|show)$|^Raw|^Value$"));
        for (const QLabel* label : window.findChildren<QLabel*>(QStringLiteral("FieldLabel")))
            QVERIFY2(!fieldName.match(label->text()).hasMatch(), qPrintable(label->text()));
        const QRegularExpression bareNumber(QStringLiteral("^-?[0-9]+$|^code [0-9]+$"));
        for (const QLabel* value : window.findChildren<QLabel*>(QStringLiteral("FieldValue")))
            QVERIFY2(!bareNumber.match(value->text()).hasMatch(), qPrintable(value->text()));

        // Supplies and trays read as name, bar, level and detail.
        const struct {
            const char* name;
            const char* level;
            int bar;
            const char* detail;
        } rows[] = {
            {"Black toner", "40 %", 40, "Toner · capacity 100 percent"},
            {"Cyan toner", "3 %", 3, ""},
            {"Yellow toner", "0 %", 0, ""},
            {"Tray 1", "50 %", 50, "A4 · Plain paper · capacity 500 sheets"},
            {"Multipurpose tray", "some remaining", 0, ""},
        };
        QCOMPARE(window.findChildren<QLabel*>(QStringLiteral("LevelName")).size(), std::size(rows));
        for (const auto& row : rows) {
            const QLabel* name = nullptr;
            for (const QLabel* label : window.findChildren<QLabel*>(QStringLiteral("LevelName")))
                if (label->text() == QString::fromUtf8(row.name)) name = label;
            QVERIFY2(name, row.name);
            const QWidget* parent = name->parentWidget();
            const qsizetype at = parent->findChildren<QLabel*>(QStringLiteral("LevelName"), Qt::FindDirectChildrenOnly).indexOf(name);
            const auto beside = [&](const char* kind) {
                return parent->findChildren<QLabel*>(QString::fromLatin1(kind), Qt::FindDirectChildrenOnly).value(at)->text();
            };
            QCOMPARE(beside("LevelText"), QString::fromUtf8(row.level));
            if (*row.detail) QCOMPARE(beside("LevelDetail"), QString::fromUtf8(row.detail));
            QCOMPARE(parent->findChildren<QProgressBar*>(QStringLiteral("LevelBar"), Qt::FindDirectChildrenOnly).value(at)->value(), row.bar);
        }
        // Missing data has one wording.
        for (const QLabel* value : window.findChildren<QLabel*>())
            for (const char* other : {"none", "not reported by this device", "no usable value"})
                QVERIFY2(!value->text().contains(QString::fromUtf8(other)), qPrintable(value->text()));
    }

    void aDeviceThatStopsAnsweringKeepsItsReadings()
    {
        OpenWindow open;
        DeviceWindow& window = open.window;
        QSignalSpy loaded(&window, &DeviceWindow::loaded);
        QVERIFY(loaded.wait(5000));
        QVERIFY(window.staleText().isEmpty());
        open.printers.silence(netrov::test::samplePrinters()[0].identity.modelName);
        window.refresh();
        QVERIFY(loaded.wait(5000));
        QVERIFY2(QRegularExpression(QStringLiteral("^as of [0-9]{2}:[0-9]{2}; not answering now$")).match(window.staleText()).hasMatch(),
                 qPrintable(window.staleText()));
        QVERIFY2(window.statusText().endsWith(QStringLiteral("(") + window.staleText() + QStringLiteral(")")),
                 qPrintable(window.statusText()));
        QCOMPARE(valueText(window, "Serial number"), QStringLiteral("CX720-00042"));
        QCOMPARE(window.findChildren<QLabel*>(QStringLiteral("LevelText")).size(), 5);
        QVERIFY(window.findChild<QLabel*>(QStringLiteral("Stale")));
    }

    void labelsComeFromTheLanguageFile()
    {
        OpenWindow open;
        DeviceWindow& window = open.window;
        QSignalSpy loaded(&window, &DeviceWindow::loaded);
        QVERIFY(loaded.wait(5000));
        LanguageFile language;
        QVERIFY(language.LoadText("[DeviceWindow]\nsummaryModel=Modell\nGetDevTray=Fächer\n"));
        window.setLanguage(&language);
        QCOMPARE(valueText(window, "Modell"), QStringLiteral("Tarnwell ML-210"));
        const auto* trays = window.findChild<QGroupBox*>(QStringLiteral("GetDevTray"));
        QVERIFY(trays);
        QCOMPARE(trays->title(), QString::fromLocal8Bit("Fächer"));
        window.setLanguage(nullptr);
    }
};

NETROV_REGISTER_TEST(DeviceWindowPagesTest);

#include "device_window_pages_test.moc"
