// The customize dialog: show and hide lists, Up and Down, and the button-state rules.
#include "customize_dlg.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "local_text.h"
#include "plain_text.h"
#include "dialog_controls.h"
#include "language_file.h"

namespace netrov::ui {

namespace {

constexpr const char* kSection = "IDD_CUSTOMIZE";

constexpr ControlTemplate kControls[] = {
    {IDC_LABEL_HIDEITEM, "IDC_LABEL_HIDEITEM", 7, 7, 90, 8, "..Hidden items:"},
    {IDC_LABEL_SHOWITEM, "IDC_LABEL_SHOWITEM", 130, 7, 90, 8, "..Shown items:"},
    {IDC_BUTTN_ADDITEM, "IDC_BUTTN_ADDITEM", 100, 40, 27, 14, "..>>"},
    {IDC_BUTTN_DELITEM, "IDC_BUTTN_DELITEM", 100, 60, 27, 14, "..<<"},
    {IDC_LISTB_SHOWITEM, "IDC_LISTB_SHOWITEM", 130, 18, 90, 100, nullptr},
    {IDC_LISTB_HIDEITEM, "IDC_LISTB_HIDEITEM", 7, 18, 90, 100, nullptr},
    {IDC_BUTTN_ITEMUP, "IDC_BUTTN_ITEMUP", 225, 40, 18, 16, nullptr},
    {IDC_BUTTN_ITEMDOWN, "IDC_BUTTN_ITEMDOWN", 225, 60, 18, 16, nullptr},
    {IDOK, "IDOK", 136, 128, 50, 14, "..OK"},
    {IDCANCEL, "IDCANCEL", 193, 128, 50, 14, "..Cancel"},
};

constexpr DialogTemplate kLayout{131, kSection, "..Customize", 250, 150, kControls};

// The selected row, or -1: the current row alone may be unselected.
int selectedRow(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

}  // namespace

CCustomizeDlg::CCustomizeDlg(const LanguageFile* language, const ColumnSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* hideLabel = new PlainLabel(this);
    auto* showLabel = new PlainLabel(this);
    hide_ = new QListWidget(this);
    show_ = new QListWidget(this);
    add_ = new QPushButton(this);
    remove_ = new QPushButton(this);
    up_ = new QPushButton(this);
    down_ = new QPushButton(this);
    auto* ok = new QPushButton(this);
    auto* cancel = new QPushButton(this);
    ok->setDefault(true);
    up_->setIcon(QIcon(QStringLiteral(":/icons/143.png")));
    down_->setIcon(QIcon(QStringLiteral(":/icons/144.png")));
    controls_ = {{IDC_LABEL_HIDEITEM, hideLabel}, {IDC_LABEL_SHOWITEM, showLabel}, {IDC_BUTTN_ADDITEM, add_},
                 {IDC_BUTTN_DELITEM, remove_},    {IDC_LISTB_SHOWITEM, show_},     {IDC_LISTB_HIDEITEM, hide_},
                 {IDC_BUTTN_ITEMUP, up_},         {IDC_BUTTN_ITEMDOWN, down_},     {IDOK, ok},
                 {IDCANCEL, cancel}};
    applyDialogTemplate(this, kLayout, controls_, language);

    for (int32_t kind : shownKinds(settings_)) show_->addItem(local(settings_[static_cast<size_t>(kind)].header));
    for (int32_t kind = 0; kind < kColumnKinds; ++kind)
        if (settings_[static_cast<size_t>(kind)].order == kHidden)
            hide_->addItem(local(settings_[static_cast<size_t>(kind)].header));

    connect(add_, &QPushButton::clicked, this, &CCustomizeDlg::showItem);
    connect(remove_, &QPushButton::clicked, this, &CCustomizeDlg::hideItem);
    connect(up_, &QPushButton::clicked, this, &CCustomizeDlg::moveUp);
    connect(down_, &QPushButton::clicked, this, &CCustomizeDlg::moveDown);
    connect(show_, &QListWidget::itemSelectionChanged, this, &CCustomizeDlg::updateButtons);
    connect(hide_, &QListWidget::itemSelectionChanged, this, &CCustomizeDlg::updateButtons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    updateButtons();
}

QWidget* CCustomizeDlg::control(int32_t id) const
{
    const auto found = controls_.find(id);
    return found != controls_.end() ? found->second : nullptr;
}

void CCustomizeDlg::showItem()
{
    const int row = selectedRow(hide_);
    if (row < 0) return;
    show_->addItem(hide_->takeItem(row));
    // As in a list box, a removed entry leaves no selection behind.
    hide_->clearSelection();
    writeOrders();
    updateButtons();
}

void CCustomizeDlg::hideItem()
{
    const int row = selectedRow(show_);
    if (row <= 0) return;
    QListWidgetItem* item = show_->takeItem(row);
    show_->clearSelection();
    const std::string text = item->text().toLocal8Bit().toStdString();
    for (ColumnSetting& column : settings_)
        if (column.header == text) {
            column.order = kHidden;
            break;
        }
    hide_->addItem(item);
    writeOrders();
    updateButtons();
}

void CCustomizeDlg::moveUp()
{
    const int row = selectedRow(show_);
    if (row <= 1) return;
    show_->insertItem(row - 1, show_->takeItem(row));
    show_->setCurrentRow(row - 1);
    writeOrders();
    updateButtons();
}

void CCustomizeDlg::moveDown()
{
    const int row = selectedRow(show_);
    if (row <= 0 || row >= show_->count() - 1) return;
    show_->insertItem(row + 1, show_->takeItem(row));
    show_->setCurrentRow(row + 1);
    writeOrders();
    updateButtons();
}

void CCustomizeDlg::writeOrders()
{
    // The kind of an entry is the first kind with its header text.
    for (int position = 0; position < show_->count(); ++position) {
        const std::string text = show_->item(position)->text().toLocal8Bit().toStdString();
        for (ColumnSetting& column : settings_)
            if (column.header == text) {
                column.order = position;
                break;
            }
    }
}

void CCustomizeDlg::updateButtons()
{
    const bool hideSelected = !hide_->selectedItems().isEmpty();
    add_->setEnabled(hideSelected);
    const int p = selectedRow(show_);
    remove_->setEnabled(p > 0);
    up_->setEnabled(p > 1);
    down_->setEnabled(p > 0 && p != show_->count() - 1);
}

}  // namespace netrov::ui
