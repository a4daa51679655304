// The device list view: columns from the language file and the store, rows from the device list.
#include "netrover_view.h"

#include <algorithm>
#include <atomic>
#include <optional>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QEventLoop>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QDir>
#include <QTimer>

#include <ctime>
#include <QWindow>

#include "customize_dlg.h"
#include "local_text.h"
#include "message_box.h"
#include "plain_text.h"
#include "report_export.h"
#include "device_window.h"
#include "front_library.h"
#include "mdns_printers.h"
#include "mdns_rows.h"
#include "merge_sort.h"
#include "netrover_app.h"
#include "search_run.h"
#include "search_setting_dlg.h"
#include "searching_dlg.h"

namespace netrov::ui {

namespace {

// Image list order: the row's own image, then the status images.
constexpr int kImageIcons[] = {145, 146, 154, 156, 155, 167, 166};
constexpr int kImageSize = 16;
constexpr int kDeviceRole = Qt::UserRole;
// On a row of a device only the store knows (its device index is -1): its place in the silent devices.
constexpr int kSilentRole = Qt::UserRole + 3;
// On every row: the days until its first supply empties, for the numeric sort of the Empty-in column.
constexpr int kEmptyInRole = Qt::UserRole + 4;
constexpr int kStartWaitStepMs = 20;
constexpr int kStartWaitLimitMs = 2000;

// Puts the count in place of the first "%d" only: the text comes from the
// language file and is never used as a format.
QString withCount(QString text, size_t count)
{
    const qsizetype at = text.indexOf(QStringLiteral("%d"));
    if (at >= 0) text.replace(at, 2, QString::number(count));
    return text;
}

// The reading of a network device from the chosen source, as the report
// reads it. A device SNMP left silent (a printer only mDNS found) is asked
// over IPP alone, and only when the source allows; none that answers
// neither gives an empty gauge, as before.
ListGauge readListGauge(const core::DeviceListEntry& entry, const core::SourceOptions& options)
{
    if (entry.identity.interfaceKind != NETROV_INTERFACE_NETWORK) return {};
    const bool snmpSilent = core::statusCode(entry) == core::kStatusNoAnswer;
    if (snmpSilent && options.source == core::Source::Snmp) return {};
    // The one reading every surface renders; the Toner and Pages cells show part of it.
    core::DeviceReport report =
        core::readFromSource(entry, core::deviceReadDeadline(entry.identity.timeout), options, !snmpSilent);
    if (snmpSilent && !report.answered) return {};
    return {report.toner, report.pageCount, std::move(report)};
}

// The confirmation of a written report, with where it went.
QString reportWrittenText(const QString& path)
{
    return QStringLiteral("The report of the listed devices was written to %1").arg(QDir::toNativeSeparators(path));
}

}  // namespace

RowWords loadRowWords(const LanguageFile& language)
{
    RowWords words;
    words.error = language.String(IDS_STR_ERROR);
    words.ready = language.String(IDS_STR_READY);
    words.powerSave = language.String(IDS_STR_POWER_SAVE);
    words.powerOff = language.String(IDS_STR_POWER_OFF);
    words.unknown = language.String(IDS_STR_UNKNOWN);
    words.warning = language.String(IDS_STR_WARNING);
    words.network = language.String(IDS_STR_NETWORK);
    return words;
}

QPoint keyboardMenuCorner(const QRect& row, const QRect& client)
{
    QPoint corner = row.topLeft();
    if (row.top() < client.top() || row.bottom() > client.bottom()) corner.setY(0);
    if (row.left() < client.left() || row.right() > client.right()) corner.setX(0);
    return corner;
}

CNetRoverView::CNetRoverView(CNetRoverApp& app, DeviceLauncher& launcher, QWidget* parent)
    : QTreeWidget(parent), app_(app), launcher_(launcher), library_(&core::FrontLibrary::tuva())
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setIconSize(QSize(kImageSize, kImageSize));
    setSortingEnabled(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(header(), &QHeaderView::sectionClicked, this, &CNetRoverView::sortByPosition);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this] { activateSelected(); });
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CNetRoverView::updateLauncherActions);
    levelDelegate_ = new LevelBarDelegate(this);
    startTimer_ = new QTimer(this);
    startTimer_->setObjectName(QStringLiteral("timer%1").arg(kStartTimerId));
    startTimer_->setInterval(kStartTimerMs);
    connect(startTimer_, &QTimer::timeout, this, [this] {
        startTimer_->stop();
        // The searching dialog centres itself over the main window: wait
        // (a little) until the window system has shown and placed it.
        const QWindow* shown = window()->windowHandle();
        if (window()->isVisible() && shown && !shown->isExposed() && startWaitedMs_ < kStartWaitLimitMs) {
            startWaitedMs_ += kStartWaitStepMs;
            startTimer_->start(kStartWaitStepMs);
            return;
        }
        search();
    });
}

