// The main window: menus, toolbar modes, status-bar prompts, placement, help, about box and the remote end.
#include "main_frame.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QHelpEvent>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "about_dlg.h"
#include "local_text.h"
#include "plain_text.h"
#include "platform/regular_file.h"
#include "netrover_app.h"
#include "netrover_view.h"
#include "platform/profile_file.h"

namespace netrov::ui {

namespace {

constexpr const char* kWindowSection = "Window";
constexpr const char* kSettingsSection = "Settings";
constexpr const char* kToolbarStateSection = "Settings/ToolBarState";
constexpr const char* kToolbarStateKey = "State";
constexpr const char* kMenuSection = "IDR_MAINFRAME";
constexpr size_t kMenuTextSize = 256;
constexpr int kTipLength = 79;
constexpr int kDefaultWidth = 760;
constexpr int kDefaultHeight = 420;


// Toolbar buttons and their images, in order; 0 is the separator.
constexpr int32_t kToolbarCommands[] = {IDM_MENU_SEARCHSETTING, IDM_MENU_SEARCH, 0, IDM_MENU_REFRESH};
constexpr int kToolbarIcons[] = {165, 150, 0, 149};

struct MenuText {
    int32_t id;
    const char* key;
};
constexpr MenuText kCommandTexts[] = {
    {IDM_MENU_SEARCH, "IDM_MENU_SEARCH"},           {IDM_MENU_REFRESH, "IDM_MENU_REFRESH"},
    {ID_APP_EXIT, "ID_APP_EXIT"},                 {IDM_MENU_SEARCHSETTING, "IDM_MENU_SEARCHSETTING"},
    {IDM_MENU_CUSTOMIZE, "IDM_MENU_CUSTOMIZE"},     {IDM_MENU_TOOLBARSMALL, "IDM_MENU_TOOLBARSMALL"},
    {IDM_MENU_TOOLBARLARGE, "IDM_MENU_TOOLBARLARGE"}, {IDM_MENU_TOOLBARHIDE, "IDM_MENU_TOOLBARHIDE"},
    {ID_APP_ABOUT, "ID_APP_ABOUT"},               {IDM_MENU_HELP, "IDM_MENU_HELP"},
};
constexpr const char* kPopupKeys[] = {"IDM_MENU_POPUPDEVICE", "IDM_MENU_POPUPVIEW", "IDM_MENU_POPUPOPTION",
                                      "IDM_MENU_POPUPHELP"};

}  // namespace

CMainFrame::CMainFrame(CNetRoverApp& app, std::unique_ptr<DeviceLauncher> launcher, QWidget* parent)
    : QMainWindow(parent), app_(app), launcher_(launcher ? std::move(launcher) : std::make_unique<DeviceLauncher>())
{
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/128.png")));
    endHandler_ = [] { QCoreApplication::exit(0); };

    // Before creation: the stored placement, or the system's choice.
    UserSettingsStore& store = app_.store();
    const int32_t x = store.readInt(kWindowSection, "FrameX", kPlacementNone);
    const int32_t y = store.readInt(kWindowSection, "FrameY", kPlacementNone);
    const int32_t width = store.readInt(kWindowSection, "FrameWidth", kPlacementNone);
    const int32_t height = store.readInt(kWindowSection, "FrameHeight", kPlacementNone);
    resize(width != kPlacementNone && width > 0 ? width : kDefaultWidth,
           height != kPlacementNone && height > 0 ? height : kDefaultHeight);
    if (x != kPlacementNone && y != kPlacementNone) move(x, y);

    // Menus (their texts may be replaced below).
    QMenu* device = menuBar()->addMenu(QStringLiteral("&Device"));
    addCommand(device, IDM_MENU_PROPERTIES, "&Properties...")->setEnabled(false);
    device->addSeparator();
    addCommand(device, IDM_MENU_SEARCHSETTING, "Se&arch Range...");
    addCommand(device, IDM_MENU_SEARCH, "&Search...");
    addCommand(device, IDM_MENU_EXPORTREPORT, "Export &report...");
    device->addSeparator();
    addCommand(device, ID_APP_EXIT, "E&xit");
    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    toolbarMenu_ = viewMenu->addMenu(QStringLiteral("&ToolBar"));
    addCommand(toolbarMenu_, IDM_MENU_TOOLBARLARGE, "Large Toolbar");
    addCommand(toolbarMenu_, IDM_MENU_TOOLBARSMALL, "Small Toolbar");
    addCommand(toolbarMenu_, IDM_MENU_TOOLBARHIDE, "No Toolbar");
    viewMenu->addSeparator();
    addCommand(viewMenu, IDM_MENU_REFRESH, "&Refresh")->setShortcut(Qt::Key_F5);
    QMenu* option = menuBar()->addMenu(QStringLiteral("&Option"));
    addCommand(option, IDM_MENU_CUSTOMIZE, "&Customize...");
    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    addCommand(helpMenu, IDM_MENU_HELP, "&Help")->setShortcut(Qt::Key_F1);
    helpMenu->addSeparator();
    addCommand(helpMenu, ID_APP_ABOUT, "&About...");
    topMenus_ = {device, viewMenu, option, helpMenu};
    for (int32_t id : {IDM_MENU_TOOLBARLARGE, IDM_MENU_TOOLBARSMALL, IDM_MENU_TOOLBARHIDE}) actions_[id]->setCheckable(true);
    // Shortcuts work while the menu bar is closed too.
    addAction(actions_[IDM_MENU_REFRESH]);
    addAction(actions_[IDM_MENU_HELP]);

    // Create: the toolbar and its mode.
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("ToolBar"));
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->setMovable(true);
    toolBar_->setFloatable(true);
    for (int32_t id : kToolbarCommands) {
        if (id == 0) toolBar_->addSeparator();
        else toolBar_->addAction(actions_[id]);
    }
    for (QAction* action : toolBar_->actions())
        if (QWidget* button = toolBar_->widgetForAction(action)) button->installEventFilter(this);
    addToolBar(Qt::TopToolBarArea, toolBar_);
    mode_ = store.readInt(kSettingsSection, "ToolBar", kToolbarLarge);
    loadToolbarImages(mode_ != kToolbarSmall);

