// The user-interface port: everything the program shows to or asks of the user goes
// through it. The windowed program, the console and the tests each provide one.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class Icon { Error, Information, Question, Warning };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

// One entry of a file dialog's filter list: "HTML Document (*.htm)" with "*.htm;*.html".
struct FileFilter {
    std::string label;
    std::string patterns;
};

struct FileDialogRequest {
    std::string title;
    std::vector<FileFilter> filters;
    std::string initialPath;
    int filterIndex = 1;          // 1-based, as the dialogs keep it
    bool mustExist = false;       // open dialogs
    bool confirmOverwrite = false;  // save dialogs
    // An extension (without its dot) that a save dialog adds to a name typed without one, so
    // that the overwrite question is asked about the file that will be written.
    std::string defaultSuffix;
};

struct FileDialogResult {
    std::string path;
    int filterIndex = 1;
};

// The answer that changes nothing, given when nobody can be asked: No, or Cancel where there is
// no No; a box with only Ok is answered Ok.
inline Answer cautiousAnswer(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok: return Answer::Ok;
        case Buttons::OkCancel: return Answer::Cancel;
        case Buttons::YesNo:
        case Buttons::YesNoCancel: return Answer::No;
    }
    return Answer::Cancel;
}

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // A modal message box owned by the main window. `foreground` asks the window system to
    // bring the box to the front. Returns the button the user chose.
    virtual Answer messageBox(const std::string& caption, const std::string& text, Icon icon,
                              Buttons buttons, bool foreground = false) = 0;

    // File dialogs; an empty result means the user cancelled (or no dialog can be shown).
    virtual std::optional<FileDialogResult> openFileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<FileDialogResult> saveFileDialog(const FileDialogRequest& request) = 0;

    // Wait cursor and main-window title, for WindowControl.
    virtual void setWaitCursor(bool on) = 0;
    virtual std::string windowTitle() const = 0;
    virtual void setWindowTitle(const std::string& title) = 0;
};

}  // namespace platform
