// The options in the settings store: first start, takeover from the legacy key, the read
// variants, failures, and the save list.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "options/options.h"
#include "options/options_storage.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "platform_testing/fake_services.h"
#include "platform_testing/fake_ui.h"
#include "test_support.h"

namespace {

using options::Options;
using platform::FakeSettingsStore;
using platform::FakeUserInterface;

const std::string kKey(options::kOptionsKey);
const std::string kLegacy(options::kLegacyOptionsKey);

struct Loaded {
    Options options;
    bool result;
};

Loaded load(FakeSettingsStore& store, FakeUserInterface& ui) {
    Options o = options::defaultOptions("/opt/markwise/");
    const bool result = options::loadOptions(o, store, ui);
    return {o, result};
}

}  // namespace

TEST(OptionsStorage, FirstStartStoresEveryDefaultAsTextWithoutAMessage) {
    FakeSettingsStore store;
    FakeUserInterface ui;
    const Loaded loaded = load(store, ui);
    EXPECT_TRUE(loaded.result);
    EXPECT_EQ(ui.boxCount(), 0u);
    EXPECT_EQ(loaded.options.optionsSaved, 1);

    const auto& values = store.user[kKey];
    for (const options::OptionInfo& info : options::optionTable()) {
        ASSERT_TRUE(values.count(info.name)) << info.name;
    }
    EXPECT_EQ(values.at("CheckNesting"), "1");
    EXPECT_EQ(values.at("MaximumErrors"), "25");
    EXPECT_EQ(values.at("ViewerFilename"), "xdg-open");
    EXPECT_EQ(values.at("DefaultConfigurationFilenameV25"), "/opt/markwise/mkwise25.cfg");
    EXPECT_EQ(values.at("LastOpenedHTMLFilename"), "");
    EXPECT_EQ(values.at("DefaultTimeFormat"), "hh':'mm':'ss tt");
    EXPECT_EQ(values.at("DefaultDateFormat"), "ddd',' MMM dd yyyy");
    EXPECT_EQ(values.at("ExternalCapability"), "2");
    EXPECT_EQ(values.at("Version"), "2.55");
    EXPECT_EQ(values.size(), options::optionTable().size() + 1);

    // The second start reads what the first stored and writes only the two start-up values.
    store.writes.clear();
    const Loaded again = load(store, ui);
    EXPECT_TRUE(again.result);
    ASSERT_EQ(store.writes.size(), 2u);
    EXPECT_EQ(std::get<1>(store.writes[0]), "ExternalCapability");
    EXPECT_EQ(std::get<1>(store.writes[1]), "Version");

    // ExternalCapability is written at every start and never read: a stored value other
    // than the record's is replaced.
    store.user[kKey]["ExternalCapability"] = "7";
    const Loaded third = load(store, ui);
    EXPECT_EQ(third.options.ExternalCapability, 2);
    EXPECT_EQ(store.user[kKey]["ExternalCapability"], "2");
}

TEST(OptionsStorage, ValuesOnlyUnderTheLegacyKeyAreTakenOverOnce) {
    FakeSettingsStore store;
    store.system[kLegacy] = {{"CheckNesting", "0"}, {"MaximumErrors", "100"},
                             {"OutputFilename", "/old/out.txt"}, {"Language", "1"}};
    store.user[kKey] = {{"MaximumErrors", "40"}};  // the current key wins
    FakeUserInterface ui;
    const Loaded loaded = load(store, ui);
    EXPECT_TRUE(loaded.result);
    EXPECT_EQ(loaded.options.CheckNesting, 0);
    EXPECT_EQ(loaded.options.MaximumErrors, 40);
    EXPECT_EQ(loaded.options.OutputFilename, "/old/out.txt");
    EXPECT_EQ(loaded.options.Language, 1);
    EXPECT_EQ(store.user[kKey]["CheckNesting"], "0");
    EXPECT_EQ(store.user[kKey]["OutputFilename"], "/old/out.txt");
    EXPECT_EQ(store.user[kKey]["MaximumErrors"], "40");
    EXPECT_EQ(store.system[kLegacy].size(), 4u);
    EXPECT_EQ(store.system[kLegacy]["CheckNesting"], "0");

    // Afterwards the legacy key no longer matters.
    store.system[kLegacy]["CheckNesting"] = "1";
    EXPECT_EQ(load(store, ui).options.CheckNesting, 0);
}

