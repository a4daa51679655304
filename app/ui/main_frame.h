// CMainFrame: a plain main window with the device list, until the full frame and view take its place.
#pragma once

#include <QMainWindow>

class QTreeWidget;

namespace netrov::ui {

class CNetRoverApp;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CNetRoverApp& app, QWidget* parent = nullptr);

    // Restores, raises and activates the window (a later start asked for it).
    void bringToFront();

public slots:
    void search();
    void searchSettings();

private:
    void fillRows();
    QString string(int32_t id) const;

    CNetRoverApp& app_;
    QTreeWidget* view_ = nullptr;
};

}  // namespace netrov::ui
