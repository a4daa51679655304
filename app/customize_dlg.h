// CCustomizeDlg: choose which device list columns are shown, and in which order.
#pragma once

#include <map>

#include <QDialog>

#include "column_settings.h"

class QListWidget;
class QPushButton;

namespace netrov::ui {

class LanguageFile;

enum CustomizeControl : int32_t {
    IDC_LISTB_HIDEITEM = 1010,
    IDC_LISTB_SHOWITEM = 1011,
    IDC_BUTTN_ADDITEM = 1012,
    IDC_BUTTN_DELITEM = 1013,
    IDC_BUTTN_ITEMUP = 1014,
    IDC_BUTTN_ITEMDOWN = 1015,
    IDC_LABEL_HIDEITEM = 1017,
    IDC_LABEL_SHOWITEM = 1018,
};

// Works on a copy of the settings; the caller takes settings() after OK.
// The first shown column can be neither hidden nor moved, and nothing moves above it.
class CCustomizeDlg : public QDialog {
    Q_OBJECT
public:
    // language may be null (built-in texts only).
    CCustomizeDlg(const LanguageFile* language, const ColumnSettings& settings, QWidget* parent = nullptr);

    const ColumnSettings& settings() const { return settings_; }
    QWidget* control(int32_t id) const;
    QListWidget* showList() const { return show_; }
    QListWidget* hideList() const { return hide_; }

public slots:
    void showItem();
    void hideItem();
    void moveUp();
    void moveDown();
    void updateButtons();

private:
    void writeOrders();

    ColumnSettings settings_;
    std::map<int32_t, QWidget*> controls_;
    QListWidget* show_ = nullptr;
    QListWidget* hide_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* up_ = nullptr;
    QPushButton* down_ = nullptr;
};

}  // namespace netrov::ui