TEST(OptionsStorage, StoredTextsAreReadAsTheirTypes) {
    const struct {
        const char* name;
        const char* stored;
        int expected;
    } cases[] = {
        {"Language", "7", 0},       {"Language", "-1", 0},     {"Language", "1", 1},
        {"CheckNesting", "5", 1},   {"CheckNesting", "0", 0},  {"CheckNesting", "yes", 0},
        {"CheckNesting", "-1", 1},  // any number but 0 is on
        {"MaximumErrors", "abc", 0}, {"MaximumErrors", " 12x", 12}, {"LineLength", "-3", -3},
        // White space before the number is passed over, line breaks as well as blanks.
        {"MaximumErrors", "\n\r 40", 40}, {"LineLength", "\v\f-3", -3},
        {"ShowComments", "\n1", 1}, {"Language", "\r\n1", 1}, {"AllowSpaces2", "\f1", 1},
    };
    for (const auto& c : cases) {
        FakeSettingsStore store;
        store.user[kKey][c.name] = c.stored;
        FakeUserInterface ui;
        Loaded loaded = load(store, ui);
        EXPECT_TRUE(loaded.result) << c.name;
        const options::OptionInfo* info = options::findOption(c.name);
        EXPECT_EQ(loaded.options.*info->intField, c.expected) << c.name << "=" << c.stored;
    }
    FakeSettingsStore store;
    store.user[kKey]["FileType"] = "1";
    EXPECT_EQ(options::readInteger(store, "FileType", 2), 1);
    EXPECT_EQ(options::readOnOff(store, "Missing", 1), 1);
    store.user[kKey]["Stored"] = "5";
    EXPECT_EQ(options::readOnOff(store, "Stored", 0), 1);  // on/off values read as 0 or 1
    EXPECT_EQ(store.user[kKey]["Missing"], "1");
    std::string field = "old";
    store.user[kKey]["VALExtension"] = "abcdefghijk";  // 11 bytes: fits 12 with the terminator
    EXPECT_TRUE(options::readText(store, "VALExtension", field, 12));
    EXPECT_EQ(field, "abcdefghijk");
    store.user[kKey]["VALExtension"] = "abcdefghijkl";
    EXPECT_FALSE(options::readText(store, "VALExtension", field, 12));
    EXPECT_EQ(field, "abcdefghijk");
}

TEST(OptionsStorage, EveryFailureIsOneMessageAndTheDefaultsStay) {
    const std::string caption(options::kLoadErrorCaption);
    {
        // A text too long for its field.
        FakeSettingsStore store;
        store.user[kKey]["VALExtension"] = std::string(20, 'x');
        store.user[kKey]["MaximumErrors"] = "7";
        FakeUserInterface ui;
        const Loaded loaded = load(store, ui);
        EXPECT_FALSE(loaded.result);
        EXPECT_EQ(loaded.options.VALExtension, "val");
        EXPECT_EQ(loaded.options.MaximumErrors, 7);  // the reads after the failure still happen
        EXPECT_EQ(loaded.options.optionsSaved, 0);
        ASSERT_EQ(ui.boxCount(), 1u);
        EXPECT_EQ(ui.lastBox().caption, caption);
        EXPECT_EQ(ui.lastBox().text, options::kLoadErrorText);
        EXPECT_EQ(ui.lastBox().icon, platform::Icon::Error);
    }
    {
        // A store that cannot be written: no default can be created.
        FakeSettingsStore store;
        store.everyWriteFails = true;
        store.user[kKey]["Language"] = "1";
        FakeUserInterface ui;
        const Loaded loaded = load(store, ui);
        EXPECT_FALSE(loaded.result);
        EXPECT_EQ(loaded.options.Language, 1);
        EXPECT_EQ(loaded.options.CheckNesting, 1);
        EXPECT_EQ(ui.boxCount(), 1u);
    }
    {
        // A legacy value that cannot be copied across is not used.
        FakeSettingsStore store;
        store.system[kLegacy]["CheckNesting"] = "0";
        store.failingWrites = {"CheckNesting"};
        FakeUserInterface ui;
        const Loaded loaded = load(store, ui);
        EXPECT_FALSE(loaded.result);
        EXPECT_EQ(loaded.options.CheckNesting, 1);
    }
    {
        // Only the start-up values fail.
        FakeSettingsStore store;
        store.failingWrites = {"Version"};
        FakeUserInterface ui;
        EXPECT_FALSE(load(store, ui).result);
        EXPECT_EQ(ui.boxCount(), 1u);
    }
}