CNetRoverView::~CNetRoverView() { stopGauges(); }

QString CNetRoverView::string(int32_t id) const { return local(app_.language().String(id)); }

void CNetRoverView::OnInitialUpdate(QMenu* deviceMenu)
{
    images_.clear();
    for (int icon : kImageIcons) images_.emplace_back(QStringLiteral(":/icons/%1.png").arg(icon));

    launcher_.LoadLaunchers();
    columns_ = loadColumnSettings(app_.language(), app_.store());
    insertColumns();

    words_ = loadRowWords(app_.language());
    fleetStorePath_ = app_.fleetStorePath();

    startTimer_->start();

    if (!deviceMenu) return;
    QAction* before = deviceMenu->actions().value(0);
    for (int32_t slot = 0; slot < kLauncherSlots; ++slot) {
        const std::string name = launcher_.displayName(slot);
        if (name.empty()) continue;
        auto* action = new QAction(local(name), deviceMenu);
        action->setData(kLauncherCommandBase + slot);
        connect(action, &QAction::triggered, this, [this, slot] { launchSlot(slot); });
        deviceMenu->insertAction(before, action);
        launcherActions_.push_back(action);
    }
    if (!launcherActions_.empty()) deviceMenu->insertSeparator(before);
    updateLauncherActions();
}

bool CNetRoverView::startTimerActive() const { return startTimer_->isActive(); }

void CNetRoverView::insertColumns()
{
    shown_ = shownKinds(columns_);
    QStringList headers;
    for (int32_t kind : shown_) headers << local(columns_[static_cast<size_t>(kind)].header);
    setColumnCount(static_cast<int>(shown_.size()));
    setHeaderLabels(headers);
    updateSortIndicator();
    for (size_t position = 0; position < shown_.size(); ++position) {
        headerItem()->setTextAlignment(static_cast<int>(position), Qt::AlignLeft | Qt::AlignVCenter);
        setColumnWidth(static_cast<int>(position), columns_[static_cast<size_t>(shown_[position])].width);
        setItemDelegateForColumn(static_cast<int>(position), shown_[position] == kColumnToner ? levelDelegate_ : nullptr);
    }
}

