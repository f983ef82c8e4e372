#include "platform_testing/fake_ui.h"

#include <stdexcept>

namespace platform {
namespace {

template <typename T, typename Fallback>
T takeFront(std::deque<T>& script, Fallback fallback) {
    if (script.empty()) return fallback;
    T front = std::move(script.front());
    script.pop_front();
    return front;
}

}  // namespace

Answer FakeUserInterface::messageBox(const std::string& caption, const std::string& text,
                                     Icon icon, Buttons buttons, bool foreground) {
    boxes.push_back(ShownBox{caption, text, icon, buttons, foreground});
    return takeFront(answers, cautiousAnswer(buttons));
}

std::optional<FileDialogResult> FakeUserInterface::openFileDialog(
    const FileDialogRequest& request) {
    openRequests.push_back(request);
    return takeFront(openResults, std::nullopt);
}

std::optional<FileDialogResult> FakeUserInterface::saveFileDialog(
    const FileDialogRequest& request) {
    saveRequests.push_back(request);
    return takeFront(saveResults, std::nullopt);
}

void FakeUserInterface::setWaitCursor(bool on) {
    waitCursor = on;
    waitCursorChanges.push_back(on);
}

void FakeUserInterface::setWindowTitle(const std::string& newTitle) {
    title = newTitle;
    titleChanges.push_back(newTitle);
}

void FakeUserInterface::answerWith(std::initializer_list<Answer> next) {
    answers.insert(answers.end(), next);
}

void FakeUserInterface::openChooses(const std::string& path, int filterIndex) {
    openResults.push_back(FileDialogResult{path, filterIndex});
}

void FakeUserInterface::saveChooses(const std::string& path, int filterIndex) {
    saveResults.push_back(FileDialogResult{path, filterIndex});
}

const ShownBox& FakeUserInterface::lastBox() const {
    if (boxes.empty()) throw std::logic_error("no message box was shown");
    return boxes.back();
}

void FakeUserInterface::clear() {
    boxes.clear();
    openRequests.clear();
    saveRequests.clear();
    waitCursorChanges.clear();
    titleChanges.clear();
}

}  // namespace platform
