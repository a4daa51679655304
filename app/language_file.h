// The language file: every visible text, font and dialog layout the installation may replace.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <QFont>
#include <QRect>

#include "string_resources.h"

class QWidget;

namespace netrov::ui {

// Dialog units to pixels, from the dialog font's average character width / 4
// and height / 8. Layout numbers come from a file: every position stays
// within one screen's size of the origin and every size within the screen,
// so a huge number cannot make a widget ask for gigabytes of pixels.
struct DialogUnits {
    int baseX = 6;
    int baseY = 13;
    int screenWidth = 4096;  // dialogUnits() puts the real screen here
    int screenHeight = 4096;
    int toX(int64_t units) const { return clampTo((units * baseX + 2) / 4, screenWidth); }
    int toY(int64_t units) const { return clampTo((units * baseY + 4) / 8, screenHeight); }
    // The rectangle (x, y, x + cx, y + cy) in pixels.
    QRect toRect(int32_t x, int32_t y, int32_t cx, int32_t cy) const
    {
        const int left = toX(x), top = toY(y);
        return QRect(left, top, std::clamp(toX(int64_t{x} + cx) - left, 0, screenWidth),
                     std::clamp(toY(int64_t{y} + cy) - top, 0, screenHeight));
    }
    static int clampTo(int64_t pixels, int limit) { return static_cast<int>(std::clamp<int64_t>(pixels, -limit, limit)); }
};
DialogUnits dialogUnits(const QFont& font);

// The fields of a logical font description, in the language file's order.
struct LogFont {
    std::string face;  // at most 31 characters
    int32_t height = 0, width = 0, escapement = 0, orientation = 0, weight = 0;
    uint8_t italic = 0, underline = 0, strikeOut = 0, charSet = 0, outPrecision = 0, clipPrecision = 0,
            quality = 0, pitchAndFamily = 0;
};

// "text,x,y,cx,cy": a control's or dialog's text and rectangle in dialog units.
struct Placement {
    std::string text;
    int32_t x = 0, y = 0, cx = 0, cy = 0;
};

// Value parsers, shared by the accessors below; none when a number is missing.
std::optional<LogFont> parseFont(std::string_view value);
std::optional<Placement> parsePlacement(std::string_view value);
std::optional<std::pair<std::string, int32_t>> parseTextAndNumber(std::string_view value);

QFont toQFont(const LogFont& font);

// Parsed once at start and read-only afterwards, so any thread may read it.
// Lookups match sections and keys exactly, case included.
class LanguageFile {
public:
    // Parses the file, replacing an earlier parse. False (and nothing kept)
    // for a missing, unreadable or empty file, and for anything that is not a
    // regular file or exceeds platform::kMaxFileSize.
    bool Load(const std::string& path);
    // Parses text already in memory, with the same rules and result.
    bool LoadText(std::string_view text);

    // Copies the value (or fallback) into buffer, cut to size - 1 characters
    // and terminated; returns the full length + 1. buffer may be null when size is 0.
    size_t GetText(std::string_view section, std::string_view key, std::string_view fallback, char* buffer,
                   size_t size) const;
    // The whole value, or none when the key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string text(std::string_view section, std::string_view key, std::string_view fallback) const;

    std::optional<QFont> GetFont(std::string_view section, std::string_view key) const;
    std::optional<std::pair<std::string, int32_t>> GetTextAndNumber(std::string_view section,
                                                                    std::string_view key) const;

    // Moves and sizes control to the value's rectangle, sets its text when not
    // empty and its font when font is given. False when the value is missing
    // or incomplete; the control then stays as it was.
    bool ApplyControl(QWidget* control, std::string_view section, std::string_view key, const QFont* font,
                      const DialogUnits& units) const;
    // Keeps the dialog's top-left corner and gives it the value's client size
    // (the window manager adds the frame and caption), title and font.
    bool ApplyDialog(QWidget* dialog, std::string_view section, std::string_view key, const QFont* font,
                     const DialogUnits& units) const;

    // Texts of at most 255 characters; an empty string-table text falls back to the built-in one.
    void LoadStringTable(std::span<const TableEntry> entries);
    void LoadTipTable(std::span<const TableEntry> entries);
    // The string-table text, or the built-in string for ids outside the table.
    std::string String(int32_t id) const;
    // The tip text; none when id is not in the tip table.
    std::optional<std::string> Tip(int32_t id) const;

private:
    enum class Kind { Comment, Section, Key, Other };
    struct Line {
        Kind kind;
        std::string text;  // section name, or the whole line
    };
    std::vector<Line> lines_;
    std::map<int32_t, std::string> strings_;
    std::map<int32_t, std::string> tips_;
};

// Lets the language file's [Words] section replace the core's words by
// their key ("supplyType.21=Toner", "notReported=n/a"); null: English again.
// language must outlive its use, or be forgotten first.
void useLanguageForWords(const LanguageFile* language);
// Stops using language for the core's words, if it is the one in use.
void forgetLanguageForWords(const LanguageFile* language);

}  // namespace netrov::ui