// A store that is there but cannot be read may hold the values that were not found: neither a
// legacy value nor a default takes their place for good, and the load fails with its message.
TEST(OptionsStorage, NoDefaultIsStoredForAValueAStoreThatCannotBeReadMayHold) {
    for (platform::SettingsRoot root :
         {platform::SettingsRoot::CurrentUser, platform::SettingsRoot::LocalMachine}) {
        FakeSettingsStore store;
        store.unreadable = {root};
        store.system[kLegacy]["CheckNesting"] = "0";
        FakeUserInterface ui;
        const Loaded loaded = load(store, ui);
        EXPECT_FALSE(loaded.result);
        EXPECT_EQ(loaded.options.CheckNesting, 1);
        EXPECT_EQ(loaded.options.optionsSaved, 0);
        EXPECT_EQ(ui.boxCount(), 1u);
        for (const auto& [key, name, value] : store.writes) {
            EXPECT_TRUE(name == "ExternalCapability" || name == "Version") << name;
        }
    }
}

TEST(OptionsStorage, SaveWritesTheWholeListInOrder) {
    FakeSettingsStore store;
    FakeUserInterface ui;
    Options o = options::defaultOptions("/opt/markwise/");
    o.MaximumErrors = 300;
    o.LastOpenedHTMLFilename = "/web/page.htm";
    o.DefaultTimeFormat = "HH:mm";
    ASSERT_TRUE(options::saveOptions(o, store, ui, false));
    EXPECT_EQ(ui.boxCount(), 0u);
    EXPECT_EQ(o.optionsSaved, 1);
    ASSERT_EQ(store.writes.size(), 57u);
    EXPECT_EQ(std::get<1>(store.writes.front()), "CheckNesting");
    EXPECT_EQ(std::get<1>(store.writes[37]), "KeepWindowOnTop");
    EXPECT_EQ(std::get<1>(store.writes[38]), "FileType");
    EXPECT_EQ(std::get<1>(store.writes[44]), "Language");
    EXPECT_EQ(std::get<1>(store.writes[45]), "VALExtension");
    EXPECT_EQ(std::get<1>(store.writes[52]), "LogFilename");
    EXPECT_EQ(std::get<1>(store.writes.back()), "CheckDuplicateIds");
    std::set<std::string> written;
    for (const auto& write : store.writes) {
        EXPECT_EQ(std::get<0>(write), kKey);
        written.insert(std::get<1>(write));
    }
    EXPECT_EQ(written.size(), 57u);
    // Every stored option but these is saved.
    for (const options::OptionInfo& info : options::optionTable()) {
        const std::string name = info.name;
        const bool notSaved = name == "FirstTimeToSave" || name == "ExternalCapability" ||
                              name == "DefaultTimeFormat" || name == "DefaultDateFormat";
        EXPECT_EQ(written.count(name), notSaved ? 0u : 1u) << name;
    }
    EXPECT_EQ(store.user[kKey]["MaximumErrors"], "300");
    EXPECT_EQ(store.user[kKey]["LastOpenedHTMLFilename"], "/web/page.htm");

    ASSERT_TRUE(options::saveOptions(o, store, ui, true));
    EXPECT_EQ(ui.lastBox().caption, "Markwise: Success");
    EXPECT_EQ(ui.lastBox().text, "The options have been successfully saved.");
    EXPECT_EQ(ui.lastBox().icon, platform::Icon::Information);
}

