// The four-part address field: digits only, "." and arrows move between parts, values capped at 255.
#include "ip_address_edit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace netrov::ui {

namespace {
constexpr int kPartLength = 3;
}

CIPAddressEdit::CIPAddressEdit(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);
    for (size_t i = 0; i < parts_.size(); ++i) {
        auto* edit = new QLineEdit(this);
        edit->setFrame(false);
        edit->setMaxLength(kPartLength);
        edit->setAlignment(Qt::AlignCenter);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this, i] { partEdited(static_cast<int>(i)); });
        parts_[i] = edit;
    }
    for (QLabel*& dot : dots_) {
        dot = new QLabel(QStringLiteral("."), this);
        dot->setAlignment(Qt::AlignCenter);
    }
    setFocusProxy(parts_[0]);
    layoutParts();
}

int CIPAddressEdit::octets(std::array<uint8_t, 4>& out) const
{
    int filled = 0;
    for (size_t i = 0; i < parts_.size(); ++i) {
        const QString text = parts_[i]->text();
        out[i] = static_cast<uint8_t>(text.isEmpty() ? 0 : std::min(text.toInt(), 255));
        if (!text.isEmpty()) ++filled;
    }
    return filled;
}

uint32_t CIPAddressEdit::address() const
{
    std::array<uint8_t, 4> values{};
    octets(values);
    return (uint32_t{values[0]} << 24) | (uint32_t{values[1]} << 16) | (uint32_t{values[2]} << 8) | values[3];
}

void CIPAddressEdit::setOctets(const std::array<uint8_t, 4>& values)
{
    adjusting_ = true;
    for (size_t i = 0; i < parts_.size(); ++i) parts_[i]->setText(QString::number(values[i]));
    adjusting_ = false;
}

void CIPAddressEdit::clear()
{
    adjusting_ = true;
    bool hadInput = false;
    for (QLineEdit* part : parts_) {
        hadInput = hadInput || part->hasFocus();
        part->clear();
    }
    adjusting_ = false;
    // Input starts over at the first part.
    if (hadInput) focusPart(0, false);
    else setFocusProxy(parts_[0]);
}

int CIPAddressEdit::currentPart() const
{
    for (size_t i = 0; i < parts_.size(); ++i)
        if (parts_[i]->hasFocus()) return static_cast<int>(i);
    for (size_t i = 0; i < parts_.size(); ++i)
        if (focusProxy() == parts_[i]) return static_cast<int>(i);
    return 0;
}

void CIPAddressEdit::focusPart(int index, bool atEnd)
{
    if (index < 0 || index >= static_cast<int>(parts_.size())) return;
    QLineEdit* part = parts_[static_cast<size_t>(index)];
    // The proxy follows the input so that focus coming back lands where it left.
    setFocusProxy(part);
    part->setFocus(Qt::OtherFocusReason);
    part->setCursorPosition(atEnd ? static_cast<int>(part->text().size()) : 0);
}

void CIPAddressEdit::partEdited(int index)
{
    if (adjusting_) return;
    QLineEdit* part = parts_[static_cast<size_t>(index)];
    QString text = part->text();
    // Typing cannot bring anything but digits in; pasting can.
    QString digits;
    for (QChar c : text)
        if (c.isDigit() && c.unicode() < 128) digits += c;
    if (!digits.isEmpty() && digits.toInt() > 255) digits = QStringLiteral("255");
    if (digits != text) {
        adjusting_ = true;
        part->setText(digits);
        adjusting_ = false;
    }
    if (digits.size() >= kPartLength && index + 1 < static_cast<int>(parts_.size()))
        focusPart(index + 1, false);
}

bool CIPAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    int index = -1;
    for (size_t i = 0; i < parts_.size(); ++i)
        if (watched == parts_[i]) index = static_cast<int>(i);
    if (index < 0) return QFrame::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) setFocusProxy(parts_[static_cast<size_t>(index)]);
    if (event->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, event);

    auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* part = parts_[static_cast<size_t>(index)];
    const int last = static_cast<int>(parts_.size()) - 1;
    switch (key->key()) {
    case Qt::Key_Left:
        if (part->cursorPosition() == 0 && !part->hasSelectedText() && index > 0) {
            focusPart(index - 1, true);
            return true;
        }
        return false;
    case Qt::Key_Right:
        if (part->cursorPosition() == part->text().size() && index < last) {
            focusPart(index + 1, false);
            return true;
        }
        return false;
    case Qt::Key_Home:
        focusPart(0, false);
        return true;
    case Qt::Key_End:
        focusPart(last, true);
        return true;
    case Qt::Key_Period:
        if (!part->text().isEmpty() && index < last) focusPart(index + 1, false);
        return true;
    default:
        break;
    }
    const QString text = key->text();
    if (text.isEmpty() || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    const QChar c = text.front();
    if (c.unicode() < 32 || c.unicode() == 127) return false;
    if (c.isDigit() && c.unicode() < 128) return false;
    return true;  // anything else is not typed into a part
}

void CIPAddressEdit::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layoutParts();
}

void CIPAddressEdit::layoutParts()
{
    const QRect inner = contentsRect();
    const int dotWidth = std::max(4, fontMetrics().horizontalAdvance(QLatin1Char('.')) + 2);
    const int partWidth = std::max(1, (inner.width() - 3 * dotWidth) / 4);
    int x = inner.left();
    for (size_t i = 0; i < parts_.size(); ++i) {
        parts_[i]->setGeometry(x, inner.top(), partWidth, inner.height());
        x += partWidth;
        if (i < dots_.size()) {
            dots_[i]->setGeometry(x, inner.top(), dotWidth, inner.height());
            x += dotWidth;
        }
    }
}

}  // namespace netrov::ui
