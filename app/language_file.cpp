// Language file parsing, its value forms, and how its layouts reach the widgets.
#include "language_file.h"

#include <atomic>

#include "words.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <stdexcept>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "dialog_controls.h"
#include "platform/regular_file.h"

namespace netrov::ui {

namespace {

constexpr size_t kTableTextSize = 256;
constexpr size_t kFaceLength = 31;

bool isControlOrBlank(char c)
{
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

// The leading text of a value: up to the next double quote when it starts
// with one (the character after the closing quote is skipped), else up to
// the first ",". rest is left after the text's separator; false when no
// separator follows.
bool splitText(std::string_view value, std::string& text, std::string_view& rest)
{
    if (!value.empty() && value.front() == '"') {
        value.remove_prefix(1);
        const size_t close = value.find('"');
        if (close == std::string_view::npos) {
            text = std::string(value);
            return false;
        }
        text = std::string(value.substr(0, close));
        value.remove_prefix(close + 1);
        if (value.empty()) return false;
        rest = value.substr(1);
        return true;
    }
    const size_t comma = value.find(',');
    text = std::string(value.substr(0, comma));
    if (comma == std::string_view::npos) return false;
    rest = value.substr(comma + 1);
    return true;
}

// count comma-separated decimal integers; each must be present and not empty.
bool parseNumbers(std::string_view rest, int32_t* out, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const size_t comma = rest.find(',');
        const std::string_view field = rest.substr(0, comma);
        if (field.empty()) return false;
        size_t pos = 0;
        bool negative = false;
        if (field[0] == '-' || field[0] == '+') {
            negative = field[0] == '-';
            pos = 1;
        }
        int64_t number = 0;
        for (; pos < field.size() && field[pos] >= '0' && field[pos] <= '9'; ++pos)
            number = std::min<int64_t>(number * 10 + (field[pos] - '0'), INT32_MAX);
        out[i] = static_cast<int32_t>(negative ? -number : number);
        if (i + 1 < count) {
            if (comma == std::string_view::npos) return false;
            rest.remove_prefix(comma + 1);
        }
    }
    return true;
}

void setControlText(QWidget* control, const std::string& text)
{
    setWidgetText(control, QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace

DialogUnits dialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    DialogUnits units;
    const int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    units.baseX = std::max(1, (width / 26 + 1) / 2);
    units.baseY = std::max(1, metrics.height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize size = screen->virtualSize();
        if (size.width() > 0) units.screenWidth = size.width();
        if (size.height() > 0) units.screenHeight = size.height();
    }
    return units;
}

std::optional<LogFont> parseFont(std::string_view value)
{
    LogFont font;
    std::string_view rest;
    if (!splitText(value, font.face, rest)) return std::nullopt;
    if (font.face.size() > kFaceLength) font.face.resize(kFaceLength);
    int32_t numbers[13];
    if (!parseNumbers(rest, numbers, std::size(numbers))) return std::nullopt;
    font.height = numbers[0];
    font.width = numbers[1];
    font.escapement = numbers[2];
    font.orientation = numbers[3];
    font.weight = numbers[4];
    uint8_t* bytes[] = {&font.italic, &font.underline, &font.strikeOut, &font.charSet,
                        &font.outPrecision, &font.clipPrecision, &font.quality, &font.pitchAndFamily};
    for (size_t i = 0; i < std::size(bytes); ++i) *bytes[i] = static_cast<uint8_t>(numbers[5 + i]);
    return font;
}

std::optional<Placement> parsePlacement(std::string_view value)
{
    Placement placement;
    std::string_view rest;
    if (!splitText(value, placement.text, rest)) return std::nullopt;
    int32_t numbers[4];
    if (!parseNumbers(rest, numbers, std::size(numbers))) return std::nullopt;
    placement.x = numbers[0];
    placement.y = numbers[1];
    placement.cx = numbers[2];
    placement.cy = numbers[3];
    return placement;
}

std::optional<std::pair<std::string, int32_t>> parseTextAndNumber(std::string_view value)
{
    std::string text;
    std::string_view rest;
    if (!splitText(value, text, rest)) return std::nullopt;
    int32_t number = 0;
    if (!parseNumbers(rest, &number, 1)) return std::nullopt;
    return std::make_pair(std::move(text), number);
}

QFont toQFont(const LogFont& description)
{
    QFont font(QString::fromLocal8Bit(description.face.c_str()));
    // A negative height is the character height, a positive one the cell
    // height; pixels either way, as on the screen the layouts were made for.
    if (description.height != 0) font.setPixelSize(std::clamp(std::abs(description.height), 1, 400));
    if (description.weight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(description.weight, 1, 1000)));
    font.setItalic(description.italic != 0);
    font.setUnderline(description.underline != 0);
    font.setStrikeOut(description.strikeOut != 0);
    if ((description.pitchAndFamily & 0x3) == 1) font.setFixedPitch(true);
    return font;
}

bool LanguageFile::Load(const std::string& path)
{
    lines_.clear();
    try {
        const platform::FileBytes file = platform::readRegularFile(path);
        if (file.status != platform::ReadStatus::Read) return false;
        return LoadText(file.bytes);
    } catch (const std::exception&) {
        lines_.clear();
        return false;
    }
}

bool LanguageFile::LoadText(std::string_view text)
{
    lines_.clear();
    if (text.empty()) return false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);

