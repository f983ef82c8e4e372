#include "platform_console/console_ui.h"

#include <unistd.h>

#include <cctype>
#include <iostream>
#include <string>

#include "platform/text_escape.h"

namespace platform {
namespace {

// The choices shown after a question.
const char* choicesOf(Buttons buttons) {
    switch (buttons) {
        case Buttons::OkCancel: return "[o/c]";
        case Buttons::YesNo: return "[y/n]";
        case Buttons::YesNoCancel: return "[y/n/c]";
        case Buttons::Ok: break;
    }
    return "";
}

// The answer a typed line stands for, when it is one the buttons offer.
std::optional<Answer> parseAnswer(std::string line, Buttons buttons) {
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!line.empty() && blank(line.back())) line.pop_back();
    std::size_t start = 0;
    while (start < line.size() && blank(line[start])) ++start;
    line.erase(0, start);
    for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    const bool yesNo = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel;
    const bool cancel = buttons == Buttons::OkCancel || buttons == Buttons::YesNoCancel;
    if (yesNo && (line == "y" || line == "yes")) return Answer::Yes;
    if (yesNo && (line == "n" || line == "no")) return Answer::No;
    if (cancel && (line == "c" || line == "cancel")) return Answer::Cancel;
    if (buttons == Buttons::OkCancel && (line == "o" || line == "ok")) return Answer::Ok;
    return std::nullopt;
}

}  // namespace

ConsoleUserInterface::ConsoleUserInterface()
    : ConsoleUserInterface(std::cerr, std::cin, ::isatty(STDIN_FILENO) == 1) {}

ConsoleUserInterface::ConsoleUserInterface(std::ostream& errors, std::istream& input,
                                           bool interactive)
    : errors_(errors), input_(input), interactive_(interactive) {}

Answer ConsoleUserInterface::messageBox(const std::string& caption, const std::string& text,
                                        Icon /*icon*/, Buttons buttons, bool /*foreground*/) {
    // A box's text as a terminal shows it without acting on it: the texts quote names and values
    // taken from documents and templates, whose escape sequences could clear the screen,
    // retitle the terminal or forge lines. The line feeds and tabs of the program's own texts
    // stay.
    errors_ << platform::escapeControlBytes(caption, "\n\t") << ": "
            << platform::escapeControlBytes(text, "\n\t") << '\n' << std::flush;
    if (buttons == Buttons::Ok || !interactive_) return cautiousAnswer(buttons);
    return ask(buttons);
}

// Asks until the answer is one of the choices; the end of the input answers cautiously.
Answer ConsoleUserInterface::ask(Buttons buttons) {
    std::string line;
    while (true) {
        errors_ << choicesOf(buttons) << ' ' << std::flush;
        if (!std::getline(input_, line)) {
            errors_ << '\n' << std::flush;
            return cautiousAnswer(buttons);
        }
        if (const auto answer = parseAnswer(line, buttons)) return *answer;
    }
}

std::optional<FileDialogResult> ConsoleUserInterface::openFileDialog(const FileDialogRequest&) {
    return std::nullopt;
}

std::optional<FileDialogResult> ConsoleUserInterface::saveFileDialog(const FileDialogRequest&) {
    return std::nullopt;
}

void ConsoleUserInterface::setWaitCursor(bool) {}

std::string ConsoleUserInterface::windowTitle() const { return title_; }

void ConsoleUserInterface::setWindowTitle(const std::string& title) { title_ = title; }

}  // namespace platform