void CNetRoverView::updateSortIndicator()
{
    const auto at = std::find(shown_.begin(), shown_.end(), sortKind_);
    if (sortKind_ < 0 || at == shown_.end()) {
        header()->setSortIndicatorShown(false);
        return;
    }
    header()->setSortIndicator(static_cast<int>(at - shown_.begin()),
                               sortDirection_ == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
    header()->setSortIndicatorShown(true);
}

void CNetRoverView::setCells(QTreeWidgetItem* row, const core::DeviceListEntry& entry, bool refreshedOnly)
{
    for (size_t position = 0; position < shown_.size(); ++position) {
        const int32_t kind = shown_[position];
        if (refreshedOnly && kind != kColumnDevice && kind != kColumnLocation && kind != kColumnStatus) continue;
        const int column = static_cast<int>(position);
        if (kind == kColumnToner || kind == kColumnPages) {
            setGaugeCell(row, column, kind);
            continue;
        }
        if (kind == kColumnEmptyIn) {
            setEmptyInCell(row, column, entry);
            continue;
        }
        // A printer only mDNS found says SNMP is silent, until IPP has given its status.
        const int index = row->data(0, kDeviceRole).toInt();
        const auto gauge = gauges_.find(index);
        const bool ippStatus = gauge != gauges_.end() && readBeyondSnmp(gauge->second.reading);
        const bool mdnsOnly = kind == kColumnStatus && mdnsOnly_.count(index) && !ippStatus;
        row->setText(column, mdnsOnly ? QString::fromLatin1(kSnmpNoAnswerText) : local(cellText(entry, kind, words_)));
        if (kind == kColumnStatus) {
            const size_t image = static_cast<size_t>(core::statusWord(core::statusCode(entry)).image);
            if (image < images_.size()) row->setIcon(column, images_[image]);
        }
    }
}

void CNetRoverView::setGaugeCell(QTreeWidgetItem* row, int column, int32_t kind)
{
    const auto found = gauges_.find(row->data(0, kDeviceRole).toInt());
    const ListGauge gauge = found != gauges_.end() ? found->second : ListGauge{};
    if (kind == kColumnPages) {
        row->setText(column, gauge.pages ? QString::number(*gauge.pages) : QStringLiteral("--"));
        return;
    }
    const TonerCell cell = tonerCell(gauge.toner, words_);
    row->setText(column, local(cell.text));
    row->setData(column, kLevelRole, cell.level ? QVariant(*cell.level) : QVariant());
    // A supply that needs attention shows in red: the bar when there is one, else the word.
    const QVariant red = cell.alarm ? QVariant(QColor(Qt::red)) : QVariant();
    row->setData(column, kColourRole, red);
    row->setData(column, Qt::ForegroundRole, red);
    row->setToolTip(column, cell.toolTip.empty() ? QString() : plainToolTip(local(cell.toolTip)));
}

void CNetRoverView::startGauges()
{
    stopGauges();
    const bool shown = std::find(shown_.begin(), shown_.end(), kColumnToner) != shown_.end() ||
                       std::find(shown_.begin(), shown_.end(), kColumnPages) != shown_.end();
    // The store takes each device's whole reading, alerts included, so the
    // devices are read for it even with both columns hidden; that reading
    // goes through the process's library, so only when the list came from it.
    const bool remember = !fleetStorePath_.empty() && library_ == &core::FrontLibrary::tuva();
    // Only a library that answers described queries is asked (a stand-in's devices never are).
    if (!(shown || remember) || !library_->access().described) return;
    library_->ensureInitialised();
    const std::vector<core::DeviceListEntry> devices = app_.devices().copyAll();
    const core::SourceOptions source = app_.readSource();
    gaugesPending_ = static_cast<int>(devices.size());
    // The read owns its copy of the list; this view is reached only through
    // deliver, which drops what comes after the read was abandoned.
    const bool started = gaugeRead_.start([this, devices, source](const std::atomic<bool>& stop,
                                                                  const DetachedRead::Deliver& deliver) {
        for (size_t i = 0; i < devices.size() && !stop.load(); ++i) {
            deliver([this, i, gauge = readListGauge(devices[i], source)] { showGauge(static_cast<int>(i), gauge); });
        }
    });
    if (!started) gaugesPending_ = 0;
}

void CNetRoverView::showGauge(int index, const ListGauge& gauge)
{
    --gaugesPending_;
    gauges_[index] = gauge;
    // A printer SNMP left silent that answered over IPP shows the status IPP gave.
    core::DeviceListEntry entry = app_.devices().copy(static_cast<size_t>(index));
    const bool readOverIpp = readBeyondSnmp(gauge.reading);
    if (readOverIpp && core::statusCode(entry) == core::kStatusNoAnswer) {
        entry.status[0].simpleStatus = gauge.reading.statusCode;
        app_.devices().replace(static_cast<size_t>(index), entry.info, entry.status[0]);
    }
    for (int row = 0; row < topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = topLevelItem(row);
        if (item->data(0, kDeviceRole).toInt() != index) continue;
        if (readOverIpp) {
            setCells(item, entry, true);
            item->setToolTip(0, QStringLiteral("Read by %1").arg(QString::fromStdString(sourceText(gauge.reading.source))));
        }
        for (size_t position = 0; position < shown_.size(); ++position)
            if (shown_[position] == kColumnToner || shown_[position] == kColumnPages)
                setGaugeCell(item, static_cast<int>(position), shown_[position]);
    }
    // Sorted by Toner or Pages: the rows take their places once every device has answered.
    if (gaugesPending_ == 0 && (sortKind_ == kColumnToner || sortKind_ == kColumnPages)) sortRows();
    if (gaugesPending_ == 0 && rememberPending_) rememberFleet();
}

void CNetRoverView::setEmptyInCell(QTreeWidgetItem* row, int column, const core::DeviceListEntry& entry)
{
    const auto found = emptyInDays_.find(ipAddressText(entry));
    const std::optional<double> days = found != emptyInDays_.end() ? std::optional(found->second) : std::nullopt;
    row->setText(column, local(emptyInText(days)));
    row->setData(0, kEmptyInRole, days ? QVariant(*days) : QVariant());
}

void CNetRoverView::rememberFleet()
{
    rememberPending_ = false;
    if (fleetStorePath_.empty()) return;
    const std::vector<core::DeviceListEntry> devices = app_.devices().copyAll();
    std::vector<store::DeviceReading> readings;
    for (size_t i = 0; i < devices.size(); ++i) {
        // Only network devices have an address the store can follow them by.
        if (devices[i].identity.interfaceKind != NETROV_INTERFACE_NETWORK) continue;
        const auto gauge = gauges_.find(static_cast<int>(i));
        readings.push_back(fleetReading(devices[i], gauge != gauges_.end() ? &gauge->second : nullptr));
    }
    FleetRound round = rememberRound(fleetStorePath_, static_cast<int64_t>(std::time(nullptr)), readings);
    if (!round.status.ok()) {
        // The list keeps working as it always did; the status bar says why it forgets, once.
        if (!storeWarned_) {
            storeWarned_ = true;
            emit statusMessage(lastResult_ + QStringLiteral(" The list is not remembered: ") +
                               QString::fromStdString(round.status.message));
        }
        return;
    }
    silent_ = std::move(round.silent);
    emptyInDays_ = std::move(round.emptyInDays);
    for (int row = topLevelItemCount() - 1; row >= 0; --row)
        if (deviceIndex(row) < 0) delete takeTopLevelItem(row);
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const int index = deviceIndex(row);
        if (static_cast<size_t>(index) >= devices.size()) continue;
        for (size_t position = 0; position < shown_.size(); ++position)
            if (shown_[position] == kColumnEmptyIn)
                setEmptyInCell(topLevelItem(row), static_cast<int>(position), devices[static_cast<size_t>(index)]);
    }
    addSilentRows();
    sortRows();
}

