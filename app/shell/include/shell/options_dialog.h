// The options dialog "DIALOGBOX1" (caption "Zentrel Markwise Options") with its Program,
// Validator and Logging pages, and the drag-and-drop default tool dialog "TOOLDB": what each
// shows, and the controllers that hold their logic. A form on screen (or a test) shows the
// controls and reports the user's actions to the controller.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/ui.h"
#include "shell/shell.h"

namespace shell {

// ---- What the options dialog shows. ----

inline constexpr std::string_view kOptionsDialogName = "DIALOGBOX1";
inline constexpr std::string_view kOptionsDialogCaption = "Zentrel Markwise Options";

struct PageInfo {
    OptionsPage page;
    std::string_view tab;       // "Program"
    std::string_view name;      // "DIALOGBOX1GENERAL"
    std::string_view helpKeyword;
};
std::span<const PageInfo> optionsPages();
const PageInfo& pageInfo(OptionsPage page);

// A check box of a page: its label and the on/off option it sets.
struct CheckBoxInfo {
    std::string_view label;
    std::string_view option;
};
// A text field of a page, with its "..." browse dialog when it has one.
struct TextFieldInfo {
    std::string_view label;
    std::string_view option;
    bool browse = false;
};
// A radio group: its caption, the option, and each button's label and value.
struct RadioInfo {
    std::string_view label;
    int value;
};
struct RadioGroupInfo {
    std::string_view caption;
    std::string_view option;
    std::span<const RadioInfo> buttons;
};

std::span<const TextFieldInfo> textFields(OptionsPage page);
std::span<const CheckBoxInfo> checkBoxes(OptionsPage page);
std::span<const RadioGroupInfo> radioGroups(OptionsPage page);

// The file dialog of a browse button.
platform::FileDialogRequest browseRequest(std::string_view option, const std::string& current);

// ---- The options dialog's logic. ----

// The form as the controller sees it.
class OptionsDialogView {
public:
    virtual ~OptionsDialogView() = default;
    // Shows `page` (its tab selected) with the values of `working`.
    virtual void showPage(OptionsPage page, const options::Options& working) = 0;
    // The text of the visible page's field for `option`, and setting it.
    virtual std::string fieldText(std::string_view option) const = 0;
    virtual void setFieldText(std::string_view option, const std::string& text) = 0;
    // Selects the field's whole text and gives it the focus.
    virtual void selectField(std::string_view option) = 0;
};

class OptionsDialogController {
public:
    OptionsDialogController(Shell& shell, OptionsDialogView& view);

    // Takes working copies of the three groups and shows `page`.
    void open(OptionsPage page);
    // The visible page stores its fields, and `page` is shown.
    void selectTab(OptionsPage page);
    // The user clicked a check box or a radio button.
    void checkBoxClicked(std::string_view option, bool checked);
    void radioClicked(std::string_view option, int value);
    // The "..." button of a text field.
    void browse(std::string_view option);
    void help();
    // Save keeps the dialog open; OK returns true when the dialog closes; Cancel closes it.
    void save();
    bool ok();
    void cancel();

    OptionsPage page() const { return page_; }
    const options::Options& working() const { return working_; }
    bool changed() const { return changed_; }

private:
    void storeFields();
    void commitWorkingCopies();
    void close();

    Shell& shell_;
    OptionsDialogView& view_;
    options::Options working_;
    OptionsPage page_ = OptionsPage::Program;
    bool changed_ = false;
};

// A number typed into a field of the Validator page: its first 19 characters read as a
// decimal number, held within the option's limits.
int clampedNumber(std::string_view option, std::string_view typed);

// ---- The drag-and-drop default tool dialog. ----

inline constexpr std::string_view kToolDialogName = "TOOLDB";
inline constexpr std::string_view kToolDialogCaption = "Drag and Drop Default Tool Select";
inline constexpr std::string_view kDontShowLabel = "&Don't show this dialog when files are dropped";
std::span<const RadioInfo> toolButtons();

class ToolDialogController {
public:
    explicit ToolDialogController(Shell& shell);

    // Remembers what Cancel puts back.
    void open();
    int selectedTool() const;
    bool dontShowChecked() const;
    void toolClicked(int tool);
    void dontShowClicked(bool checked);
    void help();
    // The dialog's results: kDialogOk and kDialogCancel.
    int ok();
    int cancel();

private:
    Shell& shell_;
    int tool_ = 0;
    int showDialog_ = 0;
    int optionsSaved_ = 0;
};

}  // namespace shell
