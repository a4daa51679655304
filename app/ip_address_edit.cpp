// The four-part address field: digits only, "." and arrows move between parts, values capped at 255.
#include "ip_address_edit.h"

#include "plain_text.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QRegularExpression>
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
        dot = new PlainLabel(QStringLiteral("."), this);
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

void CIPAddressEdit::enterPart(int index)
{
    if (index < 0 || index >= static_cast<int>(parts_.size())) return;
    focusPart(index, true);
    parts_[static_cast<size_t>(index)]->selectAll();
}

bool CIPAddressEdit::pasteAddress(const QString& text)
{
    static const QRegularExpression dotted(QStringLiteral("^\\s*(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\s*$"));
    const QRegularExpressionMatch match = dotted.match(text);
    if (!match.hasMatch()) return false;
    std::array<uint8_t, 4> values{};
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<uint8_t>(std::min(match.captured(static_cast<int>(i) + 1).toInt(), 255));
    setOctets(values);
    focusPart(static_cast<int>(parts_.size()) - 1, true);
    return true;
}

void CIPAddressEdit::selectWholeAddress(bool on)
{
    allSelected_ = on;
    for (QLineEdit* part : parts_) {
        if (on) part->selectAll();
        else if (part != focusProxy()) part->deselect();
    }
}

// Keys while select-all marks the whole address: copy takes it, typing or
// deleting replaces it, anything else ends the marking.
bool CIPAddressEdit::wholeAddressKey(QKeyEvent* key)
{
    if (key->matches(QKeySequence::Copy)) {
        std::array<uint8_t, 4> values{};
        octets(values);
        QApplication::clipboard()->setText(
            QStringLiteral("%1.%2.%3.%4").arg(values[0]).arg(values[1]).arg(values[2]).arg(values[3]));
        return true;
    }
    const QString text = key->text();
    const bool digit = !text.isEmpty() && text.front().isDigit() && text.front().unicode() < 128 &&
                       !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    const bool erase = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete;
    if (!digit && !erase) {
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) selectWholeAddress(false);
        return false;
    }
    selectWholeAddress(false);
    clear();
    focusPart(0, false);
    if (digit) parts_[0]->insert(text.left(1));
    return true;
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
    if (digits.size() >= kPartLength && index + 1 < static_cast<int>(parts_.size()) &&
        part->cursorPosition() == part->text().size()) {
        enterPart(index + 1);
        advancedTo_ = index + 1;
    }
}

bool CIPAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    int index = -1;
    for (size_t i = 0; i < parts_.size(); ++i)
        if (watched == parts_[i]) index = static_cast<int>(i);
    if (index < 0) return QFrame::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) setFocusProxy(parts_[static_cast<size_t>(index)]);
    if (event->type() == QEvent::MouseButtonPress && allSelected_) selectWholeAddress(false);
    if (event->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, event);

    auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* part = parts_[static_cast<size_t>(index)];
    const int last = static_cast<int>(parts_.size()) - 1;
    // A "." typed right after three digits moved the input on is the
    // separator the user meant to type there: it does not move on again.
    const bool justAdvanced = advancedTo_ == index;
    advancedTo_ = -1;
    if (justAdvanced && key->key() == Qt::Key_Period) return true;
    if (key->matches(QKeySequence::SelectAll)) {
        selectWholeAddress(true);
        return true;
    }
    if (allSelected_ && wholeAddressKey(key)) return true;
    if (key->matches(QKeySequence::Paste)) {
        const QString clip = QApplication::clipboard()->text();
        if (pasteAddress(clip)) return true;
        // Anything else goes in as typed digits would.
        return clip.contains(QLatin1Char('.'));
    }
    switch (key->key()) {
    case Qt::Key_Backspace:
        if (part->cursorPosition() == 0 && !part->hasSelectedText() && index > 0) {
            focusPart(index - 1, true);
            return true;
        }
        return false;
    case Qt::Key_Left:
        if (part->cursorPosition() == 0 && !part->hasSelectedText() && index > 0) {
            focusPart(index - 1, true);
            return true;
        }
        return false;
    case Qt::Key_Right:
        if (part->cursorPosition() == part->text().size() && !part->hasSelectedText() && index < last) {
            enterPart(index + 1);
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
        if (!part->text().isEmpty() && index < last) enterPart(index + 1);
        return true;
    default:
        break;
    }
    const QString text = key->text();
    if (text.isEmpty() || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    const QChar c = text.front();
    if (c.unicode() < 32 || c.unicode() == 127) return false;
    if (c.isDigit() && c.unicode() < 128) {
        // A full part with the cursor at its end passes the digit on to the next part.
        if (part->text().size() >= kPartLength && !part->hasSelectedText() &&
            part->cursorPosition() == part->text().size() && index < last) {
            enterPart(index + 1);
            parts_[static_cast<size_t>(index) + 1]->insert(text.left(1));
            return true;
        }
        return false;
    }
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
