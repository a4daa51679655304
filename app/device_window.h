// The device window: status with the alerts in words, supplies as level bars,
// paper, device and network pages drawn from the record schema.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QListView>
#include <QStyledItemDelegate>

#include "detached_read.h"
#include "device_pages.h"
#include "device_details.h"
#include "device_rows.h"
#include "source_reading.h"
#include "words.h"

class QLabel;
class QScrollArea;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTabWidget;
class QTreeView;

namespace netrov::ui {

using core::DetailSection;
using core::DeviceDetails;
using core::DeviceGauge;
using core::detailSections;
using core::readDeviceDetails;
using core::readDeviceGauge;
using core::fieldTitle;
using core::queryTitle;

// Item data the level bars read: the remaining percentage (0..100, or the
// device's negative level code), and the supply's colour.
inline constexpr int kLevelRole = Qt::UserRole + 1;
inline constexpr int kColourRole = Qt::UserRole + 2;

// What a query that a device does not answer, or a build does not describe,
// shows: core::notReported() in English, for comparisons.
inline constexpr const char* kNotReported = "not reported";

// Fills a page's model: a row per query (title, and a value when there is
// one record or none), under it a row per record with its fields. Records
// with a remaining percentage carry it for the level bar, with their colour.
void fillSectionModel(QStandardItemModel& model, const DeviceDetails& details, const DetailSection& section);
// One row per alert: message, recovery hint under it, and the picture.
void fillAlertModel(QStandardItemModel& model, const DeviceDetails& details);

// Draws a cell with a level as a bar in the supply's colour, with the
// percentage or the device's text for a special level over it.
class LevelBarDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The alerts with their pictures, message and hint, wrapped.
class AlertListView : public QListView {
public:
    explicit AlertListView(QWidget* parent = nullptr);
};

class LanguageFile;
class HistoryPage;

class DeviceWindow : public QDialog {
    Q_OBJECT
public:
    // library must outlive the window (its reads hold a copy of its access,
    // so a read abandoned by the window's end needs nothing of the window).
    DeviceWindow(core::FrontLibrary& library, const core::DeviceListEntry& entry, RowWords words,
                 QWidget* parent = nullptr);
    // Reads the device from the chosen source: with auto, over IPP when SNMP
    // does not answer; with IPP, by IPP alone; with both, the two merged.
    DeviceWindow(core::FrontLibrary& library, const core::DeviceListEntry& entry, RowWords words,
                 const core::SourceOptions& source, QWidget* parent = nullptr);
    // Abandons a read in flight; never waits for the device.
    ~DeviceWindow() override;

    const core::DeviceListEntry& device() const { return details_.entry; }
    bool loading() const { return loading_; }
    QStandardItemModel* alertModel() const { return alertModel_; }
    // The page models, in the order of detailSections().
    QStandardItemModel* sectionModel(size_t section) const;
    QTabWidget* pages() const { return pages_; }
    QString statusText() const;
    // "Source: SNMP", "Source: IPP" or "Source: SNMP and IPP", of the last reading.
    QString sourceText() const;
    // The last reading by the chosen source beyond SNMP's queries; answered
    // false when there is none.
    const core::DeviceReport& reading() const { return reading_; }
    QString webPage() const;
    // "as of 14:02; not answering now" while the device keeps its last readings, else empty.
    QString staleText() const { return stale_; }
    // The page labels in the language file's words (section DeviceWindow, by
    // label key); null: English. language must outlive the window.
    void setLanguage(const LanguageFile* language);
    // Adds the History page: the device's stored levels from the fleet store at storePath.
    void showHistory(const std::string& storePath);
    // The History page; null until showHistory.
    HistoryPage* historyPage() const { return history_; }

public slots:
    // Reads the device again on a detached thread; the window stays usable.
    // Does nothing while a read is in flight.
    void refresh();

signals:
    void loaded();

private:
    void apply(const DeviceDetails& details, const std::optional<core::DeviceReport>& reading);
    void rebuildPages();

    core::FrontLibrary& library_;
    RowWords words_;
    core::SourceOptions source_;
    DeviceDetails details_;
    core::DeviceReport reading_{};  // answered false until another source has read the device
    QLabel* title_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* sourceLabel_ = nullptr;
    QLabel* link_ = nullptr;
    QProgressBar* busy_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QStandardItemModel* alertModel_ = nullptr;
    std::vector<QStandardItemModel*> sectionModels_;
    std::vector<QScrollArea*> pageAreas_;  // one per section; the Status page's holds the summary
    Translate translate_ = untranslated();
    QString stale_;
    HistoryPage* history_ = nullptr;  // a page of pages_, which owns it
    DetachedRead reader_{this};
    bool loading_ = false;
};

}  // namespace netrov::ui