        if (!line.empty() && line.front() == ';') {
            lines_.push_back({Kind::Comment, std::string(line)});
        } else if (!line.empty() && line.front() == '[' && line.find(']') != std::string_view::npos) {
            lines_.push_back({Kind::Section, std::string(line.substr(1, line.find(']') - 1))});
        } else if (line.find('=') != std::string_view::npos) {
            lines_.push_back({Kind::Key, std::string(line)});
        } else {
            lines_.push_back({Kind::Other, std::string(line)});
        }
    }
    return true;
}

std::optional<std::string> LanguageFile::value(std::string_view section, std::string_view key) const
{
    bool inSection = false;
    for (const Line& line : lines_) {
        if (line.kind == Kind::Section) {
            inSection = line.text == section;
            continue;
        }
        if (!inSection || line.kind != Kind::Key) continue;
        std::string_view text = line.text;
        const size_t equals = text.find('=');
        std::string_view name = text.substr(0, equals);
        while (!name.empty() && isControlOrBlank(name.back())) name.remove_suffix(1);
        if (name != key) continue;
        std::string_view found = text.substr(equals + 1);
        while (!found.empty() && isControlOrBlank(found.front())) found.remove_prefix(1);
        return std::string(found);
    }
    return std::nullopt;
}

std::string LanguageFile::text(std::string_view section, std::string_view key, std::string_view fallback) const
{
    std::optional<std::string> found = value(section, key);
    return found ? std::move(*found) : std::string(fallback);
}

size_t LanguageFile::GetText(std::string_view section, std::string_view key, std::string_view fallback,
                             char* buffer, size_t size) const
{
    const std::string result = text(section, key, fallback);
    if (buffer && size > 0) {
        const size_t copied = std::min(result.size(), size - 1);
        memcpy(buffer, result.data(), copied);
        buffer[copied] = '\0';
    }
    return result.size() + 1;
}

std::optional<QFont> LanguageFile::GetFont(std::string_view section, std::string_view key) const
{
    const std::optional<std::string> found = value(section, key);
    if (!found) return std::nullopt;
    const std::optional<LogFont> description = parseFont(*found);
    if (!description) return std::nullopt;
    return toQFont(*description);
}

std::optional<std::pair<std::string, int32_t>> LanguageFile::GetTextAndNumber(std::string_view section,
                                                                              std::string_view key) const
{
    const std::optional<std::string> found = value(section, key);
    if (!found) return std::nullopt;
    return parseTextAndNumber(*found);
}

bool LanguageFile::ApplyControl(QWidget* control, std::string_view section, std::string_view key,
                                const QFont* font, const DialogUnits& units) const
{
    if (!control) return false;
    const std::optional<std::string> found = value(section, key);
    if (!found) return false;
    const std::optional<Placement> placement = parsePlacement(*found);
    if (!placement) return false;
    control->setGeometry(units.toRect(placement->x, placement->y, placement->cx, placement->cy));
    if (!placement->text.empty()) setControlText(control, placement->text);
    if (font) control->setFont(*font);
    return true;
}

bool LanguageFile::ApplyDialog(QWidget* dialog, std::string_view section, std::string_view key, const QFont* font,
                               const DialogUnits& units) const
{
    if (!dialog) return false;
    const std::optional<std::string> found = value(section, key);
    if (!found) return false;
    const std::optional<Placement> placement = parsePlacement(*found);
    if (!placement) return false;
    dialog->setFixedSize(std::max(0, units.toX(placement->cx)), std::max(0, units.toY(placement->cy)));
    if (!placement->text.empty())
        dialog->setWindowTitle(QString::fromLocal8Bit(placement->text.data(),
                                                      static_cast<qsizetype>(placement->text.size())));
    if (font) dialog->setFont(*font);
    return true;
}

void LanguageFile::LoadStringTable(std::span<const TableEntry> entries)
{
    strings_.clear();
    char buffer[kTableTextSize];
    for (const TableEntry& entry : entries) {
        GetText(entry.section, entry.key, "", buffer, sizeof buffer);
        strings_[entry.id] = buffer[0] != '\0' ? std::string(buffer) : std::string(builtInString(entry.id));
    }
}

void LanguageFile::LoadTipTable(std::span<const TableEntry> entries)
{
    tips_.clear();
    char buffer[kTableTextSize];
    for (const TableEntry& entry : entries) {
        GetText(entry.section, entry.key, "", buffer, sizeof buffer);
        tips_[entry.id] = buffer;
    }
}

std::string LanguageFile::String(int32_t id) const
{
    const auto found = strings_.find(id);
    return found != strings_.end() ? found->second : std::string(builtInString(id));
}

std::optional<std::string> LanguageFile::Tip(int32_t id) const
{
    const auto found = tips_.find(id);
    if (found == tips_.end()) return std::nullopt;
    return found->second;
}

namespace {

constexpr const char* kWordsSection = "Words";
// The core's translator is a plain function: it finds the language file here.
std::atomic<const LanguageFile*> gWordLanguage{nullptr};

std::string languageWord(std::string_view key, std::string_view english)
{
    const LanguageFile* language = gWordLanguage.load();
    if (!language) return std::string(english);
    return language->text(kWordsSection, key, english);
}

}  // namespace

void useLanguageForWords(const LanguageFile* language)
{
    gWordLanguage.store(language);
    core::setWordTranslator(languageWord);
}

void forgetLanguageForWords(const LanguageFile* language)
{
    const LanguageFile* expected = language;
    gWordLanguage.compare_exchange_strong(expected, nullptr);
}

}  // namespace netrov::ui
