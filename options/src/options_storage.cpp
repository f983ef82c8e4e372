#include "options/options_storage.h"

#include <array>
#include <vector>

namespace options {
namespace {

using platform::SettingsRoot;

// Every value Save writes, in the order it writes them: the program's list, then the validator
// options of today's HTML, which came later.
constexpr std::array<std::string_view, 57> kSaveList{
    // On/off values.
    "CheckNesting", "AlwaysOpenViewer", "IncludeHTMLInOutput", "AutoSave", "MaximizeViewer",
    "CreateBAKFiles", "AllowSpacesAroundEqual", "StrictComments", "AllowMultiLineQuotes",
    "ShowComments", "UseVALFilesInstead", "DontViewIfUseVAL", "ShowTOOLDBWhenFilesDropped",
    "GiveDroppedFilesToValidator", "GiveDroppedFilesToTool", "AutoSaveHTMLConfiguration",
    "MessagesAtBottom", "ValidateEntities", "EnableWarnings", "CheckForHighASCII",
    "EnableCommentWarnings", "TagRangeAlwaysValid", "AllowDoubleQuoteInText",
    "IgnoreActiveServer", "RequireOptionalClosingTags", "CollapseASPInTags",
    "UnicodeNumericEntities", "HexadecimalEntities", "EnableMissingAttributeWarnings",
    "EnableLogging", "LogErrors", "LogWarnings", "LogIncludeHTML", "QuotesEquivalent",
    "IgnoreQuoteRequirements", "AllowSpaces2", "FirstTagAnywhere", "KeepWindowOnTop",
    // Integers.
    "FileType", "ConvertToFileType", "DefaultDragAndDropTool", "LineLength", "MaximumErrors",
    "MaximumWarnings", "Language",
    // Texts.
    "VALExtension", "DefaultConfigurationFilenameV25", "OutputFilename",
    "LastOpenedHTMLFilename", "LastOpenedToolFilename", "ViewerFilename", "EditorFilename",
    "LogFilename",
    // Today's HTML.
    "AllowEmptyElementSlash", "AllowGreaterThanInText", "AllowBareAmpersand", "CheckDuplicateIds"};

constexpr std::string_view kExternalCapability = "ExternalCapability";

std::optional<std::string> readCurrent(platform::SettingsStore& store, std::string_view name) {
    return store.read(SettingsRoot::CurrentUser, kOptionsKey, name);
}

}  // namespace

std::optional<std::string> readValue(platform::SettingsStore& store, std::string_view name,
                                     std::string_view defaultText, bool writeDefault,
                                     bool legacy) {
    if (auto value = readCurrent(store, name)) return value;
    // A store that is there but could not be read may hold the value: neither the legacy value
    // nor the default may then take its place for good, and the read fails.
    if (!store.readable(SettingsRoot::CurrentUser)) return std::nullopt;
    if (legacy) {
        if (auto old = store.read(SettingsRoot::LocalMachine, kLegacyOptionsKey, name)) {
            if (!writeValue(store, name, *old)) return std::nullopt;
            return readCurrent(store, name);
        }
        if (!store.readable(SettingsRoot::LocalMachine)) return std::nullopt;
    }
    if (!writeDefault || !writeValue(store, name, defaultText)) return std::nullopt;
    return readCurrent(store, name);
}

std::optional<int> readOnOff(platform::SettingsStore& store, std::string_view name,
                             int defaultValue) {
    auto text = readValue(store, name, std::to_string(defaultValue));
    if (!text) return std::nullopt;
    return storedNumber(*text) != 0 ? 1 : 0;
}

std::optional<int> readInteger(platform::SettingsStore& store, std::string_view name,
                               int defaultValue) {
    auto text = readValue(store, name, std::to_string(defaultValue));
    if (!text) return std::nullopt;
    return storedNumber(*text);
}

bool readText(platform::SettingsStore& store, std::string_view name, std::string& field,
              int size) {
    auto text = readValue(store, name, field);
    if (!text || text->size() + 1 > static_cast<std::size_t>(size)) return false;
    field = std::move(*text);
    return true;
}

bool writeValue(platform::SettingsStore& store, std::string_view name, std::string_view text) {
    return store.write(SettingsRoot::CurrentUser, kOptionsKey, name, text);
}

bool loadOptions(Options& options, platform::SettingsStore& store, platform::UserInterface& ui) {
    bool ok = true;
    const Options defaults = options;
    // The values not yet stored under the current key: taken from the legacy key, or the
    // defaults. They are stored with the batch; until then they are not read back for good.
    std::vector<const OptionInfo*> copied;
    store.beginBatch();
    for (const OptionInfo& info : optionTable()) {
        if (info.name == kExternalCapability) continue;  // written at every start, never read
        const bool stored = readCurrent(store, info.name).has_value();
        // The record holds the defaults, which are stored for every value missing so far.
        auto text = readValue(store, info.name, storedValue(options, info));
        if (!text || !applyStoredValue(options, info, *text)) {
            ok = false;
        } else if (!stored) {
            copied.push_back(&info);
        }
    }
    ok = writeValue(store, kExternalCapability, std::to_string(options.ExternalCapability)) && ok;
    ok = writeValue(store, "Version", kVersionText) && ok;
    if (!store.commitBatch()) {
        // Nothing was stored: a value copied from the legacy key was never written under the
        // current key, so the record keeps the default for it.
        for (const OptionInfo* info : copied) {
            applyStoredValue(options, *info, storedValue(defaults, *info));
        }
        ok = false;
    }
    if (!ok) {
        ui.messageBox(std::string(kLoadErrorCaption), std::string(kLoadErrorText),
                      platform::Icon::Error, platform::Buttons::Ok);
        return false;
    }
    options.optionsSaved = 1;
    return true;
}

bool saveOptions(Options& options, platform::SettingsStore& store, platform::UserInterface& ui,
                 bool notify) {
    bool ok = true;
    store.beginBatch();
    for (std::string_view name : kSaveList) {
        const OptionInfo* info = findOption(name);
        ok = info && writeValue(store, name, storedValue(options, *info)) && ok;
    }
    ok = store.commitBatch() && ok;
    if (!ok) {
        ui.messageBox(std::string(kSaveErrorCaption), std::string(kSaveErrorText),
                      platform::Icon::Error, platform::Buttons::Ok);
        return false;
    }
    options.optionsSaved = 1;
    if (notify) {
        ui.messageBox("Markwise: Success", std::string(kSavedText), platform::Icon::Information,
                      platform::Buttons::Ok);
    }
    return true;
}

}  // namespace options
