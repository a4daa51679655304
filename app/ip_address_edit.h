// CIPAddressEdit: a four-part IPv4 address field with the keyboard rules of the search settings dialog.
#pragma once

#include <array>
#include <cstdint>

#include <QFrame>

class QLabel;
class QLineEdit;

namespace netrov::ui {

class CIPAddressEdit : public QFrame {
    Q_OBJECT
public:
    explicit CIPAddressEdit(QWidget* parent = nullptr);

    // The four octet values (an empty part gives 0) and how many parts are not empty.
    int octets(std::array<uint8_t, 4>& out) const;
    // The address as a 32-bit number, first octet most significant.
    uint32_t address() const;
    void setOctets(const std::array<uint8_t, 4>& values);
    // Empties every part; input goes back to the first part.
    void clear();

    QLineEdit* part(int index) const { return parts_[static_cast<size_t>(index)]; }
    // The part that has or last had the input.
    int currentPart() const;
    // Whether select-all marked the whole address (typing replaces it, copy takes it all).
    bool wholeAddressSelected() const { return allSelected_; }
    // Fills all four parts from a dotted address ("10.1.2.3"); false, and
    // nothing changed, for any other text.
    bool pasteAddress(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void partEdited(int index);
    void focusPart(int index, bool atEnd);
    // Moves the input to the part with its text selected, so that typing replaces it.
    void enterPart(int index);
    void selectWholeAddress(bool on);
    bool wholeAddressKey(QKeyEvent* key);
    void layoutParts();

    std::array<QLineEdit*, 4> parts_{};
    std::array<QLabel*, 3> dots_{};
    bool adjusting_ = false;
    bool allSelected_ = false;
    int advancedTo_ = -1;  // the part three digits just moved the input to
};

}  // namespace netrov::ui
