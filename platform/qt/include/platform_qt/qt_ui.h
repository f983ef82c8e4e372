// The user-interface port of the windowed program, in Qt 6 Widgets: modal message boxes and
// file dialogs owned by the main window, the override cursor, and the main window's title.
#pragma once

#include <functional>

#include "platform/process.h"
#include "platform/ui.h"

class QWidget;

namespace platform {

class QtUserInterface : public UserInterface {
public:
    // `owner` gives the main window at the time of each call (it may be null before the
    // window exists).
    explicit QtUserInterface(std::function<QWidget*()> owner);

    Answer messageBox(const std::string& caption, const std::string& text, Icon icon,
                      Buttons buttons, bool foreground = false) override;
    std::optional<FileDialogResult> openFileDialog(const FileDialogRequest& request) override;
    std::optional<FileDialogResult> saveFileDialog(const FileDialogRequest& request) override;
    void setWaitCursor(bool on) override;
    std::string windowTitle() const override;
    void setWindowTitle(const std::string& title) override;

private:
    std::optional<FileDialogResult> fileDialog(const FileDialogRequest& request, bool save);
    QWidget* parentForDialogs() const;

    std::function<QWidget*()> owner_;
    bool waitCursor_ = false;
};

// Opens addresses and local pages through the desktop, as the windowed program does.
class QtUrlOpener : public UrlOpener {
public:
    bool open(const std::string& url) override;
};

// The name filter a Qt file dialog understands for one of the program's filters: the label as
// shown, with the patterns in the form Qt reads them ("*.*" is every file on this platform).
std::string qtNameFilter(const FileFilter& filter);

}  // namespace platform
