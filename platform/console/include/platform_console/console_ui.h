// The user interface of a run without a display: message boxes become lines on standard error,
// questions are asked on standard input when a person is there to answer them.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "platform/ui.h"

namespace platform {

class ConsoleUserInterface : public UserInterface {
public:
    // Standard error and standard input; questions are asked when standard input is a terminal.
    ConsoleUserInterface();
    // Boxes are written to `errors`; when `interactive`, questions read their answers from
    // `input`, otherwise they get the answer that changes nothing.
    ConsoleUserInterface(std::ostream& errors, std::istream& input, bool interactive);

    Answer messageBox(const std::string& caption, const std::string& text, Icon icon,
                      Buttons buttons, bool foreground = false) override;

    // There is no dialog; the request counts as cancelled.
    std::optional<FileDialogResult> openFileDialog(const FileDialogRequest& request) override;
    std::optional<FileDialogResult> saveFileDialog(const FileDialogRequest& request) override;

    void setWaitCursor(bool on) override;
    std::string windowTitle() const override;
    void setWindowTitle(const std::string& title) override;

private:
    Answer ask(Buttons buttons);

    std::ostream& errors_;
    std::istream& input_;
    bool interactive_;
    std::string title_;
};

}  // namespace platform