void CNetRoverView::addSilentRows()
{
    const QBrush grey = palette().brush(QPalette::Disabled, QPalette::Text);
    QList<QTreeWidgetItem*> rows;
    for (size_t k = 0; k < silent_.size(); ++k) {
        auto* row = new QTreeWidgetItem;
        row->setText(0, QStringLiteral(" "));
        if (!images_.empty()) row->setIcon(0, images_[0]);
        row->setData(0, kDeviceRole, -1);
        row->setData(0, kSilentRole, static_cast<int>(k));
        setCells(row, silent_[k].entry, false);
        for (size_t position = 0; position < shown_.size(); ++position) {
            const int column = static_cast<int>(position);
            // It is kept, greyed, with when it last answered instead of vanishing.
            if (shown_[position] == kColumnStatus) row->setText(column, local(noAnswerSinceText(silent_[k].record.lastSeen)));
            row->setForeground(column, grey);
        }
        rows.append(row);
    }
    addTopLevelItems(rows);
}

const core::DeviceListEntry* CNetRoverView::rowEntry(const QTreeWidgetItem* row,
                                                     const std::vector<core::DeviceListEntry>& devices) const
{
    const int index = row->data(0, kDeviceRole).toInt();
    if (index >= 0) return static_cast<size_t>(index) < devices.size() ? &devices[static_cast<size_t>(index)] : nullptr;
    const QVariant silent = row->data(0, kSilentRole);
    if (!silent.isValid()) return nullptr;
    const int k = silent.toInt();
    return k >= 0 && static_cast<size_t>(k) < silent_.size() ? &silent_[static_cast<size_t>(k)].entry : nullptr;
}

