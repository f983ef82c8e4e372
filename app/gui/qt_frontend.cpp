#include "qt_frontend.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>

#include "editor_form.h"
#include "options_form.h"

namespace gui {

QtFrontend::QtFrontend() = default;
QtFrontend::~QtFrontend() = default;

void QtFrontend::setShell(shell::Shell* shell) {
    shell_ = shell;
    if (window_) window_->setShell(shell);
}

bool QtFrontend::createMainWindow() {
    window_ = std::make_unique<MainWindow>();
    window_->setShell(shell_);
    QObject::connect(window_.get(), &MainWindow::closeRequested, [this] { requestClose(); });
    return true;
}

bool QtFrontend::loadWaitCursor() { return true; }

void QtFrontend::showMainWindow() {
    window_->refreshChecks();
    if (shell_) window_->watchInstanceChannel(shell_->services().instances);
    window_->applyKeepOnTop(shell_ && shell_->options.KeepWindowOnTop);
    window_->show();
}

int QtFrontend::runEventLoop() {
    QEventLoop loop;
    loop_ = &loop;
    closeRequested_ = false;
    // Log-off and shut-down ask first, as closing the window does. The session manager is
    // asked for leave to show the questions (it may let other programs ask first), and is
    // released once they are answered, so that a refusal reaches it.
    auto asked = QObject::connect(qApp, &QGuiApplication::commitDataRequest, &loop,
                                  [this](QSessionManager& manager) {
                                      manager.allowsInteraction();
                                      const bool agreed = !shell_ || shell::exitProcedure(*shell_);
                                      manager.release();
                                      if (agreed) {
                                          requestClose();
                                      } else {
                                          manager.cancel();
                                      }
                                  });
    const int code = loop.exec();
    QObject::disconnect(asked);
    loop_ = nullptr;
    return code;
}

void QtFrontend::bringToFront() {
    if (window_) window_->bringToFront();
}

void QtFrontend::setKeepOnTop(bool onTop) {
    if (window_) window_->applyKeepOnTop(onTop);
}

void QtFrontend::refreshMenuChecks() {
    if (window_) window_->refreshChecks();
}

void QtFrontend::requestClose() {
    closeRequested_ = true;
    if (loop_) loop_->exit(0);
}

void QtFrontend::pause(int milliseconds) {
    // The window keeps painting its numbered title; the user's input waits.
    QEventLoop wait;
    QTimer::singleShot(milliseconds, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
}

int QtFrontend::runOptionsDialog(shell::Shell& shell, shell::OptionsPage page) {
    OptionsForm form(shell, page, window_.get());
    return form.exec() == QDialog::Accepted ? shell::kDialogOk : shell::kDialogCancel;
}

int QtFrontend::runToolDialog(shell::Shell& shell) {
    ToolForm form(shell, window_.get());
    return form.exec() == QDialog::Accepted ? shell::kDialogOk : shell::kDialogCancel;
}

int QtFrontend::runConfigurationEditor(shell::Shell& shell) {
    EditorForm form(shell.configurationEditor(), window_.get());
    form.exec();
    return shell::kDialogOk;
}

}  // namespace gui
