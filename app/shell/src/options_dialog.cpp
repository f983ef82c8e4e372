#include "shell/options_dialog.h"

#include <array>

#include "options/options_storage.h"
#include "shell/commands.h"
#include "shell/help.h"
#include "shell_text.h"

namespace shell {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

constexpr std::array kPages{
    PageInfo{OptionsPage::Program, "Program", "DIALOGBOX1GENERAL", "program options"},
    PageInfo{OptionsPage::Validator, "Validator", "DIALOGBOX1VALIDATOR", "validator options"},
    PageInfo{OptionsPage::Logging, "Logging", "DIALOGBOXLOGGING", "logging options"},
};

constexpr std::array kProgramFields{
    TextFieldInfo{"Defau&lt HTML Configuration file:", "DefaultConfigurationFilenameV25", true},
    TextFieldInfo{"Output f&ile:", "OutputFilename", true},
    TextFieldInfo{"Output &viewer:", "ViewerFilename", true},
    TextFieldInfo{"Docu&ment editor:", "EditorFilename", true},
};
constexpr std::array kValidatorFields{
    TextFieldInfo{"Message line length:", "LineLength"},
    TextFieldInfo{"Maxim&um warnings:", "MaximumWarnings"},
    TextFieldInfo{"Ma&ximum errors:", "MaximumErrors"},
};
constexpr std::array kLoggingFields{
    TextFieldInfo{"&Log reports to filename:", "LogFilename", true},
};

constexpr std::array kProgramChecks{
    CheckBoxInfo{"Do&n't use output file; use .val files", "UseVALFilesInstead"},
    CheckBoxInfo{"N&ever open viewer with .val files", "DontViewIfUseVAL"},
    CheckBoxInfo{"&Always open viewer after check", "AlwaysOpenViewer"},
    CheckBoxInfo{"O&pen viewer maximized", "MaximizeViewer"},
    CheckBoxInfo{"Autosave con&figuration", "AutoSaveHTMLConfiguration"},
    CheckBoxInfo{"A&utosave program options", "AutoSave"},
    CheckBoxInfo{"&Tools create .bak files", "CreateBAKFiles"},
};
// The Validator page has a check box for every on/off validator option, labelled as the
// options table labels it, in the table's order.
const std::vector<CheckBoxInfo>& validatorChecks() {
    static const std::vector<CheckBoxInfo> checks = [] {
        std::vector<CheckBoxInfo> list;
        for (const options::OptionInfo& info : options::optionTable()) {
            if (info.group == options::OptionGroup::Validator &&
                info.type == options::OptionType::OnOff && info.label != nullptr) {
                list.push_back(CheckBoxInfo{info.label, info.name});
            }
        }
        return list;
    }();
    return checks;
}
constexpr std::array kLoggingChecks{
    CheckBoxInfo{"&Enable logging", "EnableLogging"},
    CheckBoxInfo{"Log e&rror messages", "LogErrors"},
    CheckBoxInfo{"Log &warning messages", "LogWarnings"},
    CheckBoxInfo{"I&nclude HTML lines containing errors and/or warnings (must also log error or "
                 "warning messages to activate)",
                 "LogIncludeHTML"},
};

constexpr std::array kFormatButtons{
    RadioInfo{"MS-&DOS (CR/LF)", 0},
    RadioInfo{"Macintosh (CR)", 1},
    RadioInfo{"UNi&X (LF)", 2},
};
constexpr std::array kLanguageButtons{
    RadioInfo{"English", 0},
    RadioInfo{"French", 1},
};
constexpr std::array kProgramRadios{
    RadioGroupInfo{"Convert Text File Format Tool Converts To", "ConvertToFileType",
                   kFormatButtons},
    RadioGroupInfo{"Language Enhancements", "Language", kLanguageButtons},
};

constexpr std::array kToolButtons{
    RadioInfo{"&Lowercase", 1},   RadioInfo{"&Uppercase", 2}, RadioInfo{"&Strip HTML Tags", 3},
    RadioInfo{"&Template", 4},    RadioInfo{"&Convert File Format", 5},
};

const std::vector<platform::FileFilter> kProgramFilters{{"Application (*.exe)", "*.exe"},
                                                        {"All Files (*.*)", "*.*"}};

int& intField(options::Options& o, std::string_view option) {
    return o.*options::findOption(option)->intField;
}
std::string& textField(options::Options& o, std::string_view option) {
    return o.*options::findOption(option)->textField;
}

// A field's text as the page reads it back: at most 255 bytes, never cut inside a UTF-8
// sequence.
std::string readBack(std::string text) {
    if (text.size() <= detail::kMaxPath) return text;
    std::size_t end = detail::kMaxPath;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

}  // namespace

std::span<const PageInfo> optionsPages() { return kPages; }
const PageInfo& pageInfo(OptionsPage page) { return kPages[static_cast<int>(page)]; }

std::span<const TextFieldInfo> textFields(OptionsPage page) {
    switch (page) {
        case OptionsPage::Program: return kProgramFields;
        case OptionsPage::Validator: return kValidatorFields;
        case OptionsPage::Logging: return kLoggingFields;
    }
    return {};
}

std::span<const CheckBoxInfo> checkBoxes(OptionsPage page) {
    switch (page) {
        case OptionsPage::Program: return kProgramChecks;
        case OptionsPage::Validator: return validatorChecks();
        case OptionsPage::Logging: return kLoggingChecks;
    }
    return {};
}

std::span<const RadioGroupInfo> radioGroups(OptionsPage page) {
    if (page == OptionsPage::Program) return kProgramRadios;
    return {};
}

std::span<const RadioInfo> toolButtons() { return kToolButtons; }

platform::FileDialogRequest browseRequest(std::string_view option, const std::string& current) {
    platform::FileDialogRequest request;
    request.initialPath = current;
    if (option == "DefaultConfigurationFilenameV25") {
        request.title = "Specify Configuration File and Click Open";
        request.filters = {{"Markwise Config Files (*.cfg)", "*.cfg"}};
        request.mustExist = true;
    } else if (option == "OutputFilename") {
        request.title = "Specify Output File and Click Save";
        request.filters = {{"Markwise Output Files (*.txt)", "*.txt"}};
    } else if (option == "ViewerFilename") {
        request.title = "Specify Output Viewer Program and Click Open";
        request.filters = kProgramFilters;
        request.mustExist = true;
    } else if (option == "EditorFilename") {
        request.title = "Specify Document Editor Program and Click Open";
        request.filters = kProgramFilters;
        request.mustExist = true;
    } else if (option == "LogFilename") {
        request.title = "Specify Log File and Click Save";
        request.filters = {{"Text Document (*.txt)", "*.txt"}, {"All Files (*.*)", "*.*"}};
    }
    return request;
}

int clampedNumber(std::string_view option, std::string_view typed) {
    const options::OptionInfo* info = options::findOption(option);
    const int value = options::storedNumber(typed.substr(0, 19));
    if (value < info->minimum) return info->minimum;
    if (value > info->maximum) return info->maximum;
    return value;
}

OptionsDialogController::OptionsDialogController(Shell& shell, OptionsDialogView& view)
    : shell_(shell), view_(view) {}

void OptionsDialogController::open(OptionsPage page) {
    working_ = shell_.options;
    changed_ = false;
    page_ = page;
    view_.showPage(page_, working_);
}

void OptionsDialogController::storeFields() {
    for (const TextFieldInfo& field : textFields(page_)) {
        const std::string text = view_.fieldText(field.option);
        if (page_ == OptionsPage::Validator) {
            intField(working_, field.option) = clampedNumber(field.option, text);
        } else {
            textField(working_, field.option) = readBack(text);
        }
    }
}

void OptionsDialogController::selectTab(OptionsPage page) {
    storeFields();
    page_ = page;
    view_.showPage(page_, working_);
}

void OptionsDialogController::checkBoxClicked(std::string_view option, bool checked) {
    intField(working_, option) = checked ? 1 : 0;
    changed_ = true;
}

void OptionsDialogController::radioClicked(std::string_view option, int value) {
    int& field = intField(working_, option);
    if (field == value) return;
    field = value;
    changed_ = true;
}

void OptionsDialogController::browse(std::string_view option) {
    shell_.enterStartingDirectory();
    const platform::FileDialogRequest request = browseRequest(option, view_.fieldText(option));
    const bool save = !request.mustExist;
    auto chosen = save ? shell_.ui().saveFileDialog(request) : shell_.ui().openFileDialog(request);
    if (!chosen || chosen->path.empty()) return;
    const std::string path = readBack(chosen->path);
    view_.setFieldText(option, path);
    textField(working_, option) = path;
    changed_ = true;
}

void OptionsDialogController::help() { showHelp(shell_, std::string(pageInfo(page_).helpKeyword)); }

void OptionsDialogController::commitWorkingCopies() {
    for (const options::OptionInfo& info : options::optionTable()) {
        if (info.group == options::OptionGroup::Other) continue;
        if (info.type == options::OptionType::Text) {
            shell_.options.*info.textField = working_.*info.textField;
        } else {
            shell_.options.*info.intField = working_.*info.intField;
        }
    }
}

void OptionsDialogController::save() {
    storeFields();
    const options::Options before = shell_.options;
    commitWorkingCopies();
    if (options::saveOptions(shell_.options, shell_.services().settings, shell_.ui(), true)) {
        changed_ = false;
        return;
    }
    // The record now holds what the store could not take: it is unsaved, whether the dialog
    // then ends with OK or Cancel, so that the exit still asks to save (or saves) it.
    for (const options::OptionInfo& info : options::optionTable()) {
        if (info.group != options::OptionGroup::Other &&
            options::storedValue(before, info) != options::storedValue(shell_.options, info)) {
            shell_.options.optionsSaved = 0;
            break;
        }
    }
}

bool OptionsDialogController::ok() {
    storeFields();
    shell_.enterStartingDirectory();
    if (!shell_.services().files.exists(working_.DefaultConfigurationFilenameV25)) {
        const Answer answer = shell_.say(
            "Markwise: Notice",
            "The default configuration file cannot be found. Make sure that a valid filename "
            "with path information is entered for the default configuration file if the program "
            "options are saved. This is to ensure that the configuration will be available the "
            "next time Markwise is restarted.",
            Icon::Information, Buttons::OkCancel);
        if (answer == Answer::Ok) {
            page_ = OptionsPage::Program;
            view_.showPage(page_, working_);
            view_.selectField("DefaultConfigurationFilenameV25");
            return false;
        }
    }

    options::Options& record = shell_.options;
    // Names are compared as they are: names that differ only in case name other files here,
    // and the change would otherwise be kept only until the program ends.
    const bool defaultChanged =
        working_.DefaultConfigurationFilenameV25 != record.DefaultConfigurationFilenameV25;
    if (defaultChanged || working_.OutputFilename != record.OutputFilename ||
        working_.ViewerFilename != record.ViewerFilename ||
        working_.EditorFilename != record.EditorFilename) {
        changed_ = true;
    }
    // Typed numbers and a typed log file name are changes too: without this, OK would keep
    // them only until the program ends, without the question to save them.
    if (working_.LineLength != record.LineLength ||
        working_.MaximumWarnings != record.MaximumWarnings ||
        working_.MaximumErrors != record.MaximumErrors ||
        working_.LogFilename != record.LogFilename) {
        changed_ = true;
    }
    commitWorkingCopies();
    if (changed_) record.optionsSaved = 0;
    if (record.AutoSave) {
        options::saveOptions(record, shell_.services().settings, shell_.ui(), false);
    }
    if (defaultChanged && shell_.services().files.exists(record.DefaultConfigurationFilenameV25)) {
        const Answer answer = shell_.say(
            "Markwise: Load HTML Configuration File Now?",
            "The default HTML Configuration file has changed. Do you want to load it now?",
            Icon::Question, Buttons::YesNo);
        if (answer == Answer::Yes &&
            unsavedConfigurationQuestion(shell_, ConfigurationAction::Load)) {
            loadConfiguration(shell_, false, true, false);
        }
    }
    close();
    return true;
}

void OptionsDialogController::cancel() { close(); }

void OptionsDialogController::close() { shell_.lastOptionsPage = page_; }

ToolDialogController::ToolDialogController(Shell& shell) : shell_(shell) {}

void ToolDialogController::open() {
    tool_ = shell_.options.DefaultDragAndDropTool;
    showDialog_ = shell_.options.ShowTOOLDBWhenFilesDropped;
    optionsSaved_ = shell_.options.optionsSaved;
}

int ToolDialogController::selectedTool() const { return shell_.options.DefaultDragAndDropTool; }

bool ToolDialogController::dontShowChecked() const {
    return shell_.options.ShowTOOLDBWhenFilesDropped == 0;
}

void ToolDialogController::toolClicked(int tool) {
    shell_.options.DefaultDragAndDropTool = tool;
    shell_.options.optionsSaved = 0;
}

void ToolDialogController::dontShowClicked(bool checked) {
    shell_.options.ShowTOOLDBWhenFilesDropped = checked ? 0 : 1;
    shell_.options.optionsSaved = 0;
}

void ToolDialogController::help() { showHelp(shell_, "drag and drop default tool"); }

int ToolDialogController::ok() { return kDialogOk; }

int ToolDialogController::cancel() {
    shell_.options.DefaultDragAndDropTool = tool_;
    shell_.options.ShowTOOLDBWhenFilesDropped = showDialog_;
    shell_.options.optionsSaved = optionsSaved_;
    return kDialogCancel;
}

}  // namespace shell
