// Cell texts of the device list and the comparison its column sort uses.
#include "device_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <QCollator>
#include <QLocale>
#include <QString>

#include "net_address.h"

namespace netrov::ui {

namespace {

bool isNetwork(const core::DeviceListEntry& entry) { return entry.identity.interfaceKind == NETROV_INTERFACE_NETWORK; }

template <typename T>
int threeWay(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Model, device and location texts sort as people expect, lower and upper
// case together. The C locale would order every capital before any lower
// case letter, so there the texts sort as in English. Built once: sorting
// runs on the user-interface thread only.
int collate(const std::string& a, const std::string& b)
{
    static const QCollator collator = [] {
        QLocale locale;
        if (locale.language() == QLocale::C) locale = QLocale(QLocale::English, QLocale::UnitedStates);
        return QCollator(locale);
    }();
    return threeWay(collator.compare(QString::fromUtf8(a), QString::fromUtf8(b)), 0);
}

// Bytes as unsigned, like the platform's byte-wise text comparison.
int byteCompare(const std::string& a, const std::string& b)
{
    const int c = a.compare(b);
    return threeWay(c, 0);
}

// The status word the comparison uses; the codes outside the first four words compare as "-".
std::string sortStatusWord(int32_t code, const RowWords& words)
{
    return code >= core::kStatusReady && code <= core::kStatusPowerSave ? statusText(code, words) : "-";
}

// A supply's name for people: its process colour with a capital, else the device's name of it.
std::string supplyTitle(const core::TonerLevel& toner)
{
    std::string title = toner.colour.empty() || toner.colour == core::kOtherColour ? toner.name : toner.colour;
    if (!title.empty() && title[0] >= 'a' && title[0] <= 'z') title[0] = static_cast<char>(title[0] - 'a' + 'A');
    return title;
}

// The bar colour of a process colour; none for another.
std::optional<uint32_t> colourRgb(const std::string& colour)
{
    static constexpr struct {
        const char* colour;
        uint32_t rgb;
    } kColours[] = {{"black", 0x202020}, {"cyan", 0x00a0e0}, {"magenta", 0xd0007a}, {"yellow", 0xf0c800}};
    for (const auto& c : kColours)
        if (colour == c.colour) return c.rgb;
    return std::nullopt;
}

std::string percentText(int32_t percent) { return std::to_string(percent) + " %"; }

}  // namespace

std::vector<core::LevelLine> readingLevels(const core::DeviceReport& reading)
{
    std::vector<core::LevelLine> lines;
    for (const core::TonerLevel& toner : reading.toner)
        lines.push_back({supplyTitle(toner), toner.percent ? toner.percent : toner.levelCode, toner.state,
                         colourRgb(toner.colour), {}});
    for (const core::SupplyLevel& supply : reading.supplies)
        lines.push_back({supply.name, supply.percent ? supply.percent : supply.levelCode, supply.state, std::nullopt,
                         supply.media});
    return lines;
}

std::optional<int32_t> lowestLevel(std::span<const core::TonerLevel> toner)
{
    std::optional<int32_t> lowest;
    for (const core::TonerLevel& supply : toner)
        if (supply.percent) lowest = std::min(lowest.value_or(*supply.percent), *supply.percent);
    return lowest;
}

TonerCell tonerCell(std::span<const core::TonerLevel> toner, const RowWords& words)
{
    TonerCell cell;
    bool empty = false;
    for (const core::TonerLevel& supply : toner) {
        // The reading's state by the threshold table, with the printer's own low.
        const core::LevelState state = core::supplyState(supply.kind, supply.percent, supply.levelCode, supply.printerSays);
        std::string level;
        if (state == core::LevelState::Empty) level = words.empty;
        else if (state == core::LevelState::Low && supply.percent) level = percentText(*supply.percent) + " (" + words.low + ")";
        else if (state == core::LevelState::Low) level = words.low;
        else if (supply.percent) level = percentText(*supply.percent);
        else level = supply.remainingText.empty() ? words.unknown : supply.remainingText;
        if (!cell.toolTip.empty()) cell.toolTip += '\n';
        cell.toolTip += supplyTitle(supply) + ": " + level;
        cell.alarm = cell.alarm || state == core::LevelState::Low || state == core::LevelState::Empty;
        empty = empty || state == core::LevelState::Empty;
    }
    const std::optional<int32_t> lowest = lowestLevel(toner);
    if (empty) cell.text = words.empty;
    else if (!lowest) cell.text = "--";
    else {
        cell.text = percentText(*lowest);
        cell.level = lowest;
    }
    return cell;
}

std::string interfaceText(const core::DeviceListEntry& entry, const RowWords& words)
{
    const DeviceIdentity& identity = entry.identity;
    switch (identity.interfaceKind) {
    case NETROV_INTERFACE_NETWORK:
        return words.network;
    case NETROV_INTERFACE_PARALLEL:
    case NETROV_INTERFACE_USB:
        return fieldText(identity.portName) + " (" +
               fieldText(identity.driverName) + ")";
    default:
        return {};
    }
}

std::string ipAddressText(const core::DeviceListEntry& entry)
{
    if (!isNetwork(entry)) return "--";
    return core::deviceAddressText(entry.identity);
}

std::string macAddressText(const core::DeviceListEntry& entry)
{
    if (!isNetwork(entry) || entry.info.macAddressValid != 1) return {};
    return core::hardwareAddressText(entry.info.macAddress);
}

std::string statusText(int32_t code, const RowWords& words)
{
    if (core::isReadyStatus(code)) return words.ready;
    switch (code) {
    case core::kStatusWarning:
        return words.warning;
    case core::kStatusError:
        return words.error;
    case core::kStatusPowerSave:
        return words.powerSave;
    case core::kStatusUnknown:
        return words.unknown;
    case core::kStatusNoAnswer:
        return words.powerOff;
    default:
        return "--";
    }
}

bool readBeyondSnmp(const core::DeviceReport& reading)
{
    return reading.answered && !reading.source.empty() && reading.source != "snmp";
}

std::string sourceText(const std::string& source)
{
    if (source == "snmp") return "SNMP";
    if (source == "ipp") return "IPP";
    if (source == "snmp+ipp") return "SNMP and IPP";
    return source;
}

std::string cellText(const core::DeviceListEntry& entry, int32_t kind, const RowWords& words)
{
    std::string text;
    switch (kind) {
    case kColumnModel:
        text = fieldText(entry.identity.modelName);
        break;
    case kColumnDevice:
        text = fieldText(entry.info.name);
        break;
    case kColumnLocation:
        text = fieldText(entry.info.location);
        break;
    case kColumnInterface:
        text = interfaceText(entry, words);
        break;
    case kColumnIpAddress:
        text = ipAddressText(entry);
        break;
    case kColumnMacAddress:
        text = macAddressText(entry);
        break;
    case kColumnStatus:
        text = statusText(core::statusCode(entry), words);
        break;
    default:
        break;
    }
    return text.empty() ? "--" : text;
}

int compareRows(const core::DeviceListEntry& a, const core::DeviceListEntry& b, int32_t kind, int32_t direction,
                const RowWords& words)
{
    const int d = direction < 0 ? -1 : 1;
    if (a.identity.modelName[0] == '\0' || b.identity.modelName[0] == '\0') return d;

    int c = 0;
    switch (kind) {
    case kColumnModel:
    case kColumnDevice:
    case kColumnLocation: {
        const int32_t textKind = kind;
        const auto text = [textKind](const core::DeviceListEntry& e) {
            if (textKind == kColumnModel) return fieldText(e.identity.modelName);
            if (textKind == kColumnDevice) return fieldText(e.info.name);
            return fieldText(e.info.location);
        };
        c = collate(text(a), text(b));
        break;
    }
    case kColumnInterface:
        if (a.identity.interfaceKind == b.identity.interfaceKind) return 1;
        c = byteCompare(interfaceText(b, words), interfaceText(a, words));
        break;
    case kColumnIpAddress: {
        if (!isNetwork(a)) return isNetwork(b) ? d : -d;
        if (!isNetwork(b)) return -d;
        // As addresses, not as text: 10.0.0.9 before 10.0.1.0, IPv4 before IPv6.
        const std::string x = ipAddressText(a), y = ipAddressText(b);
        c = core::addressTextLess(x, y) ? -1 : (core::addressTextLess(y, x) ? 1 : 0);
        break;
    }
    case kColumnMacAddress: {
        if (!isNetwork(a) || !isNetwork(b)) return d;
        const uint8_t* x = a.info.macAddress;
        const uint8_t* y = b.info.macAddress;
        c = std::memcmp(x, y, 4);
        if (c == 0) c = (x[4] << 8 | x[5]) - (y[4] << 8 | y[5]);
        c = threeWay(c, 0);
        break;
    }
    case kColumnStatus: {
        const int32_t codeA = core::statusCode(a), codeB = core::statusCode(b);
        if (codeA == codeB) return 1;
        c = byteCompare(sortStatusWord(codeB, words), sortStatusWord(codeA, words));
        break;
    }
    default:
        return 1;
    }
    return c == 0 ? 1 : c * d;
}

std::optional<double> firstEmptyDays(std::span<const store::Forecast> forecasts)
{
    std::optional<double> first;
    for (const store::Forecast& forecast : forecasts)
        if (const auto days = store::rankDays(forecast); days && (!first || *days < *first)) first = days;
    return first;
}

std::string emptyInText(std::optional<double> days)
{
    if (!days) return {};
    if (*days == store::kNearlyEmptyRank) return store::forecastNoteText(store::ForecastNote::NearlyEmpty);
    // Whole days rounded as every surface rounds them; a forecast in the past is today as well.
    const int64_t whole = store::wholeDays(*days);
    if (whole < 1) return "today";
    return whole == 1 ? "in 1 day" : "in " + std::to_string(whole) + " days";
}

}  // namespace netrov::ui