    statusBar();

    applyMenuTexts();
    const QString title = string(IDR_MAINFRAME);
    if (!title.isEmpty()) setWindowTitle(title);

    const std::string state = store.readString(kToolbarStateSection, kToolbarStateKey, "");
    if (!state.empty()) restoreState(QByteArray::fromBase64(QByteArray::fromStdString(state)));
    if (mode_ == kToolbarHidden) toolBar_->hide();

    // The view fills the client area; its first update starts the first search.
    view_ = new CNetRoverView(app_, *launcher_, this);
    setCentralWidget(view_);
    connect(view_, &CNetRoverView::statusMessage, this, [this](const QString& text) {
        result_ = text;
        statusBar()->showMessage(text);
    });
    // A menu or toolbar prompt replaces the text for a while; when it goes, the text comes back.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (text.isEmpty() && !result_.isEmpty()) statusBar()->showMessage(result_);
    });
    connect(view_, &CNetRoverView::busyChanged, this, [this](bool busy) {
        for (int32_t id : {IDM_MENU_SEARCH, IDM_MENU_SEARCHSETTING, IDM_MENU_REFRESH, IDM_MENU_CUSTOMIZE, IDM_MENU_EXPORTREPORT})
            actions_[id]->setEnabled(!busy);
    });
    connect(actions_[IDM_MENU_SEARCH], &QAction::triggered, view_, &CNetRoverView::search);
    connect(actions_[IDM_MENU_SEARCHSETTING], &QAction::triggered, view_, &CNetRoverView::searchSettings);
    connect(actions_[IDM_MENU_REFRESH], &QAction::triggered, view_, &CNetRoverView::refresh);
    connect(actions_[IDM_MENU_CUSTOMIZE], &QAction::triggered, view_, &CNetRoverView::customize);
    connect(actions_[ID_APP_EXIT], &QAction::triggered, this, &QWidget::close);
    connect(actions_[IDM_MENU_PROPERTIES], &QAction::triggered, view_, &CNetRoverView::properties);
    connect(actions_[IDM_MENU_EXPORTREPORT], &QAction::triggered, view_, &CNetRoverView::exportReport);
    connect(view_, &QTreeWidget::itemSelectionChanged, this,
            [this] { actions_[IDM_MENU_PROPERTIES]->setEnabled(!view_->selectedItems().isEmpty()); });
    connect(actions_[IDM_MENU_TOOLBARHIDE], &QAction::triggered, this, [this] { showToolbar(kToolbarHidden); });
    connect(actions_[IDM_MENU_TOOLBARLARGE], &QAction::triggered, this, [this] { showToolbar(kToolbarLarge); });
    connect(actions_[IDM_MENU_TOOLBARSMALL], &QAction::triggered, this, [this] { showToolbar(kToolbarSmall); });
    connect(actions_[IDM_MENU_HELP], &QAction::triggered, this, &CMainFrame::help);
    connect(actions_[ID_APP_ABOUT], &QAction::triggered, this, &CMainFrame::about);
    connect(viewMenu, &QMenu::aboutToShow, this, &CMainFrame::updateToolbarChecks);
    connect(toolbarMenu_, &QMenu::aboutToShow, this, &CMainFrame::updateToolbarChecks);
    connect(helpMenu, &QMenu::aboutToShow, this, [this] { actions_[IDM_MENU_HELP]->setEnabled(helpAvailable()); });
    actions_[IDM_MENU_HELP]->setEnabled(helpAvailable());
    updateToolbarChecks();

    if (SingleInstance* instance = app_.instance()) {
        connect(instance, &SingleInstance::raiseRequested, this, &CMainFrame::bringToFront);
        connect(instance, &SingleInstance::commandReceived, this, &CMainFrame::remoteCommand);
    }
    rememberRect();
    view_->OnInitialUpdate(device);
}

