#include "platform_qt/qt_ui.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QWidget>

namespace platform {
namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
        case Icon::Error: return QMessageBox::Critical;
        case Icon::Information: return QMessageBox::Information;
        case Icon::Question: return QMessageBox::Question;
        case Icon::Warning: return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok: return QMessageBox::Ok;
        case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

}  // namespace

std::string qtNameFilter(const FileFilter& filter) {
    std::string patterns;
    std::size_t start = 0;
    while (start <= filter.patterns.size()) {
        std::size_t end = filter.patterns.find(';', start);
        if (end == std::string::npos) end = filter.patterns.size();
        std::string pattern = filter.patterns.substr(start, end - start);
        while (!pattern.empty() && pattern.front() == ' ') pattern.erase(0, 1);
        if (pattern == "*.*") pattern = "*";
        if (!pattern.empty()) patterns += (patterns.empty() ? "" : " ") + pattern;
        start = end + 1;
    }
    return filter.label + " (" + patterns + ")";
}

QtUserInterface::QtUserInterface(std::function<QWidget*()> owner) : owner_(std::move(owner)) {}

// Boxes and file dialogs belong to the main window; while a dialog of the program is open (the
// HTML Configuration editor, the options) they sit over that dialog, so that they never hide
// behind it.
QWidget* QtUserInterface::parentForDialogs() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return owner_ ? owner_() : nullptr;
}

Answer QtUserInterface::messageBox(const std::string& caption, const std::string& text,
                                   Icon icon, Buttons buttons, bool foreground) {
    QMessageBox box(qtIcon(icon), q(caption), q(text), qtButtons(buttons), parentForDialogs());
    // The text as it is: a name such as "<P>" or "&lt;" would otherwise be read as markup.
    box.setTextFormat(Qt::PlainText);
    if (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) {
        box.setDefaultButton(QMessageBox::Yes);
    }
    // A box must be answerable even while the wait cursor shows.
    const bool wait = waitCursor_;
    if (wait) QApplication::restoreOverrideCursor();
    if (foreground) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    const int chosen = box.exec();
    if (wait) QApplication::setOverrideCursor(Qt::WaitCursor);
    switch (chosen) {
        case QMessageBox::Ok: return Answer::Ok;
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        case QMessageBox::Cancel: return Answer::Cancel;
        default: return cautiousAnswer(buttons);  // closed without a button
    }
}

std::optional<FileDialogResult> QtUserInterface::fileDialog(const FileDialogRequest& request,
                                                            bool save) {
    QFileDialog dialog(parentForDialogs(), q(request.title));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile
                            : (request.mustExist ? QFileDialog::ExistingFile
                                                 : QFileDialog::AnyFile));
    // The labels carry their patterns already; Qt's copy of them stays hidden.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (!request.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    QStringList filters;
    for (const FileFilter& filter : request.filters) filters << q(qtNameFilter(filter));
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) {
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    }
    if (save && !request.defaultSuffix.empty()) dialog.setDefaultSuffix(q(request.defaultSuffix));
    if (!request.initialPath.empty()) dialog.selectFile(q(request.initialPath));
    const bool wait = waitCursor_;
    if (wait) QApplication::restoreOverrideCursor();
    const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    if (wait) QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!accepted) return std::nullopt;
    FileDialogResult result;
    result.path = dialog.selectedFiles().front().toStdString();
    result.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (result.filterIndex < 1) result.filterIndex = request.filterIndex;
    return result;
}

std::optional<FileDialogResult> QtUserInterface::openFileDialog(const FileDialogRequest& request) {
    return fileDialog(request, false);
}

std::optional<FileDialogResult> QtUserInterface::saveFileDialog(const FileDialogRequest& request) {
    return fileDialog(request, true);
}

void QtUserInterface::setWaitCursor(bool on) {
    if (on == waitCursor_) return;
    waitCursor_ = on;
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

std::string QtUserInterface::windowTitle() const {
    QWidget* owner = owner_ ? owner_() : nullptr;
    return owner ? owner->windowTitle().toStdString() : std::string();
}

void QtUserInterface::setWindowTitle(const std::string& title) {
    if (QWidget* owner = owner_ ? owner_() : nullptr) owner->setWindowTitle(q(title));
}

bool QtUrlOpener::open(const std::string& url) {
    // Qt hands a local page to the desktop's opener too: an anchor needs the same detour.
    return QDesktopServices::openUrl(QUrl(q(openableUrl(url))));
}

}  // namespace platform