void CNetRoverView::stopGauges()
{
    // Never waits: a read stuck on a device ends by itself, and its answers are dropped.
    gaugeRead_.abandon();
    gaugesPending_ = 0;
}

void CNetRoverView::fillRows()
{
    const std::vector<core::DeviceListEntry> devices = app_.devices().copyAll();
    QList<QTreeWidgetItem*> rows;
    for (size_t b = 0; b < devices.size(); ++b) {
        auto* row = new QTreeWidgetItem;
        row->setText(0, QStringLiteral(" "));
        if (!images_.empty()) row->setIcon(0, images_[0]);
        row->setData(0, kDeviceRole, static_cast<int>(b));
        setCells(row, devices[b], false);
        rows.append(row);
    }
    addTopLevelItems(rows);
    addSilentRows();
}

void CNetRoverView::removeRowsAndFill()
{
    clear();
    fillRows();
    updateLauncherActions();
}

int CNetRoverView::deviceIndex(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kDeviceRole).toInt() : -1;
}

void CNetRoverView::search()
{
    if (busy_) return;
    busy_ = true;
    stopGauges();
    gauges_.clear();
    // Device indices start over: open device windows stay, but are not reused for other devices.
    deviceWindows_.clear();
    // The silent devices come back from the store once this search is written there.
    silent_.clear();
    mdnsOnly_.clear();
    // The mDNS browse runs beside the search and ends within its window.
    std::atomic<int> browseStop{0};
    mdns::BrowseResult browsed;
    std::jthread browse;  // joined on every way out
    if (app_.searchExtent().mdns) {
        browse = std::jthread([&browsed, &browseStop] {
            try {
                browsed = mdns::browsePrinters(mdns::kBrowseWindow, &browseStop);
            } catch (const std::bad_alloc&) {
                browsed.status = mdns::BrowseStatus::Failed;
                browsed.error = "out of memory";
            }
        });
    }
    SearchRequest request;
    request.library = library_;
    request.devices = &app_.devices();
    request.settings = app_.searchSettings();
    request.addresses = app_.searchAddresses();
    request.ipv6 = parsedIpv6Addresses(app_.searchIpv6());
    request.extent = app_.searchExtent();
    request.manufacturer = app_.manufacturer();
    request.exportPath = app_.exportFilePath();
    bool completed = false;
    core::SearchShortage shortage;
    std::vector<core::CredentialsNeeded> credentialsNeeded;
    {
        CSearchingDlg dialog(&app_.language(), std::move(request), window());
        completed = dialog.exec() == QDialog::Accepted;
        shortage = dialog.shortage();
        credentialsNeeded = dialog.credentialsNeeded();
    }
    QString mdnsNote;
    if (browse.joinable()) {
        if (!completed) browseStop = 1;
        browse.join();
        if (browsed.status == mdns::BrowseStatus::Ok && completed) {
            core::DeviceList& devices = app_.devices();
            const bool filter = app_.searchSettings().Filter == 1;
            for (const core::DeviceListEntry& entry :
                 mdnsOnlyEntries(browsed.printers, devices.copyAll(), filter ? app_.manufacturer() : std::string())) {
                mdnsOnly_.insert(static_cast<int>(devices.count()));
                devices.append(entry);
            }
        } else if (browsed.status != mdns::BrowseStatus::Ok) {
            mdnsNote = QStringLiteral(" mDNS: ") + (browsed.status == mdns::BrowseStatus::NotAvailable
                                                        ? QStringLiteral("not available")
                                                        : QStringLiteral("failed")) +
                       QStringLiteral(" (%1)").arg(QString::fromStdString(browsed.error));
        }
    }
    removeRowsAndFill();
    // The new rows take the order the header shows.
    sortRows();
    busy_ = false;
    if (completed) {
        rememberPending_ = true;
        startGauges();
    }
    lastResult_ = completed ? withCount(string(IDS_STR_SEARCHRESULT), app_.devices().count()) : string(IDS_STR_SEARCHABORT);
    // Nothing at all answered: the most common cause is another community.
    if (completed && app_.devices().count() == 0) lastResult_ += QLatin1Char(' ') + string(IDS_STR_SEARCHNONE);
    // A search that could not query every address says so.
    if (shortage.any()) lastResult_ += QLatin1Char(' ') + QString::fromStdString(core::shortageText(shortage));
    // Printers that speak only SNMPv3 are there, and need a profile to be read.
    if (completed && !credentialsNeeded.empty())
        lastResult_ += QStringLiteral(" %1: %2").arg(QString::fromLatin1(core::kCredentialsNeededText),
                                                     QString::fromStdString(core::credentialsNeededList(credentialsNeeded)));
    lastResult_ += mdnsNote;
    emit statusMessage(lastResult_);
    if (rememberPending_ && gaugesPending_ == 0) rememberFleet();
}

