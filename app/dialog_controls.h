// Built-in dialog layouts in dialog units, and how a dialog takes them and its language section on opening.
#pragma once

#include <cstdint>
#include <map>
#include <span>

#include <QString>

class QWidget;

namespace netrov::ui {

class LanguageFile;

// The standard buttons' control ids.
inline constexpr int32_t IDOK = 1;
inline constexpr int32_t IDCANCEL = 2;

// One control of a built-in layout: its id, language key, rectangle in
// dialog units and resource text (null for controls without one).
struct ControlTemplate {
    int32_t id;
    const char* key;
    int32_t x, y, cx, cy;
    const char* text;
};

struct DialogTemplate {
    int32_t resourceId;
    const char* section;  // the dialog's section of the language file
    const char* title;
    int32_t cx, cy;       // client size in dialog units
    std::span<const ControlTemplate> controls;
};

// Sets the text of the widget kinds that show one (labels, buttons, group
// boxes, line edits, address fields); other widgets are left alone.
void setWidgetText(QWidget* widget, const QString& text);

// Lays the dialog and its controls out from the built-in layout, then lets
// the language file replace font, title, size and each control's text and
// rectangle ("ID_FONT", "ID_TITLE", then one key per control). Controls
// missing from the map are skipped. language may be null.
void applyDialogTemplate(QWidget* dialog, const DialogTemplate& layout, const std::map<int32_t, QWidget*>& controls,
                         const LanguageFile* language);

}  // namespace netrov::ui
