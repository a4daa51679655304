// Plain-text labels and tool tips.
#include "plain_text.h"

#include <QTextDocument>

namespace netrov::ui {

PlainLabel::PlainLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

PlainLabel::PlainLabel(const QString& text, QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setText(text);
}

QString plainToolTip(const QString& text)
{
    // Text that Qt would not read as markup is shown as it is already.
    if (!Qt::mightBeRichText(text)) return text;
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

}  // namespace netrov::ui
