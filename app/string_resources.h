// The program's built-in string resources and the string and tip tables the language file fills.
#pragma once

#include <cstdint>
#include <span>

namespace netrov::ui {

// Resource ids the code refers to.
enum StringId : int32_t {
    IDR_MAINFRAME = 128,
    IDR_MSGBOXTITLE = 129,
    IDS_STR_SEARCHRESULT = 300,
    IDS_STR_SEARCHABORT = 301,
    IDS_STR_READY = 304,
    IDS_STR_WARNING = 305,
    IDS_STR_ERROR = 306,
    IDS_STR_UNKNOWN = 307,
    IDS_STR_IPSEPARATOR = 309,
    IDS_STR_WAITFOR = 310,
    IDS_STR_NETWORK = 311,
    IDS_STR_POWER_SAVE = 314,
    IDS_STR_POWER_OFF = 315,
    IDS_STR_ERRMSG_IPRANGE = 501,
    IDS_STR_ERRMSG_IPRANGETOTAL = 502,
    IDS_STR_ERRMSG_ALREADYREGISTIP = 503,
    IDS_STR_VERSIONFORMAT = 998,
    IDM_MENU_SEARCH = 32771,
    IDM_MENU_SEARCHSETTING = 32772,
    IDM_MENU_CUSTOMIZE = 32773,
    IDM_MENU_REFRESH = 32779,
    IDM_MENU_HELP = 32780,
    IDM_MENU_TOOLBARSMALL = 32789,
    IDM_MENU_TOOLBARLARGE = 32790,
    IDM_MENU_TOOLBARHIDE = 32791,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    IDM_MENU_PROPERTIES = 32800,
    IDM_MENU_EXPORTREPORT = 32801,
    // Strings newer than the language files: their built-in texts are used.
    IDS_STR_SEARCHNONE = 330,
    IDS_STR_REFRESHING = 331,
    IDS_STR_ERRMSG_IPRANGEREVERSED = 510,
};

// One row of the string or tip table: which language key fills which id.
struct TableEntry {
    int32_t id;
    const char* section;
    const char* key;
};

// The 27 entries of the string table, all in section "Message".
std::span<const TableEntry> stringTableEntries();
// The 5 entries of the tip table, all in section "MessageTip".
std::span<const TableEntry> tipTableEntries();

// The built-in text of a string resource; "" for ids without one.
const char* builtInString(int32_t id);

}  // namespace netrov::ui
