// A user interface for the tests: records every box, dialog request, wait-cursor and title change,
// and answers from scripts the test sets up.
#pragma once

#include <cstddef>
#include <deque>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace platform {

// One message box as the program showed it.
struct ShownBox {
    std::string caption;
    std::string text;
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
    bool foreground = false;
};

class FakeUserInterface : public UserInterface {
public:
    // Scripts, used front first. A box with no scripted answer left gets the answer that changes
    // nothing; a dialog with no scripted result left is cancelled (std::nullopt scripts a cancel).
    std::deque<Answer> answers;
    std::deque<std::optional<FileDialogResult>> openResults;
    std::deque<std::optional<FileDialogResult>> saveResults;

    // Records, in the order things happened.
    std::vector<ShownBox> boxes;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    std::vector<bool> waitCursorChanges;  // every setWaitCursor call
    std::vector<std::string> titleChanges;  // every setWindowTitle call

    bool waitCursor = false;
    std::string title;

    Answer messageBox(const std::string& caption, const std::string& text, Icon icon,
                      Buttons buttons, bool foreground = false) override;
    std::optional<FileDialogResult> openFileDialog(const FileDialogRequest& request) override;
    std::optional<FileDialogResult> saveFileDialog(const FileDialogRequest& request) override;
    void setWaitCursor(bool on) override;
    std::string windowTitle() const override { return title; }
    void setWindowTitle(const std::string& newTitle) override;

    // Scripts the answers of the next boxes, in order.
    void answerWith(std::initializer_list<Answer> next);
    // Scripts the next open or save dialog to choose `path`.
    void openChooses(const std::string& path, int filterIndex = 1);
    void saveChooses(const std::string& path, int filterIndex = 1);

    std::size_t boxCount() const { return boxes.size(); }
    // The last box shown; throws std::logic_error when none was, so the test fails plainly.
    const ShownBox& lastBox() const;
    // Forgets the records (boxes, requests, changes); scripts and current state stay.
    void clear();
};

}  // namespace platform