TEST(OptionsStorage, AFailedSaveTriesEveryValueAndKeepsTheSavedFlag) {
    FakeSettingsStore store;
    store.failingWrites = {"AutoSave"};
    FakeUserInterface ui;
    Options o = options::defaultOptions("");
    o.optionsSaved = 0;
    EXPECT_FALSE(options::saveOptions(o, store, ui, true));
    EXPECT_EQ(o.optionsSaved, 0);
    EXPECT_EQ(store.writes.size(), 56u);
    ASSERT_EQ(ui.boxCount(), 1u);
    EXPECT_EQ(ui.lastBox().caption, "Markwise: Error Saving Options to Registry");
    EXPECT_EQ(ui.lastBox().text,
              "An error occurred saving the program and/or validator options to the registry.");
}

// The real store, end to end: the first start creates the file; a legacy file is taken over.
TEST(OptionsStorage, FirstStartAgainstTheSettingsFiles) {
    testing_support::TempDir dir;
    platform::SystemFiles files;
    const std::string system =
        dir.write("system.ini", "[SOFTWARE\\Oldfield\\Zentrel Markwise]\nLineLength=80\n");
    platform::IniSettingsStore store(files, dir.file("cfg/markwise/registry.ini"), system);
    FakeUserInterface ui;
    Options o = options::defaultOptions("/opt/markwise/");
    ASSERT_TRUE(options::loadOptions(o, store, ui));
    EXPECT_EQ(o.LineLength, 80);
    const std::string text = testing_support::readFile(dir.file("cfg/markwise/registry.ini"));
    EXPECT_EQ(text.rfind("[SOFTWARE\\Brightfold\\Zentrel Markwise]\nFirstTimeToSave=1\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("\nLineLength=80\n"), std::string::npos);
    EXPECT_NE(text.find("\nVersion=2.55\n"), std::string::npos);
    EXPECT_EQ(testing_support::readFile(system),
              "[SOFTWARE\\Oldfield\\Zentrel Markwise]\nLineLength=80\n");
}

// A settings file that cannot be written: the legacy values were never stored under the
// current key, so none is used; the record keeps the defaults and the load fails.
TEST(OptionsStorage, LegacyValuesThatCouldNotBeStoredAreNotUsed) {
    testing_support::TempDir dir;
    platform::SystemFiles files;
    const std::string system = dir.write(
        "system.ini", "[SOFTWARE\\Oldfield\\Zentrel Markwise]\nLineLength=80\nCheckNesting=0\n");
    dir.write("blocked", "a file where the settings folder would be\n");
    platform::IniSettingsStore store(files, dir.file("blocked/markwise/registry.ini"), system);
    FakeUserInterface ui;
    Options o = options::defaultOptions("/opt/markwise/");
    const Options defaults = o;
    EXPECT_FALSE(options::loadOptions(o, store, ui));
    EXPECT_EQ(o.LineLength, defaults.LineLength);
    EXPECT_EQ(o.CheckNesting, defaults.CheckNesting);
    EXPECT_EQ(ui.boxCount(), 1u);
}

// The read variants on their own: an on/off value stored as 0 is off, and a read asked not to
// store a default stores nothing for a value that is missing under both keys.
TEST(OptionsStorage, TheReadVariantsKeepToTheirFlags) {
    FakeSettingsStore store;
    store.user[kKey]["Off"] = "0";
    EXPECT_EQ(options::readOnOff(store, "Off", 1), 0);
    EXPECT_EQ(options::readValue(store, "Missing", "9", false, false), std::nullopt);
    EXPECT_EQ(options::readValue(store, "Missing", "9", false, true), std::nullopt);
    EXPECT_FALSE(store.user[kKey].contains("Missing"));
    EXPECT_EQ(options::readValue(store, "Missing", "9", true, false), "9");
}
