// Applies built-in dialog layouts and the language file's replacements to a dialog's widgets.
#include "dialog_controls.h"

#include <optional>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "language_file.h"

namespace netrov::ui {

void setWidgetText(QWidget* widget, const QString& text)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (!label->pixmap().isNull()) return;
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) group->setTitle(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setText(text);
}

void applyDialogTemplate(QWidget* dialog, const DialogTemplate& layout, const std::map<int32_t, QWidget*>& controls,
                         const LanguageFile* language)
{
    // The layout's units stay those of the dialog's own font, whatever font
    // the language file gives it afterwards.
    const DialogUnits units = dialogUnits(dialog->font());
    dialog->setWindowTitle(QString::fromLatin1(layout.title));
    dialog->setFixedSize(units.toX(layout.cx), units.toY(layout.cy));
    for (const ControlTemplate& control : layout.controls) {
        const auto found = controls.find(control.id);
        if (found == controls.end() || !found->second) continue;
        QWidget* widget = found->second;
        widget->setGeometry(units.toRect(control.x, control.y, control.cx, control.cy));
        if (control.text) setWidgetText(widget, QString::fromLatin1(control.text));
    }
    if (!language) return;

    const std::optional<QFont> font = language->GetFont(layout.section, "ID_FONT");
    const QFont* fontPointer = font ? &*font : nullptr;
    language->ApplyDialog(dialog, layout.section, "ID_TITLE", fontPointer, units);
    for (const ControlTemplate& control : layout.controls) {
        const auto found = controls.find(control.id);
        if (found == controls.end()) continue;
        language->ApplyControl(found->second, layout.section, control.key, fontPointer, units);
    }
}

}  // namespace netrov::ui
