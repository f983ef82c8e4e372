// The main window's menu "MYMENU": every item with its command id, its label as stored (the
// text after "\t" names the key), its key and whether it carries a check mark. The windowed
// program builds its menu bar and accelerators from this table.
#pragma once

#include <span>
#include <string_view>

#include "options/options.h"

namespace shell {

// Command ids.
namespace command {
inline constexpr int kValidate = 102;
inline constexpr int kRevalidate = 3;
inline constexpr int kEditLastDocument = 6;
inline constexpr int kExit = 101;
inline constexpr int kProgramOptions = 103;
inline constexpr int kValidatorOptions = 11842;
inline constexpr int kConfigurationEditor = 107;
inline constexpr int kEnglish = 11856;
inline constexpr int kFrench = 11857;
inline constexpr int kKeepWindowOnTop = 11855;
inline constexpr int kCleanConfiguration = 11854;
inline constexpr int kResetConfiguration = 9073;
inline constexpr int kLoadConfiguration = 9070;
inline constexpr int kSaveConfiguration = 9074;
inline constexpr int kSaveConfigurationAs = 9075;
inline constexpr int kEnableLogging = 11849;
inline constexpr int kLoggingOptions = 11852;
inline constexpr int kViewLog = 11850;
inline constexpr int kDeleteLog = 11851;
inline constexpr int kLowercase = 108;
inline constexpr int kUppercase = 106;
inline constexpr int kStripTags = 111;
inline constexpr int kTemplate = 1;
inline constexpr int kConvertFormat = 4;
inline constexpr int kHelpWithTools = 110;
inline constexpr int kDefaultToolOnDropped = 8;
inline constexpr int kValidatorOnDropped = 7;
inline constexpr int kSetDefaultTool = 9;
inline constexpr int kHomePage = 11843;
inline constexpr int kDownloadPage = 11845;
inline constexpr int kSupportPage = 11844;
inline constexpr int kConfigurationZip = 11846;
inline constexpr int kConfigurationUncompressed = 11848;
inline constexpr int kOnlineHelpContents = 11853;
inline constexpr int kHelpContents = 104;
inline constexpr int kAbout = 105;
}  // namespace command

inline constexpr std::string_view kMenuName = "MYMENU";

struct MenuEntry {
    enum Kind { Item, Separator, Submenu };
    Kind kind = Item;
    int id = 0;                   // Item
    std::string_view label;       // Item and Submenu: as stored, with "&" and "\t"
    std::string_view key;         // Item: the accelerator in portable form ("Alt+F12"), or ""
    bool checkable = false;       // Item
    std::span<const MenuEntry> entries;  // Submenu
};

struct TopMenu {
    std::string_view label;
    std::span<const MenuEntry> entries;
};

// The menu bar, left to right.
std::span<const TopMenu> menuBar();

// The item with command id `id`, or null.
const MenuEntry* findMenuItem(int id);

// Whether the item `id` carries a check mark with these options (false for items without one).
bool menuItemChecked(const options::Options& options, int id);

}  // namespace shell
