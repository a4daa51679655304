// Built-in string resources; the leading dots mark texts the language file did not replace.
#include "string_resources.h"

#include <array>

namespace netrov::ui {

namespace {

struct BuiltIn {
    int32_t id;
    const char* text;
};

constexpr BuiltIn kBuiltIn[] = {
    {IDR_MAINFRAME, "Net Rover"},
    {IDR_MSGBOXTITLE, "Net Rover"},
    {IDS_STR_SEARCHRESULT, "..%d Devices are found."},
    {IDS_STR_SEARCHABORT, "..Abort searching."},
    {IDS_STR_READY, "..Ready"},
    {IDS_STR_POWER_SAVE, "..Power Save"},
    {IDS_STR_WARNING, "..Warning"},
    {IDS_STR_ERROR, "..Error"},
    {IDS_STR_NETWORK, "..Network"},
    {IDS_STR_UNKNOWN, "..Unknown"},
    {IDS_STR_IPSEPARATOR, "..-"},
    {IDS_STR_WAITFOR, "..Canceling search..."},
    {IDS_STR_ERRMSG_IPRANGE, "..The specified range is over 255."},
    {IDS_STR_ERRMSG_IPRANGETOTAL, "..The number of added IP Address is over 255."},
    {IDS_STR_ERRMSG_ALREADYREGISTIP, "..The specified IP Address is already added."},
    {IDS_STR_VERSIONFORMAT, "..Version %d.%d (%d.%d.%s)"},
    {IDM_MENU_SEARCH, "..Searches for devices."},
    {IDM_MENU_SEARCHSETTING, "..Sets up for searching condition."},
    {IDM_MENU_CUSTOMIZE, "..Customizes to show or hide items."},
    {IDM_MENU_REFRESH, "..Refreshes the contents of the current window."},
    {ID_APP_ABOUT, "..Display program information, version nunber and copyright."},
    {ID_APP_EXIT, "..Quits Net Rover."},
    {IDM_MENU_TOOLBARSMALL, "..Displays toolbar by using small icons."},
    {IDM_MENU_TOOLBARLARGE, "..Displays toolbar by using large icons."},
    {IDM_MENU_TOOLBARHIDE, "..Hides toolbar."},
    {IDS_STR_ERRMSG_IPRANGEREVERSED, "The end of the range is below its start."},
    {IDS_STR_SEARCHNONE,
     "Printers that do not answer may use another SNMP community: set it under Device > Search Range..., Community."},
    {IDS_STR_REFRESHING, "Refreshing the devices..."},
};

constexpr TableEntry kStringTable[] = {
    {IDR_MAINFRAME, "Message", "IDR_MAINFRAME"},
    {IDR_MSGBOXTITLE, "Message", "IDR_MSGBOXTITLE"},
    {IDS_STR_SEARCHRESULT, "Message", "IDS_STR_SEARCHRESULT"},
    {IDS_STR_SEARCHABORT, "Message", "IDS_STR_SEARCHABORT"},
    {IDS_STR_READY, "Message", "IDS_STR_READY"},
    {IDS_STR_POWER_SAVE, "Message", "IDS_STR_POWER_SAVE"},
    {IDS_STR_WARNING, "Message", "IDS_STR_WARNING"},
    {IDS_STR_ERROR, "Message", "IDS_STR_ERROR"},
    {IDS_STR_POWER_OFF, "Message", "IDS_STR_POWER_OFF"},
    {IDS_STR_NETWORK, "Message", "IDS_STR_NETWORK"},
    {IDS_STR_UNKNOWN, "Message", "IDS_STR_UNKNOWN"},
    {IDS_STR_IPSEPARATOR, "Message", "IDS_STR_IPSEPARATOR"},
    {IDS_STR_WAITFOR, "Message", "IDS_STR_WAITFOR"},
    {IDS_STR_ERRMSG_IPRANGE, "Message", "IDS_STR_ERRMSG_IPRANGE"},
    {IDS_STR_ERRMSG_IPRANGETOTAL, "Message", "IDS_STR_ERRMSG_IPRANGETOTAL"},
    {IDS_STR_ERRMSG_ALREADYREGISTIP, "Message", "IDS_STR_ERRMSG_ALREADYREGISTIP"},
    {IDS_STR_VERSIONFORMAT, "Message", "IDS_STR_VERSIONFORMAT"},
    {IDM_MENU_SEARCH, "Message", "IDM_MENU_SEARCH"},
    {IDM_MENU_SEARCHSETTING, "Message", "IDM_MENU_SEARCHSETTING"},
    {IDM_MENU_CUSTOMIZE, "Message", "IDM_MENU_CUSTOMIZE"},
    {IDM_MENU_REFRESH, "Message", "IDM_MENU_REFRESH"},
    {IDM_MENU_HELP, "Message", "IDM_MENU_HELP"},
    {ID_APP_ABOUT, "Message", "ID_APP_ABOUT"},
    {ID_APP_EXIT, "Message", "ID_APP_EXIT"},
    {IDM_MENU_TOOLBARSMALL, "Message", "IDM_MENU_TOOLBARSMALL"},
    {IDM_MENU_TOOLBARLARGE, "Message", "IDM_MENU_TOOLBARLARGE"},
    {IDM_MENU_TOOLBARHIDE, "Message", "IDM_MENU_TOOLBARHIDE"},
};
static_assert(std::size(kStringTable) == 27);

constexpr TableEntry kTipTable[] = {
    {IDM_MENU_SEARCH, "MessageTip", "IDM_MENU_SEARCH"},
    {IDM_MENU_SEARCHSETTING, "MessageTip", "IDM_MENU_SEARCHSETTING"},
    {IDM_MENU_REFRESH, "MessageTip", "IDM_MENU_REFRESH"},
    {IDM_MENU_CUSTOMIZE, "MessageTip", "IDM_MENU_CUSTOMIZE"},
    {ID_APP_ABOUT, "MessageTip", "ID_APP_ABOUT"},
};
static_assert(std::size(kTipTable) == 5);

}  // namespace

std::span<const TableEntry> stringTableEntries() { return kStringTable; }
std::span<const TableEntry> tipTableEntries() { return kTipTable; }

const char* builtInString(int32_t id)
{
    for (const BuiltIn& entry : kBuiltIn)
        if (entry.id == id) return entry.text;
    return "";
}

}  // namespace netrov::ui
