// The main window of the windowed program: a fixed 400 by 100 bitmap under the menu "MYMENU",
// which accepts dropped files and comes to the front when a second start asks it to.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <deque>
#include <map>

class QAction;
class QLabel;
class QSocketNotifier;

namespace platform {
class InstanceChannel;
}
namespace shell {
class Shell;
}

namespace gui {

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    MainWindow();

    // The shell whose commands the menu runs; set once, before the window is shown.
    void setShell(shell::Shell* shell) { shell_ = shell; }

    // The menu item of command `id`, or null.
    QAction* action(int id) const;
    // Sets every check mark from the options record.
    void refreshChecks();
    // Keeps the window above the others, or not, without moving or resizing it.
    void applyKeepOnTop(bool onTop);
    // Restores the window and brings it to the front.
    void bringToFront();
    // Listens for second starts that ask this window to come to the front.
    void watchInstanceChannel(platform::InstanceChannel& channel);
    int raiseRequests() const { return raiseRequests_; }
    // "HTMLBITMAP" for displays of 16 bits per pixel and more, else "HTMLBITMAP2".
    QString bitmapName() const { return bitmapName_; }
    // The files of a drop, in drop order, as they are handed to the shell. A drop made while
    // the files of another are handled (it waits between them with the event loop running)
    // is handled after them, as a drop of its own.
    void dropFiles(const QStringList& files);

signals:
    // The close request (the close box, Alt+F4, Exit): the event loop ends.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenu();

    shell::Shell* shell_ = nullptr;
    QLabel* picture_ = nullptr;
    QString bitmapName_;
    std::map<int, QAction*> actions_;
    QSocketNotifier* instanceNotifier_ = nullptr;
    int raiseRequests_ = 0;
    // The drops waiting for the one being handled, in the order they were made.
    std::deque<QStringList> waitingDrops_;
    bool handlingDrop_ = false;
};

}  // namespace gui
