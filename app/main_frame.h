// CMainFrame: the main window around the device list: menu, toolbar, status bar, placement and remote end.
#pragma once

#include <functional>
#include <map>
#include <memory>

#include <QMainWindow>
#include <QRect>

#include "device_launcher.h"

class QToolBar;

namespace netrov::ui {

class CNetRoverApp;
class CNetRoverView;

enum ToolbarMode : int32_t { kToolbarHidden = 0, kToolbarLarge = 1, kToolbarSmall = 2 };

// "None": the system chooses.
inline constexpr int32_t kPlacementNone = static_cast<int32_t>(0x80000000u);

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // launcher null: a launcher without programs.
    explicit CMainFrame(CNetRoverApp& app, std::unique_ptr<DeviceLauncher> launcher = {}, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CNetRoverView* view() const { return view_; }
    QToolBar* toolBar() const { return toolBar_; }
    // The menu item or toolbar command of this id; null for none.
    QAction* action(int32_t id) const;
    QMenu* topMenu(int index) const;
    QMenu* toolbarMenu() const { return toolbarMenu_; }
    int32_t toolbarMode() const { return mode_; }
    // The normal window rectangle last seen (before any maximize or minimize).
    QRect rememberedRect() const { return remembered_; }

    // Restores, raises and activates the window (a later start asked for it).
    void bringToFront();
    // Replaces what the remote end does (the default ends the event loop).
    void setEndHandler(std::function<void()> handler) { endHandler_ = std::move(handler); }
    // A command from another program: (1, 11) ends the application at once.
    void remoteCommand(qint64 first, qint64 second);
    // The check marks of the toolbar menu; a hidden toolbar makes the mode 0.
    void updateToolbarChecks();
    bool helpAvailable() const;

public slots:
    void showToolbar(int32_t mode);
    void help();
    void about();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addCommand(QMenu* menu, int32_t id, const char* text);
    void applyMenuTexts();
    void loadToolbarImages(bool large);
    void rememberRect();
    QString string(int32_t id) const;

    CNetRoverApp& app_;
    std::unique_ptr<DeviceLauncher> launcher_;
    CNetRoverView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* toolbarMenu_ = nullptr;
    std::map<int32_t, QAction*> actions_;
    std::vector<QMenu*> topMenus_;
    int32_t mode_ = kToolbarLarge;
    QRect remembered_;
    std::function<void()> endHandler_;
    QString result_;  // the view's last status text
};

}  // namespace netrov::ui
