// The device window over a faked device access: every query goes through it,
// with no network and no real front library.
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTextDocument>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include <netrov/consumable_records.h>
#include <netrov/result_codes.h>

#include "device_window.h"
#include "netrover_view.h"
#include "plain_text.h"
#include "temp_dir.h"
#include "ui_test_support.h"
#include "view_test_support.h"

using namespace netrov::ui;
using netrov::test::englishWords;
using netrov::test::sectionIndex;
namespace core = netrov::core;
using netrov::test::FakePrinters;

namespace {



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

// A FIFO that notices whoever opens it for reading, and lets them go at once
// (they read an end of file) instead of leaving them blocked.
class FifoWatch {
public:
    explicit FifoWatch(std::string path) : path_(std::move(path))
    {
        ok_ = mkfifo(path_.c_str(), 0600) == 0;
        if (!ok_) return;
        thread_ = std::thread([this] {
            while (!done_) {
                const int fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK);  // fails while nobody reads
                if (fd >= 0) {
                    opened_ = true;
                    close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    ~FifoWatch()
    {
        done_ = true;
        if (thread_.joinable()) thread_.join();
        if (ok_) unlink(path_.c_str());
    }
    bool ok() const { return ok_; }
    bool opened() const { return opened_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool ok_ = false;
    std::atomic<bool> done_{false};
    std::atomic<bool> opened_{false};
    std::thread thread_;
};

template <size_t N>
void setText(char (&field)[N], const std::string& text)
{
    std::snprintf(field, N, "%s", text.c_str());
}

// A toner table that never ends: the toner query holds until the test lets it go.
struct EndlessToner {
    std::mutex mutex;
    std::condition_variable released;
    bool letGo = false;
    std::atomic<bool> inside{false};

    void release()
    {
        std::lock_guard lock(mutex);
        letGo = true;
        released.notify_all();
    }
};

FakePrinters::Described endless(std::shared_ptr<EndlessToner> toner)
{
    return [toner](const core::QuerySchema& query, DeviceIdentity*, void*, int32_t, int32_t*) {
        if (std::string_view(query.name) != "GetDevToner") return int32_t{NETROV_NOT_DEFINED};
        toner->inside = true;
        std::unique_lock lock(toner->mutex);
        toner->released.wait_for(lock, std::chrono::seconds(30), [&] { return toner->letGo; });
        return int32_t{NETROV_NO_REPLY};
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

    void deviceTextsShowAsTheyAre()
    {
        netrov::test::TempDir dir;
        FifoWatch fifo(dir.file("picture"));
        if (!fifo.ok()) QSKIP("cannot make a FIFO");
        std::vector<core::DeviceListEntry> devices = netrov::test::samplePrinters();
        const std::string model = "<img src=\"" + fifo.path() + "\"> ML";
        const std::string name = "<b>front</b><img src=\"file://" + fifo.path() + "\" width=30000 height=30000>";
        setText(devices[0].identity.modelName, model);
        setText(devices[0].info.name, name);
        FakePrinters printers(devices);
        QElapsedTimer clock;
        clock.start();
        {
            DeviceWindow window(printers.library(), devices[0], englishWords());
            QSignalSpy loaded(&window, &DeviceWindow::loaded);
            QVERIFY(loaded.wait(5000));
            window.show();
            window.grab();  // lays out and paints every label
            const auto* heading = window.findChild<QLabel*>(QStringLiteral("Heading"));
            QVERIFY(heading);
            QCOMPARE(heading->text(), QString::fromStdString(model + " (" + name + ")"));
            QCOMPARE(window.windowTitle(), QString::fromStdString(model + " - Properties"));
            // Every label of the window shows text as it is.
            for (const QLabel* label : window.findChildren<QLabel*>())
                if (label->objectName() != QStringLiteral("WebPage"))
                    QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
        }
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!fifo.opened());
        // Tool tips, which have no format of their own, show the text itself.
        QTextDocument tip;
        tip.setHtml(plainToolTip(QString::fromStdString(name)));
        QCOMPARE(tip.toPlainText(), QString::fromStdString(name));
    }

    void closingDuringAnEndlessReadReturnsAtOnce()
    {
        const auto toner = std::make_shared<EndlessToner>();
        FakePrinters printers(netrov::test::samplePrinters(), endless(toner));
        QElapsedTimer clock;
        {
            DeviceWindow window(printers.library(), netrov::test::samplePrinters()[0], englishWords());
            QTRY_VERIFY_WITH_TIMEOUT(toner->inside.load(), 5000);
            // Refresh while the read is held: nothing waits for it.
            clock.start();
            window.refresh();
            QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
            QVERIFY(window.loading());
            clock.start();
        }
        const qint64 closed = clock.elapsed();
        toner->release();
        qInfo("closed during an endless read in %lld ms", static_cast<long long>(closed));
        QVERIFY2(closed < 1000, qPrintable(QString::number(closed)));
    }

    void alertPicturesAreReadAsRegularFilesOfBoundedSize()
    {
        netrov::test::TempDir dir;
        FifoWatch fifo(dir.file("fifo.png"));
        if (!fifo.ok()) QSKIP("cannot make a FIFO");
        // 5000 x 5000 compresses to a small file but decodes to 100 MB.
        QImage huge(5000, 5000, QImage::Format_Mono);
        huge.fill(0);
        QVERIFY(huge.save(QString::fromStdString(dir.file("huge.png"))));
        QImage small(48, 48, QImage::Format_ARGB32);
        small.fill(Qt::red);
        QVERIFY(small.save(QString::fromStdString(dir.file("small.png"))));

        DeviceDetails details;
        details.answered = true;
        for (const std::string& picture : {fifo.path(), dir.file("huge.png"), dir.file("small.png")}) {
            details.alerts.push_back(DeviceStatus{});
            details.messages.push_back({"Toner low", "Replace the toner", picture});
        }
        // The printer's own text of an alert is shown as it is, never as markup.
        details.alertFacts.resize(3);
        details.alertFacts[2].description = "<b>Front door</b> open";
        QStandardItemModel model;
        QElapsedTimer clock;
        clock.start();
        fillAlertModel(model, details);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(model.rowCount(), 3);
        QVERIFY(!fifo.opened());
        QVERIFY(model.item(0)->icon().isNull());
        QVERIFY(model.item(1)->icon().isNull());
        QVERIFY(!model.item(2)->icon().isNull());
        QVERIFY(model.item(2)->text().endsWith(QStringLiteral("\nThe printer says: <b>Front door</b> open")));
        QVERIFY(!model.item(1)->text().contains(QStringLiteral("The printer says")));
    }
};

NETROV_REGISTER_TEST(DeviceWindowFakeTest);

#include "device_window_fake_test.moc"
