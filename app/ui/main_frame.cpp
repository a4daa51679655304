// The main window: menu, device list and status bar, and the first search right after start.
#include "main_frame.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>

#include "front_library.h"
#include "netrover_app.h"
#include "search_setting_dlg.h"
#include "searching_dlg.h"

namespace netrov::ui {

namespace {

constexpr int kStartTimerMs = 1;

struct Column {
    const char* key;
    const char* fallback;
};
constexpr Column kColumns[] = {
    {"IDC_LISTB_MODEL", "Model"},
    {"IDC_LISTB_LOCATION", "Location"},
    {"IDC_LISTB_IPADDRESS", "IP Address"},
    {"IDC_LISTB_STATUS", "Status"},
};

QString local(const std::string& text) { return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())); }

QString fieldText(const char* field, size_t size) { return QString::fromLocal8Bit(field, static_cast<qsizetype>(strnlen(field, size))); }

// Puts the count in place of the first "%d" only: the text comes from the
// language file and is never used as a format.
QString withCount(QString text, size_t count)
{
    const qsizetype at = text.indexOf(QStringLiteral("%d"));
    if (at >= 0) text.replace(at, 2, QString::number(count));
    return text;
}

}  // namespace

CMainFrame::CMainFrame(CNetRoverApp& app, QWidget* parent) : QMainWindow(parent), app_(app)
{
    const LanguageFile& language = app_.language();
    setWindowTitle(string(IDR_MAINFRAME));
    setWindowIcon(QIcon(QStringLiteral(":/icons/128.png")));

    QMenu* device = menuBar()->addMenu(local(language.text("IDR_MAINFRAME", "IDM_MENU_POPUPDEVICE", "&Device")));
    QAction* range = device->addAction(local(language.text("IDR_MAINFRAME", "IDM_MENU_SEARCHSETTING", "Se&arch Range...")));
    QAction* find = device->addAction(local(language.text("IDR_MAINFRAME", "IDM_MENU_SEARCH", "&Search...")));
    device->addSeparator();
    QAction* quit = device->addAction(local(language.text("IDR_MAINFRAME", "ID_APP_EXIT", "E&xit")));
    range->setStatusTip(string(IDM_MENU_SEARCHSETTING));
    find->setStatusTip(string(IDM_MENU_SEARCH));
    quit->setStatusTip(string(ID_APP_EXIT));
    connect(range, &QAction::triggered, this, &CMainFrame::searchSettings);
    connect(find, &QAction::triggered, this, &CMainFrame::search);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    view_ = new QTreeWidget(this);
    view_->setRootIsDecorated(false);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    QStringList headers;
    for (const Column& column : kColumns) {
        auto value = language.GetTextAndNumber("IDR_MAINFRAME", column.key);
        headers << (value ? local(value->first) : QString::fromLatin1(column.fallback));
    }
    view_->setHeaderLabels(headers);
    for (size_t i = 0; i < std::size(kColumns); ++i)
        if (auto value = language.GetTextAndNumber("IDR_MAINFRAME", kColumns[i].key))
            view_->setColumnWidth(static_cast<int>(i), value->second);
    setCentralWidget(view_);
    statusBar();
    resize(640, 400);

    if (SingleInstance* instance = app_.instance()) {
        connect(instance, &SingleInstance::raiseRequested, this, &CMainFrame::bringToFront);
        connect(instance, &SingleInstance::commandReceived, this, [](qint64 first, qint64 second) {
            if (first == 1 && (second & 0xFFFF) == 11) QCoreApplication::exit(0);
        });
    }
    QTimer::singleShot(kStartTimerMs, this, &CMainFrame::search);
}

QString CMainFrame::string(int32_t id) const { return local(app_.language().String(id)); }

void CMainFrame::bringToFront()
{
    showNormal();
    raise();
    activateWindow();
}

void CMainFrame::search()
{
    SearchRequest request;
    request.library = &core::FrontLibrary::tuva();
    request.devices = &app_.devices();
    request.settings = app_.searchSettings();
    request.addresses = app_.searchAddresses();
    request.manufacturer = app_.manufacturer();
    request.exportPath = app_.exportFilePath();
    app_.devices().clear();
    CSearchingDlg dialog(&app_.language(), std::move(request), this);
    const bool completed = dialog.exec() == QDialog::Accepted;
    fillRows();
    statusBar()->showMessage(completed ? withCount(string(IDS_STR_SEARCHRESULT), app_.devices().count())
                                       : string(IDS_STR_SEARCHABORT));
}

void CMainFrame::searchSettings()
{
    CSearchSettingDlg dialog(&app_.language(), app_.searchSettings(), app_.searchAddresses(), app_.store(), this);
    dialog.exec();
}

void CMainFrame::fillRows()
{
    view_->clear();
    for (const core::DeviceListEntry& entry : app_.devices().copyAll()) {
        auto* row = new QTreeWidgetItem(view_);
        const DeviceIdentity& identity = entry.identity;
        row->setText(0, fieldText(identity.modelName, sizeof identity.modelName));
        row->setText(1, fieldText(entry.info.location, sizeof entry.info.location));
        row->setText(2, identity.interfaceKind == NETROV_INTERFACE_NETWORK
                            ? QStringLiteral("%1.%2.%3.%4")
                                  .arg(identity.address[0])
                                  .arg(identity.address[1])
                                  .arg(identity.address[2])
                                  .arg(identity.address[3])
                            : QStringLiteral("--"));
        const core::StatusWord word = core::statusWord(core::statusCode(entry));
        row->setText(3, word.stringId != 0 ? string(word.stringId) : QStringLiteral("--"));
        for (int column = 0; column < view_->columnCount(); ++column)
            if (row->text(column).isEmpty()) row->setText(column, QStringLiteral("--"));
    }
}

}  // namespace netrov::ui
