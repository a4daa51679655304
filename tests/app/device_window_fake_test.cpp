// The device window over a faked device access: every query goes through it,
// with no network and no real front library.
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

#include <atomic>
#include <cstring>
#include <memory>

#include <netrov/consumable_records.h>
#include <netrov/result_codes.h>

#include "device_window.h"
#include "netrover_view.h"
#include "ui_test_support.h"
#include "view_test_support.h"

using namespace netrov::ui;
namespace core = netrov::core;
using netrov::test::FakePrinters;

namespace {

RowWords englishWords() { return loadRowWords(netrov::test::englishLanguage()); }

size_t sectionIndex(const char* title)
{
    const auto sections = detailSections();
    for (size_t i = 0; i < sections.size(); ++i)
        if (std::string_view(sections[i].title) == title) return i;
    return sections.size();
}

// One black toner at 40 %; every other described query is not defined.
FakePrinters::Described oneToner(std::shared_ptr<std::atomic<int>> asked)
{
    return [asked](const core::QuerySchema& query, DeviceIdentity*, void* records, int32_t capacity, int32_t* count) {
        ++*asked;
        if (std::string_view(query.name) != "GetDevToner") return int32_t{NETROV_NOT_DEFINED};
        *count = 1;
        if (capacity < 1) return int32_t{NETROV_OK};
        TonerEntry toner{};
        toner.nameValid = 1;
        std::strcpy(toner.name, "Black toner");
        toner.remainingPercentValid = 1;
        toner.remainingPercent = 40;
        std::memcpy(records, &toner, sizeof toner);
        return int32_t{NETROV_OK};
    };
}

const QStandardItem* supplyRow(DeviceWindow& window, const QString& text)
{
    const QStandardItem* root = window.sectionModel(sectionIndex("Supplies"))->invisibleRootItem();
    for (int query = 0; query < root->rowCount(); ++query) {
        const QStandardItem* item = root->child(query, 0);
        for (int row = 0; row < item->rowCount(); ++row)
            if (item->child(row, 0)->text() == text) return item->child(row, 1);
    }
    return nullptr;
}

}  // namespace

class DeviceWindowFakeTest : public QObject {
    Q_OBJECT
private slots:
    void describedQueriesGoThroughTheAccess()
    {
        const auto asked = std::make_shared<std::atomic<int>>(0);
        FakePrinters printers(netrov::test::samplePrinters(), oneToner(asked));
        DeviceWindow window(printers.library(), netrov::test::samplePrinters()[0], englishWords());
        QSignalSpy loaded(&window, &DeviceWindow::loaded);
        QVERIFY(loaded.wait(5000));
        const QStandardItem* toner = supplyRow(window, QStringLiteral("Black toner"));
        QVERIFY(toner);
        QCOMPARE(toner->data(kLevelRole).toInt(), 40);
        QCOMPARE(toner->text(), QStringLiteral("40 %"));
        // Every described query of the pages was asked of the fake, none of the real library.
        QVERIFY(*asked > 10);
    }

    void anAccessWithoutDescribedQueriesLeavesThemNotReported()
    {
        FakePrinters printers(netrov::test::samplePrinters());
        DeviceWindow window(printers.library(), netrov::test::samplePrinters()[0], englishWords());
        QSignalSpy loaded(&window, &DeviceWindow::loaded);
        QVERIFY(loaded.wait(5000));
        const QStandardItem* supplies = window.sectionModel(sectionIndex("Supplies"))->invisibleRootItem();
        QCOMPARE(supplies->child(0, 1)->text(), QString::fromLatin1(kNotReported));
        QCOMPARE(window.statusText(), QStringLiteral("Status: Ready"));
    }
};

NETROV_REGISTER_TEST(DeviceWindowFakeTest);

#include "device_window_fake_test.moc"
