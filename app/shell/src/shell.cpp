#include "shell/shell.h"

#include "editor_port.h"
#include "shell_text.h"
#include "shell/window_control.h"

namespace shell {

namespace {

// The program directory the shell works with: unknown when longer than a stored name may be
// (255 characters), as the default file names built on it could not be kept in the options
// and every start would then fail to read them back.
std::string storableDirectory(std::string directory) {
    return directory.size() <= detail::kMaxPath ? directory : std::string();
}

}  // namespace

Shell::Shell(const Services& services, WindowPort& window, std::string programDirectory)
    : services_(services),
      window_(window),
      programDirectory_(storableDirectory(std::move(programDirectory))) {
    options::setDefaults(options, programDirectory_);
}

Shell::~Shell() = default;

config::EditorController& Shell::configurationEditor() {
    if (!editor_) {
        editorPort_ = makeEditorPort(*this);
        editor_ = std::make_unique<config::EditorController>(configuration, services_.ui,
                                                             *editorPort_);
    }
    return *editor_;
}

void Shell::configurationReplaced() {
    if (editor_) editor_->configurationReplaced();
}

void Shell::enterStartingDirectory() {
    if (!startingDirectory.empty()) services_.files.setCurrentDirectory(startingDirectory);
}

platform::Answer Shell::say(const std::string& caption, const std::string& text,
                            platform::Icon icon, platform::Buttons buttons, bool foreground) {
    return services_.ui.messageBox(caption, text, icon, buttons, foreground);
}

void Shell::dialogBoxError() {
    say("Markwise: Dialog Box Error", "The dialog box could not be opened.");
}

WindowControl::WindowControl(Shell& shell, Mode mode)
    : shell_(shell), mode_(mode), cursorAtStart_(shell.waitCursorShown) {
    if (mode_ == CursorAndTitle) {
        titleAtStart_ = shell_.ui().windowTitle();
        if (titleAtStart_.size() > 511) titleAtStart_.resize(511);
    }
}

WindowControl::~WindowControl() {
    setWaitCursor(cursorAtStart_);
    if (mode_ == CursorAndTitle) shell_.ui().setWindowTitle(titleAtStart_);
}

void WindowControl::setWaitCursor(bool on) {
    if (shell_.waitCursorShown == on) return;
    shell_.waitCursorShown = on;
    shell_.ui().setWaitCursor(on);
}

void WindowControl::setTitle(const std::string& title) { shell_.ui().setWindowTitle(title); }

}  // namespace shell
