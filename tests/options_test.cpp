#include <gtest/gtest.h>

#include <set>
#include <string>

#include "options/options.h"
#include "options/profile_options.h"

namespace {

using options::Options;

TEST(Options, DefaultFileNamesTakeTheProgramDirectory) {
    Options withDirectory = options::defaultOptions("/opt/markwise/");
    EXPECT_EQ(withDirectory.DefaultConfigurationFilenameV25, "/opt/markwise/mkwise25.cfg");
    EXPECT_EQ(withDirectory.OutputFilename, "/opt/markwise/output.txt");
    EXPECT_EQ(withDirectory.LogFilename, "/opt/markwise/log.txt");

    Options bare = options::defaultOptions("");
    EXPECT_EQ(bare.DefaultConfigurationFilenameV25, "mkwise25.cfg");
    EXPECT_EQ(bare.OutputFilename, "output.txt");
    EXPECT_EQ(bare.LogFilename, "log.txt");

    // A name that would not fit the 256-character field leaves the directory alone.
    std::string longDirectory(250, 'd');
    Options tooLong = options::defaultOptions(longDirectory);
    EXPECT_EQ(tooLong.DefaultConfigurationFilenameV25, longDirectory);
    EXPECT_EQ(tooLong.OutputFilename, longDirectory);
    // At the edge: a result of 255 characters is taken, one of 256 is not.
    const std::string edge(255 - std::string_view("log.txt").size(), 'd');
    EXPECT_EQ(options::defaultOptions(edge).LogFilename, edge + "log.txt");
    EXPECT_EQ(options::defaultOptions(edge + "d").LogFilename, edge + "d");
}

TEST(Options, DefaultsOfTheValidatorAndPlatform) {
    Options o = options::defaultOptions("");
    EXPECT_EQ(o.MaximumErrors, 25);
    EXPECT_EQ(o.MaximumWarnings, 25);
    EXPECT_EQ(o.LineLength, 55);
    EXPECT_EQ(o.CheckNesting, 1);
    EXPECT_EQ(o.IgnoreActiveServer, 1);
    EXPECT_EQ(o.CollapseASPInTags, 1);
    EXPECT_EQ(o.AllowSpaces2, 0);
    EXPECT_EQ(o.LogIncludeHTML, 1);
    EXPECT_EQ(o.EnableLogging, 0);
    EXPECT_EQ(o.FileType, 2);           // LF on this platform
    EXPECT_EQ(o.ConvertToFileType, 2);
    EXPECT_EQ(o.ViewerFilename, "xdg-open");
    EXPECT_EQ(o.VALExtension, "val");
    EXPECT_EQ(o.DefaultTimeFormat, "hh':'mm':'ss tt");
    EXPECT_EQ(o.DefaultDateFormat, "ddd',' MMM dd yyyy");
    EXPECT_EQ(o.mivaMacros, 1);
    EXPECT_EQ(o.machineReadable, 0);
}

TEST(Options, TableNamesAreUniqueAndFoundWithoutRegardToCase) {
    std::set<std::string> names;
    for (const options::OptionInfo& info : options::optionTable()) {
        EXPECT_TRUE(names.insert(info.name).second) << info.name;
        EXPECT_EQ(options::findOption(info.name), &info);
    }
    EXPECT_EQ(options::findOption("maximumerrors"), options::findOption("MaximumErrors"));
    EXPECT_EQ(options::findOption("NoSuchOption"), nullptr);
    EXPECT_EQ(options::findOption("lastOutputFilename"), nullptr);  // not stored
}

TEST(Options, UserValuesAreCheckedAgainstTheOptionsLimits) {
    struct Case {
        const char* name;
        const char* value;
        bool accepted;
    };
    const Case cases[] = {
        {"CheckNesting", "0", true},      {"CheckNesting", "1", true},
        {"CheckNesting", "2", false},     {"CheckNesting", "yes", false},
        {"MaximumErrors", "1", true},     {"MaximumErrors", "9999", true},
        {"MaximumErrors", "0", false},    {"MaximumErrors", "10000", false},
        {"MaximumErrors", "12x", false},  {"MaximumErrors", "", false},
        {"LineLength", "19", false},      {"LineLength", "20", true},
        {"LineLength", "999", true},      {"LineLength", "1000", false},
        {"Language", "1", true},          {"Language", "2", false},
        {"ExternalCapability", "-5", true}, {"VALExtension", "report", true},
        {"VALExtension", "abcdefghijkl", false},  // 12 characters do not fit 11 + terminator
    };
    for (const Case& c : cases) {
        Options options = options::defaultOptions("");
        const options::OptionInfo* info = options::findOption(c.name);
        ASSERT_NE(info, nullptr) << c.name;
        EXPECT_EQ(!options::setFromUser(options, *info, c.value).has_value(), c.accepted)
            << c.name << "=" << c.value;
    }
    Options options = options::defaultOptions("");
    const options::OptionInfo& log = *options::findOption("LogFilename");
    EXPECT_FALSE(options::setFromUser(options, log, std::string(255, 'x')).has_value());
    EXPECT_TRUE(options::setFromUser(options, log, std::string(256, 'x')).has_value());
}

TEST(Options, StoredValuesAreReadAsTheirType) {
    Options options = options::defaultOptions("");
    const options::OptionInfo& language = *options::findOption("Language");
    EXPECT_TRUE(options::applyStoredValue(options, language, "7"));
    EXPECT_EQ(options.Language, 0);  // outside 0..1 reads as English
    EXPECT_TRUE(options::applyStoredValue(options, language, "1"));
    EXPECT_EQ(options.Language, 1);
    EXPECT_TRUE(options::applyStoredValue(options, language, "2"));
    EXPECT_EQ(options.Language, 0);

    const options::OptionInfo& nesting = *options::findOption("CheckNesting");
    EXPECT_TRUE(options::applyStoredValue(options, nesting, "5"));
    EXPECT_EQ(options.CheckNesting, 1);
    EXPECT_TRUE(options::applyStoredValue(options, nesting, "off"));
    EXPECT_EQ(options.CheckNesting, 0);

    const options::OptionInfo& errors = *options::findOption("MaximumErrors");
    EXPECT_TRUE(options::applyStoredValue(options, errors, "abc"));
    EXPECT_EQ(options.MaximumErrors, 0);

    const options::OptionInfo& extension = *options::findOption("VALExtension");
    EXPECT_FALSE(options::applyStoredValue(options, extension, "much-too-long"));
    EXPECT_FALSE(options::applyStoredValue(options, extension, "abcdefghijkl"));  // 12 + NUL
    EXPECT_EQ(options.VALExtension, "val");
    EXPECT_TRUE(options::applyStoredValue(options, extension, "abcdefghijk"));
    EXPECT_EQ(options.VALExtension, "abcdefghijk");
    options.VALExtension = "val";
    EXPECT_EQ(options::storedValue(options, extension), "val");
    EXPECT_EQ(options::storedValue(options, errors), "0");
}

TEST(Options, TodaysHtmlOptionsAreValidatorOptionsOffByDefault) {
    Options o = options::defaultOptions("");
    for (const char* name : {"AllowEmptyElementSlash", "AllowGreaterThanInText", "AllowBareAmpersand",
                             "CheckDuplicateIds"}) {
        const options::OptionInfo* info = options::findOption(name);
        ASSERT_NE(info, nullptr) << name;
        EXPECT_EQ(info->group, options::OptionGroup::Validator) << name;
        EXPECT_EQ(info->type, options::OptionType::OnOff) << name;
        EXPECT_TRUE(info->saved) << name;
        EXPECT_EQ(o.*info->intField, 0) << name;
    }
    EXPECT_STREQ(options::findOption("AllowEmptyElementSlash")->label,
                 "Accept XML-style empty tags <br/>");
    // Every option of the Validator page has the caption of its control.
    for (const options::OptionInfo& info : options::optionTable()) {
        if (info.group == options::OptionGroup::Validator) {
            EXPECT_NE(info.label, nullptr) << info.name;
        }
    }
}

TEST(ProfileOptions, OneSettingIsAValidatorOptionWithAValueSetWouldTake) {
    struct Case {
        const char* text;
        const char* setting;  // as kept, or the problem (a part of it)
        bool accepted;
    };
    const Case cases[] = {
        {"AllowSpaces2=1", "AllowSpaces2=1", true},
        {" allowspaces2 = 0\r", "AllowSpaces2=0", true},
        {"MaximumErrors=+50", "MaximumErrors=50", true},
        {"LineLength=999", "LineLength=999", true},
        {"AllowSpaces2", "is not Name=value", false},
        {"AllowSpaces2=yes", "AllowSpaces2 must be 0 or 1", false},
        {"MaximumErrors=0", "MaximumErrors must be a whole number from 1 to 9999", false},
        {"Language=1", "'Language' is not a validator option", false},
        {"DefaultConfigurationFilenameV25=x.cfg", "is not a validator option", false},
        {"EnableLogging=1", "is not a validator option", false},
        {"=1", "'' is not a validator option", false},
    };
    for (const Case& c : cases) {
        options::ProfileSetting setting;
        auto problem = options::parseProfileSetting(c.text, setting);
        if (c.accepted) {
            EXPECT_FALSE(problem.has_value()) << c.text << ": " << problem.value_or("");
            if (!problem) {
                EXPECT_EQ(setting.text(), c.setting) << c.text;
            }
        } else {
            ASSERT_TRUE(problem.has_value()) << c.text;
            EXPECT_NE(problem->find(c.setting), std::string::npos) << c.text << ": " << *problem;
        }
    }
}

TEST(ProfileOptions, ANoteIsReadLineByLineAndAppliedInOrder) {
    const options::ProfileOptions read = options::readProfileOptions(
        "CheckForHighASCII=0\n\nAllowSpaces2=1\nnot an option\nMaximumErrors=7\nAllowSpaces2=0");
    ASSERT_EQ(read.settings.size(), 4u);
    ASSERT_EQ(read.problems.size(), 1u);
    EXPECT_EQ(read.problems[0], "line 4: 'not an option' is not Name=value");
    EXPECT_EQ(options::describeProfileOptions(read.settings),
              "CheckForHighASCII=0, AllowSpaces2=1, MaximumErrors=7, AllowSpaces2=0");
    EXPECT_EQ(options::writeProfileOptions(read.settings),
              "CheckForHighASCII=0\nAllowSpaces2=1\nMaximumErrors=7\nAllowSpaces2=0\n");

    Options o = options::defaultOptions("");
    options::applyProfileOptions(read.settings, o);
    EXPECT_EQ(o.CheckForHighASCII, 0);
    EXPECT_EQ(o.AllowSpaces2, 0);  // the later value wins
    EXPECT_EQ(o.MaximumErrors, 7);
    EXPECT_EQ(o.CheckNesting, 1);  // untouched

    EXPECT_TRUE(options::readProfileOptions("").settings.empty());
    EXPECT_TRUE(options::readProfileOptions("").problems.empty());
}

}  // namespace
