// Texts in widgets are plain by construction: a device's name or model is shown as the characters it is,
// never read as markup that could load a picture, a file or a link.
#pragma once

#include <QLabel>
#include <QString>

class QWidget;

namespace netrov::ui {

// A label on Qt::PlainText from the start. Every label of the program that
// shows a text is one; only the web-page link is rich text, built from an
// escaped address.
class PlainLabel : public QLabel {
    Q_OBJECT
public:
    explicit PlainLabel(QWidget* parent = nullptr);
    explicit PlainLabel(const QString& text, QWidget* parent = nullptr);
};

// Tool tips have no format of their own: Qt shows anything that looks like
// markup as rich text. This is text as a tool tip that shows it as it is.
QString plainToolTip(const QString& text);

}  // namespace netrov::ui