CMainFrame::~CMainFrame() = default;

QString CMainFrame::string(int32_t id) const { return local(app_.language().String(id)); }

QAction* CMainFrame::addCommand(QMenu* menu, int32_t id, const char* text)
{
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setData(id);
    // The status-bar prompt is the string-table text of the command.
    action->setStatusTip(string(id));
    if (const std::optional<std::string> tip = app_.language().Tip(id))
        action->setToolTip(plainToolTip(local(*tip).left(kTipLength)));
    actions_[id] = action;
    return action;
}

QAction* CMainFrame::action(int32_t id) const
{
    const auto found = actions_.find(id);
    return found != actions_.end() ? found->second : nullptr;
}

QMenu* CMainFrame::topMenu(int index) const
{
    return index >= 0 && static_cast<size_t>(index) < topMenus_.size() ? topMenus_[static_cast<size_t>(index)] : nullptr;
}

void CMainFrame::applyMenuTexts()
{
    const std::string& path = app_.languageFilePath();
    const auto read = [&path](const char* key) {
        return local(platform::getPrivateProfileString(kMenuSection, key, "", path, kMenuTextSize));
    };
    for (size_t i = 0; i < topMenus_.size(); ++i) {
        const QString text = read(kPopupKeys[i]);
        if (!text.isEmpty()) topMenus_[i]->setTitle(text);
    }
    if (const QString text = read("IDM_MENU_POPUPTOOLBER"); !text.isEmpty()) toolbarMenu_->setTitle(text);
    for (const MenuText& entry : kCommandTexts) {
        const QString text = read(entry.key);
        if (!text.isEmpty()) actions_[entry.id]->setText(text);
    }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    // No tip for a button whose command the tip table lacks.
    if (event->type() == QEvent::ToolTip) {
        if (auto* button = qobject_cast<QToolButton*>(watched)) {
            const QAction* command = button->defaultAction();
            if (!command || !app_.language().Tip(command->data().toInt())) {
                QToolTip::hideText();
                event->ignore();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::loadToolbarImages(bool large)
{
    const int size = large ? 32 : 16;
    const QString folder = large ? QStringLiteral(":/icons/") : QStringLiteral(":/icons/small/");
    toolBar_->setIconSize(QSize(size, size));
    for (size_t i = 0; i < std::size(kToolbarCommands); ++i)
        if (kToolbarCommands[i] != 0)
            actions_[kToolbarCommands[i]]->setIcon(QIcon(folder + QStringLiteral("%1.png").arg(kToolbarIcons[i])));
}

void CMainFrame::showToolbar(int32_t mode)
{
    if (mode == kToolbarHidden) {
        toolBar_->hide();
    } else {
        loadToolbarImages(mode == kToolbarLarge);
        toolBar_->show();
    }
    mode_ = mode;
    updateToolbarChecks();
}

void CMainFrame::updateToolbarChecks()
{
    // A toolbar the user closed while floating counts as hidden.
    if (!toolBar_->isVisibleTo(this)) mode_ = kToolbarHidden;
    actions_[IDM_MENU_TOOLBARHIDE]->setChecked(mode_ == kToolbarHidden);
    actions_[IDM_MENU_TOOLBARLARGE]->setChecked(mode_ == kToolbarLarge);
    actions_[IDM_MENU_TOOLBARSMALL]->setChecked(mode_ == kToolbarSmall);
}

bool CMainFrame::helpAvailable() const
{
    return platform::readRegularFile(app_.helpFilePath()).status == platform::ReadStatus::Read;
}

void CMainFrame::help()
{
    // Through the regular-file read: a FIFO in place of the help file never holds the window up.
    const platform::FileBytes file = platform::readRegularFile(app_.helpFilePath());
    if (file.status != platform::ReadStatus::Read) return;
    // One help window: pressing F1 again brings the open one forward.
    if (QDialog* open = findChild<QDialog*>(QStringLiteral("HelpViewer"))) {
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    // A built-in viewer: the help opens at its contents, whatever the desktop offers.
    auto* viewer = new QDialog(this);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setObjectName(QStringLiteral("HelpViewer"));
    viewer->setWindowTitle(windowTitle());
    auto* browser = new QTextBrowser(viewer);
    browser->setOpenExternalLinks(false);
    browser->setHtml(QString::fromUtf8(file.bytes.data(), static_cast<qsizetype>(file.bytes.size())));
    auto* layout = new QVBoxLayout(viewer);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    viewer->resize(560, 480);
    viewer->show();
}

void CMainFrame::about()
{
    CAboutDlg dialog(&app_.language(), this);
    dialog.exec();
}

void CMainFrame::bringToFront()
{
    showNormal();
    raise();
    activateWindow();
}

void CMainFrame::remoteCommand(qint64 first, qint64 second)
{
    if (first == 1 && (second & 0xFFFF) == 11 && endHandler_) endHandler_();
}

void CMainFrame::rememberRect()
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    remembered_ = QRect(pos(), size());
}

void CMainFrame::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    rememberRect();
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    rememberRect();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    rememberRect();
    UserSettingsStore& store = app_.store();
    store.writeInt(kWindowSection, "FrameX", remembered_.x());
    store.writeInt(kWindowSection, "FrameY", remembered_.y());
    store.writeInt(kWindowSection, "FrameWidth", remembered_.width());
    store.writeInt(kWindowSection, "FrameHeight", remembered_.height());
    store.writeString(kToolbarStateSection, kToolbarStateKey, saveState().toBase64().toStdString());
    updateToolbarChecks();
    if (store.readInt(kSettingsSection, "ToolBar", kToolbarLarge) != mode_)
        store.writeInt(kSettingsSection, "ToolBar", mode_);
    view_->saveColumns();
    store.sync();
    // An open help window must not keep the application running.
    for (QDialog* viewer : findChildren<QDialog*>(QStringLiteral("HelpViewer"))) viewer->close();
    event->accept();
}

}  // namespace netrov::ui
