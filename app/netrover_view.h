// CNetRoverView: the report list of found devices, its columns, sorting, search, refresh and device commands.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include <QIcon>
#include <QPointer>
#include <QTreeWidget>

#include "column_settings.h"
#include "detached_read.h"
#include "device_details.h"
#include "device_launcher.h"
#include "device_rows.h"
#include "fleet_memory.h"

class QMenu;
class QStyledItemDelegate;
class QTimer;

namespace netrov::core {
class FrontLibrary;
}

namespace netrov::ui {

using core::DetailSection;
using core::DeviceDetails;
using core::DeviceGauge;
using core::detailSections;
using core::readDeviceDetails;
using core::readDeviceGauge;

class CNetRoverApp;
class DeviceWindow;
class LanguageFile;

inline constexpr int kStartTimerId = 1001;
inline constexpr int kStartTimerMs = 1;

// The status and interface words of the string table.
RowWords loadRowWords(const LanguageFile& language);

// Where a context menu opened from the keyboard appears, in view coordinates:
// the row's top-left corner, with y 0 when the row sticks out above or below
// the client area and x 0 when it sticks out left or right.
QPoint keyboardMenuCorner(const QRect& row, const QRect& client);

class CNetRoverView : public QTreeWidget {
    Q_OBJECT
public:
    // app and launcher outlive the view.
    CNetRoverView(CNetRoverApp& app, DeviceLauncher& launcher, QWidget* parent = nullptr);
    // Abandons the background reading of the Toner and Pages columns (never waits for it).
    ~CNetRoverView() override;

    // The first update: images, launchers, columns, words, the one-shot start
    // timer, and the launcher entries on top of deviceMenu (may be null).
    void OnInitialUpdate(QMenu* deviceMenu);

    // Tests put a fake front library in place of the real one.
    void setFrontLibrary(core::FrontLibrary* library) { library_ = library; }

    const ColumnSettings& columnSettings() const { return columns_; }
    // Kinds of the shown columns, by position.
    const std::vector<int32_t>& shownColumns() const { return shown_; }
    // Applies customized settings: all rows and columns are made anew.
    void applyColumnSettings(const ColumnSettings& settings);
    // Reads the shown columns' widths back, then stores widths and orders.
    void saveColumns();
    void removeRowsAndFill();

    int32_t sortKind() const { return sortKind_; }
    int32_t sortDirection() const { return sortDirection_; }
    // The device index a row shows; -1 for no such row.
    int deviceIndex(int row) const;
    const RowWords& words() const { return words_; }
    bool startTimerActive() const;
    // The launcher commands (30000 + slot) put in the "Device" menu.
    const std::vector<QAction*>& launcherActions() const { return launcherActions_; }

signals:
    // The first status-bar pane's new text.
    void statusMessage(const QString& text);
    // A refresh started (true) or ended: the commands wait meanwhile.
    void busyChanged(bool busy);

public slots:
    void search();
    void searchSettings();
    void refresh();
    void customize();
    // A click on the header of the column at this position.
    void sortByPosition(int position);
    void launchSlot(int32_t slot);
    void launchDefault();
    // Opens the device window of the selected row (or raises the open one).
    void properties();
    // Asks for a file and writes the fleet report of the listed devices to it.
    void exportReport();
    // Double-click and Enter: the default device program when one is
    // registered, else the device window.
    void activateSelected();

public:
    // Whether the Toner and Pages columns are still being filled.
    bool gaugesRunning() const { return gaugesPending_ > 0; }
    // Reads every listed device's report (the window stays usable) and writes
    // it to path, CSV or JSON by its extension; false, with a message box
    // unless quiet, when it cannot be written.
    bool exportReportTo(const QString& path, bool quiet = false);
    // The open device window of a device index; null when none is open.
    DeviceWindow* deviceWindow(int index) const;
    // The fleet store the list remembers its devices in; empty: none (the list forgets, as it always did).
    void setFleetStorePath(const std::string& path) { fleetStorePath_ = path; }
    const std::string& fleetStorePath() const { return fleetStorePath_; }
    // Devices the store knows that the last search did not find, shown greyed after the found ones.
    const std::vector<RememberedDevice>& silentDevices() const { return silent_; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void insertColumns();
    // Runs work on a detached thread with a busy cursor, the status text and
    // the commands disabled; false when the program began to end meanwhile:
    // the work is then told to stop and left to end on its own, unwaited. It
    // must own (by value or shared_ptr) everything it touches.
    bool runBusy(const QString& text, std::function<void(const std::atomic<bool>& stop)> work);
    // The header shows the sorted column and its direction.
    void updateSortIndicator();
    // Puts the rows in the order of the sorted column and direction (none: as they are).
    void sortRows();
    // The Toner and Pages cells: filled in the background after a search.
    void startGauges();
    void stopGauges();
    void showGauge(int index, const ListGauge& gauge);
    void setGaugeCell(QTreeWidgetItem* row, int column, int32_t kind);
    void fillRows();
    void setCells(QTreeWidgetItem* row, const core::DeviceListEntry& entry, bool refreshedOnly);
    void readWidthsBack();
    // Writes what the last search or refresh read into the fleet store and
    // shows what it gives back: the silent devices and the Empty-in cells.
    void rememberFleet();
    void addSilentRows();
    void setEmptyInCell(QTreeWidgetItem* row, int column, const core::DeviceListEntry& entry);
    const core::DeviceListEntry* rowEntry(const QTreeWidgetItem* row, const std::vector<core::DeviceListEntry>& devices) const;
    void updateLauncherActions();
    QString string(int32_t id) const;
    bool selectedDevice(core::DeviceListEntry& entry) const;

    CNetRoverApp& app_;
    DeviceLauncher& launcher_;
    core::FrontLibrary* library_;
    ColumnSettings columns_;
    std::vector<int32_t> shown_;
    RowWords words_;
    std::vector<QIcon> images_;
    QTimer* startTimer_ = nullptr;
    std::vector<QAction*> launcherActions_;
    std::map<int, QPointer<DeviceWindow>> deviceWindows_;
    int32_t sortKind_ = -1;
    int32_t sortDirection_ = 1;
    bool busy_ = false;
    QString lastResult_;  // the last search's result text
    int startWaitedMs_ = 0;  // how long the first search waited for the window
    std::map<int, ListGauge> gauges_;  // by device index
    std::set<int> mdnsOnly_;           // device indices of the printers only mDNS found in the last search
    DetachedRead gaugeRead_{this};
    int gaugesPending_ = 0;
    QStyledItemDelegate* levelDelegate_ = nullptr;
    std::string fleetStorePath_;
    bool rememberPending_ = false;    // the gauges being read go into the store when they are in
    bool storeWarned_ = false;        // the status bar said once that the store could not be used
    std::vector<RememberedDevice> silent_;
    std::map<std::string, double> emptyInDays_;  // by address
};

}  // namespace netrov::ui