void CNetRoverView::searchSettings()
{
    if (busy_) return;
    CSearchSettingDlg dialog(&app_.language(), app_.searchSettings(), app_.searchAddresses(), app_.searchExtent(),
                             app_.store(), window());
    if (dialog.exec() != QDialog::Accepted) return;
    app_.readSource().source = loadReadSource(app_.store());
    app_.searchIpv6() = loadIpv6Addresses(app_.store());
}

bool CNetRoverView::runBusy(const QString& text, std::function<void(const std::atomic<bool>& stop)> work)
{
    busy_ = true;
    emit busyChanged(true);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const QString result = lastResult_;
    emit statusMessage(text);
    // The work runs on a thread of its own so that the window keeps
    // painting; the commands wait until it is done.
    bool done = false;
    QEventLoop loop;
    DetachedRead read(this);
    // done and loop are reached only through deliver, which does nothing once
    // read (abandoned when this function returns) is gone.
    const bool started = read.start([work = std::move(work), &done, &loop](const std::atomic<bool>& stop,
                                                                           const DetachedRead::Deliver& deliver) {
        work(stop);
        deliver([&done, &loop] {
            done = true;
            loop.quit();
        });
    });
    // The loop also returns when the application is ending: the work is then
    // abandoned instead of keeping the program waiting on a device.
    if (started) loop.exec();
    const bool completed = done;
    read.abandon();
    QApplication::restoreOverrideCursor();
    busy_ = false;
    emit busyChanged(false);
    emit statusMessage(result);
    return completed;
}

void CNetRoverView::refresh()
{
    if (busy_) return;
    // The refresh owns copies of the access and the list: abandoned at the
    // program's end, it writes nowhere anyone still reads.
    const auto access = std::make_shared<const core::DeviceAccess>(library_->access());
    const auto list = std::make_shared<core::DeviceList>();
    for (const core::DeviceListEntry& entry : app_.devices().copyAll()) list->append(entry);
    const core::SearchSettings settings = app_.searchSettings();
    if (!runBusy(string(IDS_STR_REFRESHING), [access, list, settings](const std::atomic<bool>& stop) {
            core::refreshDevices(*access, *list, settings, &stop);
        }))
        return;  // the program is ending
    core::DeviceList& devices = app_.devices();
    for (size_t i = 0; i < list->count(); ++i) {
        // A printer only mDNS found keeps its announced name and note.
        if (mdnsOnly_.count(static_cast<int>(i))) continue;
        const core::DeviceListEntry entry = list->copy(i);
        devices.replace(i, entry.info, entry.status[0]);
    }
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const int index = deviceIndex(row);
        if (index < 0) continue;
        setCells(topLevelItem(row), devices.copy(static_cast<size_t>(index)), true);
    }
    sortRows();
    rememberPending_ = true;
    startGauges();
    if (gaugesPending_ == 0) rememberFleet();
}

void CNetRoverView::readWidthsBack()
{
    for (size_t position = 0; position < shown_.size(); ++position)
        columns_[static_cast<size_t>(shown_[position])].width = columnWidth(static_cast<int>(position));
}

