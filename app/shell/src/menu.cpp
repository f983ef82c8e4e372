#include "shell/menu.h"

#include <array>

namespace shell {
namespace {

using namespace command;
using E = MenuEntry;

constexpr E item(int id, std::string_view label, std::string_view key = {}, bool check = false) {
    return E{E::Item, id, label, key, check, {}};
}
constexpr E separator() { return E{E::Separator, 0, {}, {}, false, {}}; }

constexpr std::array kFile{
    item(kValidate, "&Validate HTML Document...\tF2", "F2"),
    item(kRevalidate, "&Revalidate Last Document\tF12", "F12"),
    item(kEditLastDocument, "&Edit Last Document\tAlt-F12", "Alt+F12"),
    separator(),
    item(kExit, "E&xit\tAlt-F4", "Alt+F4"),
};

constexpr std::array kLanguage{
    item(kEnglish, "English", {}, true),
    item(kFrench, "French", {}, true),
};

constexpr std::array kSettings{
    item(kProgramOptions, "&Program Options...\tF4", "F4"),
    item(kValidatorOptions, "&Validator Options...\tControl+F4", "Ctrl+F4"),
    item(kConfigurationEditor, "&HTML Configuration Editor...\tF5", "F5"),
    separator(),
    E{E::Submenu, 0, "Language Enhancements", {}, false, kLanguage},
    item(kKeepWindowOnTop, "&Keep Window on Top\tAlt-F9", "Alt+F9", true),
    separator(),
    item(kCleanConfiguration, "&Clean Configuration"),
    item(kResetConfiguration, "&Reset Configuration"),
    separator(),
    item(kLoadConfiguration, "&Load Configuration..."),
    item(kSaveConfiguration, "&Save Configuration"),
    item(kSaveConfigurationAs, "Save Configuration &As..."),
};

constexpr std::array kLog{
    item(kEnableLogging, "&Enable Logging\tAlt-F5", "Alt+F5", true),
    item(kLoggingOptions, "&Logging Options...\tAlt-F8", "Alt+F8"),
    separator(),
    item(kViewLog, "&View Log\tAlt-F6", "Alt+F6"),
    item(kDeleteLog, "&Delete Log\tAlt-F7", "Alt+F7"),
};

constexpr std::array kTools{
    item(kLowercase, "&Lowercase...\tF6", "F6"),
    item(kUppercase, "&Uppercase...\tF7", "F7"),
    item(kStripTags, "&Strip HTML Tags...\tF8", "F8"),
    item(kTemplate, "&Template...\tF9", "F9"),
    item(kConvertFormat, "&Convert Text File Format...\tF10", "F10"),
    separator(),
    item(kHelpWithTools, "&Help with Tools"),
};

constexpr std::array kDragAndDrop{
    item(kDefaultToolOnDropped, "Use Default &Tool on Dropped Files\tAlt-F1", "Alt+F1", true),
    item(kValidatorOnDropped, "Use &Validator on Dropped Files\tAlt-F2", "Alt+F2", true),
    separator(),
    item(kSetDefaultTool, "&Set Default Drag and Drop Tool...\tAlt-F3", "Alt+F3"),
};

constexpr std::array kDownload{
    item(kConfigurationZip, "In &ZIP Format"),
    item(kConfigurationUncompressed, "&Uncompressed"),
};

constexpr std::array kLinks{
    item(kHomePage, "&Zentrel Markwise Home Page"),
    item(kDownloadPage, "&Download Page"),
    item(kSupportPage, "&Support Page"),
    separator(),
    E{E::Submenu, 0, "Download &Latest HTML Configuration", {}, false, kDownload},
};

constexpr std::array kHelp{
    item(kHelpContents, "&Help Contents\tF1", "F1"),
    item(kOnlineHelpContents, "O&nline Help Contents"),
    separator(),
    item(kAbout, "&About...\tF3", "F3"),
};

constexpr std::array kBar{
    TopMenu{"&File", kFile},
    TopMenu{"&Settings", kSettings},
    TopMenu{"&Log", kLog},
    TopMenu{"&Tools", kTools},
    TopMenu{"&Drag and Drop", kDragAndDrop},
    TopMenu{"Lin&ks", kLinks},
    TopMenu{"&Help", kHelp},
};

const MenuEntry* findIn(std::span<const MenuEntry> entries, int id) {
    for (const MenuEntry& entry : entries) {
        if (entry.kind == MenuEntry::Item && entry.id == id) return &entry;
        if (entry.kind == MenuEntry::Submenu) {
            if (const MenuEntry* found = findIn(entry.entries, id)) return found;
        }
    }
    return nullptr;
}

}  // namespace

std::span<const TopMenu> menuBar() { return kBar; }

const MenuEntry* findMenuItem(int id) {
    for (const TopMenu& menu : kBar) {
        if (const MenuEntry* found = findIn(menu.entries, id)) return found;
    }
    return nullptr;
}

bool menuItemChecked(const options::Options& options, int id) {
    switch (id) {
        case kValidatorOnDropped: return options.GiveDroppedFilesToValidator == 1;
        case kDefaultToolOnDropped: return options.GiveDroppedFilesToTool == 1;
        case kKeepWindowOnTop: return options.KeepWindowOnTop == 1;
        case kEnableLogging: return options.EnableLogging == 1;
        case kEnglish: return options.Language == 0;
        case kFrench: return options.Language == 1;
        default: return false;
    }
}

}  // namespace shell
