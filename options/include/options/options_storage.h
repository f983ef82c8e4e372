// Keeping the options record in the settings store: reading each value with the one-time
// takeover from the legacy key and its default, loading the whole record at start-up, saving
// it on request.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "options/options.h"
#include "platform/settings_store.h"
#include "platform/ui.h"

namespace options {

// The key of the user's options, and the legacy key that values are taken over from.
inline constexpr std::string_view kOptionsKey = "SOFTWARE\\Brightfold\\Zentrel Markwise";
inline constexpr std::string_view kLegacyOptionsKey = "SOFTWARE\\Oldfield\\Zentrel Markwise";
inline constexpr std::string_view kVersionText = "2.55";

// Reads one value of the options key. When it is missing there and `legacy` is set, a value
// of the same name under the legacy key is copied across and read back; otherwise, when
// `writeDefault` is set, `defaultText` is stored and read back. Nothing when the value could
// not be read or stored.
std::optional<std::string> readValue(platform::SettingsStore& store, std::string_view name,
                                     std::string_view defaultText, bool writeDefault = true,
                                     bool legacy = true);

// The same, as an on/off value (any non-zero number is 1) or an integer (text that is not a
// number reads as 0).
std::optional<int> readOnOff(platform::SettingsStore& store, std::string_view name,
                             int defaultValue);
std::optional<int> readInteger(platform::SettingsStore& store, std::string_view name,
                               int defaultValue);
// Reads a text into `field`; fails, leaving the field unchanged, when the stored text does
// not fit `size` (which counts a terminator).
bool readText(platform::SettingsStore& store, std::string_view name, std::string& field,
              int size);

// Stores one value under the options key.
bool writeValue(platform::SettingsStore& store, std::string_view name, std::string_view text);

// Reads every stored option into `options` (each read is attempted even after a failure; a
// value that fails keeps what the record held, its default), then stores ExternalCapability
// and Version. Any failure is reported in one message box and gives false; on success the
// options-saved flag is set.
bool loadOptions(Options& options, platform::SettingsStore& store, platform::UserInterface& ui);

// Writes every option of the save list. A failure is reported and leaves the options-saved
// flag as it was; success sets it and, with `notify`, says so.
bool saveOptions(Options& options, platform::SettingsStore& store, platform::UserInterface& ui,
                 bool notify);

// The message boxes of loading and saving.
inline constexpr std::string_view kLoadErrorCaption =
    "Markwise: Error Reading And/Or Writing Options to Registry";
inline constexpr std::string_view kLoadErrorText =
    "An error occurred reading the program and/or validator options from the registry and/or "
    "writing new, default values to the registry. Default options may be used.";
inline constexpr std::string_view kSaveErrorCaption = "Markwise: Error Saving Options to Registry";
inline constexpr std::string_view kSaveErrorText =
    "An error occurred saving the program and/or validator options to the registry.";
inline constexpr std::string_view kSavedText = "The options have been successfully saved.";

}  // namespace options