void CNetRoverView::customize()
{
    if (busy_) return;
    readWidthsBack();
    CCustomizeDlg dialog(&app_.language(), columns_, window());
    if (dialog.exec() == QDialog::Accepted) applyColumnSettings(dialog.settings());
}

void CNetRoverView::applyColumnSettings(const ColumnSettings& settings)
{
    columns_ = settings;
    clear();
    setColumnCount(0);
    insertColumns();
    fillRows();
    sortRows();
    if (gauges_.empty()) startGauges();
    updateLauncherActions();
}

void CNetRoverView::saveColumns()
{
    readWidthsBack();
    saveColumnSettings(columns_, app_.store());
}

void CNetRoverView::sortByPosition(int position)
{
    if (position < 0 || static_cast<size_t>(position) >= shown_.size()) return;
    const int32_t kind = shown_[static_cast<size_t>(position)];
    if (kind == sortKind_) sortDirection_ = -sortDirection_;
    else {
        sortKind_ = kind;
        sortDirection_ = 1;
    }
    updateSortIndicator();
    sortRows();
}

void CNetRoverView::sortRows()
{
    if (sortKind_ < 0) return;
    const std::vector<core::DeviceListEntry> devices = app_.devices().copyAll();
    const core::DeviceListEntry none{};
    const auto deviceOf = [&](const QTreeWidgetItem* row) -> const core::DeviceListEntry& {
        const core::DeviceListEntry* entry = rowEntry(row, devices);
        return entry ? *entry : none;
    };
    // Empty in: by the days; rows without a forecast come last.
    const auto compareEmptyIn = [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        const QVariant x = a->data(0, kEmptyInRole), y = b->data(0, kEmptyInRole);
        if (!x.isValid() || !y.isValid()) return x.isValid() ? -1 : 1;
        const double dx = x.toDouble(), dy = y.toDouble();
        return dx == dy ? 1 : (dx < dy ? -sortDirection_ : sortDirection_);
    };
    // Toner and Pages: by the number; rows still without one come last, equal ones compare as 1 as elsewhere.
    const auto compareGauges = [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        const auto value = [&](const QTreeWidgetItem* row) -> std::optional<int64_t> {
            const auto found = gauges_.find(row->data(0, kDeviceRole).toInt());
            if (found == gauges_.end()) return std::nullopt;
            if (sortKind_ == kColumnToner) return lowestLevel(found->second.toner);
            if (found->second.pages) return static_cast<int64_t>(*found->second.pages);
            return std::nullopt;
        };
        const std::optional<int64_t> x = value(a), y = value(b);
        if (!x || !y) return x ? -1 : 1;
        return *x == *y ? 1 : (*x < *y ? -sortDirection_ : sortDirection_);
    };
    QTreeWidgetItem* selected = selectedItems().value(0);
    std::vector<QTreeWidgetItem*> rows;
    while (topLevelItemCount() > 0) rows.push_back(takeTopLevelItem(0));
    stableMergeSort(rows, [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        if (sortKind_ == kColumnToner || sortKind_ == kColumnPages) return compareGauges(a, b) < 0;
        if (sortKind_ == kColumnEmptyIn) return compareEmptyIn(a, b) < 0;
        return compareRows(deviceOf(a), deviceOf(b), sortKind_, sortDirection_, words_) < 0;
    });
    addTopLevelItems(QList<QTreeWidgetItem*>(rows.begin(), rows.end()));
    if (selected) {
        setCurrentItem(selected);
        selected->setSelected(true);
        scrollToItem(selected);
    }
}

bool CNetRoverView::selectedDevice(core::DeviceListEntry& entry) const
{
    const QTreeWidgetItem* row = selectedItems().value(0);
    if (!row) return false;
    const int index = row->data(0, kDeviceRole).toInt();
    if (index < 0 || static_cast<size_t>(index) >= app_.devices().count()) return false;
    entry = app_.devices().copy(static_cast<size_t>(index));
    return true;
}

void CNetRoverView::launchSlot(int32_t slot)
{
    core::DeviceListEntry entry;
    if (slot < 0 || slot >= kLauncherSlots || !selectedDevice(entry)) return;
    launcher_.Launch(entry, slot);
}

void CNetRoverView::launchDefault()
{
    core::DeviceListEntry entry;
    if (selectedDevice(entry)) launcher_.LaunchDefault(entry);
}

void CNetRoverView::activateSelected()
{
    if (launcher_.hasDefault()) launchDefault();
    else properties();
}

void CNetRoverView::properties()
{
    const QTreeWidgetItem* row = selectedItems().value(0);
    core::DeviceListEntry entry;
    if (!row || !selectedDevice(entry)) return;
    const int index = row->data(0, kDeviceRole).toInt();
    QPointer<DeviceWindow>& open = deviceWindows_[index];
    if (!open) {
        open = new DeviceWindow(*library_, entry, words_, app_.readSource(), window());
        open->setAttribute(Qt::WA_DeleteOnClose);
        open->setLanguage(&app_.language());
        if (!fleetStorePath_.empty()) open->showHistory(fleetStorePath_);
    }
    open->show();
    open->raise();
    open->activateWindow();
}

void CNetRoverView::exportReport()
{
    if (busy_) return;
    const QString path = QFileDialog::getSaveFileName(window(), QStringLiteral("Export report"), defaultReportPath(),
                                                      QStringLiteral("CSV (*.csv);;JSON (*.json)"));
    if (path.isEmpty() || !exportReportTo(path)) return;
    QMessageBox box(QMessageBox::Information, string(IDR_MSGBOXTITLE), reportWrittenText(path), QMessageBox::Ok, window());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool CNetRoverView::exportReportTo(const QString& path, bool quiet)
{
    if (busy_) return false;
    // The report asks described queries: a library that answers none (a stand-in) is not asked.
    if (!library_->access().described) return false;
    library_->ensureInitialised();
    const std::vector<core::DeviceListEntry> devices = app_.devices().copyAll();
    const auto reports = std::make_shared<std::vector<core::DeviceReport>>();
    const bool completed =
        runBusy(QStringLiteral("Reading %1 devices for the report...").arg(devices.size()),
                [devices, reports, store = fleetStorePath_](const std::atomic<bool>& stop) {
                    *reports = readReports(devices, stop, store);
                });
    if (!completed) return false;  // the program is ending
    QString error;
    if (writeReport(path, *reports, error)) {
        emit statusMessage(reportWrittenText(path));
        return true;
    }
    if (!quiet)
        showErrorMessage(this, string(IDR_MSGBOXTITLE),
                         QStringLiteral("The report could not be written to %1: %2").arg(path, error));
    return false;
}

DeviceWindow* CNetRoverView::deviceWindow(int index) const
{
    const auto found = deviceWindows_.find(index);
    return found != deviceWindows_.end() ? found->second.data() : nullptr;
}

void CNetRoverView::updateLauncherActions()
{
    const bool rowSelected = !selectedItems().isEmpty();
    for (QAction* action : launcherActions_) action->setEnabled(rowSelected);
}

void CNetRoverView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        activateSelected();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CNetRoverView::contextMenuEvent(QContextMenuEvent* event)
{
    QTreeWidgetItem* row = selectedItems().value(0);
    if (!row) return;
    QMenu menu(this);
    QAction* open = menu.addAction(QStringLiteral("&Properties..."));
    open->setData(IDM_MENU_PROPERTIES);
    connect(open, &QAction::triggered, this, &CNetRoverView::properties);
    menu.addSeparator();
    for (int32_t slot = 0; slot < kLauncherSlots; ++slot) {
        const std::string name = launcher_.displayName(slot);
        if (name.empty()) continue;
        QAction* action = menu.addAction(local(name));
        action->setData(kLauncherCommandBase + slot);
        connect(action, &QAction::triggered, this, [this, slot] { launchSlot(slot); });
    }
    if (menu.isEmpty()) return;
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        at = viewport()->mapToGlobal(keyboardMenuCorner(visualItemRect(row), viewport()->rect()));
    }
    menu.exec(at);
}

}  // namespace netrov::ui
