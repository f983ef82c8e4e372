// The main window, its menus and check marks, the option forms, a drop of three files and the
// single-instance channel, offscreen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <chrono>

#include "options_form.h"
#include "platform/instance_channel.h"
#include "platform_qt/qt_ui.h"
#include "qt_frontend.h"
#include "shell/menu.h"
#include "shell_harness.h"

using testing_support::ShellHarness;
using Strings = std::vector<std::string>;

namespace {

// A harness whose window is the real main window.
struct WindowedShell {
    WindowedShell() {
        frontend.setShell(&h.shell);
        frontend.createMainWindow();
        window = frontend.window();
    }
    gui::QtFrontend frontend;
    ShellHarness h{&frontend};
    gui::MainWindow* window = nullptr;
};

// Runs the event loop until `done` holds or two seconds have passed.
template <typename Done>
bool waitFor(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 2000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

std::string text(const QString& s) { return s.toStdString(); }

}  // namespace

TEST(MainWindow, HasAFixedClientAreaOfFourHundredByOneHundred) {
    gui::MainWindow window;
    window.show();
    QApplication::processEvents();
    auto* picture = window.findChild<QLabel*>("picture");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->size(), QSize(400, 100));
    EXPECT_EQ(window.centralWidget()->size(), QSize(400, 100));
    EXPECT_FALSE(picture->pixmap().isNull());
    EXPECT_EQ(picture->pixmap().size(), QSize(400, 100));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_EQ(text(window.windowTitle()), "Markwise");
    EXPECT_EQ(text(window.objectName()), "Zentrel");
    EXPECT_TRUE(window.bitmapName() == "HTMLBITMAP" || window.bitmapName() == "HTMLBITMAP2");
    EXPECT_TRUE(window.acceptDrops());
}

TEST(MainWindow, MenusCarryEveryLabelKeyAndCheckMark) {
    WindowedShell w;
    Strings titles;
    for (QAction* top : w.window->menuBar()->actions()) titles.push_back(text(top->text()));
    EXPECT_EQ(titles, (Strings{"&File", "&Settings", "&Log", "&Tools", "&Drag and Drop", "Lin&ks",
                               "&Help"}));
    int items = 0;
    for (const shell::TopMenu& top : shell::menuBar()) {
        std::function<void(std::span<const shell::MenuEntry>)> check =
            [&](std::span<const shell::MenuEntry> entries) {
                for (const shell::MenuEntry& entry : entries) {
                    if (entry.kind == shell::MenuEntry::Submenu) check(entry.entries);
                    if (entry.kind != shell::MenuEntry::Item) continue;
                    QAction* action = w.window->action(entry.id);
                    ASSERT_NE(action, nullptr) << entry.id;
                    EXPECT_EQ(text(action->text()), std::string(entry.label));
                    EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromUtf8(entry.key.data(),
                                                                                 entry.key.size())));
                    EXPECT_EQ(action->isCheckable(), entry.checkable);
                    ++items;
                }
            };
        check(top.entries);
    }
    EXPECT_EQ(items, 36);
    EXPECT_EQ(text(w.window->action(shell::command::kValidate)->shortcut().toString()), "F2");
    EXPECT_EQ(text(w.window->action(shell::command::kValidatorOptions)->shortcut().toString()),
              "Ctrl+F4");

    // Check marks follow the options.
    options::Options& o = w.h.shell.options;
    o.Language = 1;
    o.EnableLogging = 1;
    o.KeepWindowOnTop = 0;
    w.window->refreshChecks();
    EXPECT_TRUE(w.window->action(shell::command::kFrench)->isChecked());
    EXPECT_FALSE(w.window->action(shell::command::kEnglish)->isChecked());
    EXPECT_TRUE(w.window->action(shell::command::kEnableLogging)->isChecked());
    EXPECT_TRUE(w.window->action(shell::command::kValidatorOnDropped)->isChecked());
    EXPECT_FALSE(w.window->action(shell::command::kDefaultToolOnDropped)->isChecked());

    // A menu command toggles the option and its mark, and keeps the window on top.
    w.window->action(shell::command::kKeepWindowOnTop)->trigger();
    EXPECT_EQ(o.KeepWindowOnTop, 1);
    EXPECT_TRUE(w.window->action(shell::command::kKeepWindowOnTop)->isChecked());
    EXPECT_TRUE(w.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    w.window->action(shell::command::kEnglish)->trigger();
    EXPECT_EQ(o.Language, 0);
    EXPECT_TRUE(w.window->action(shell::command::kEnglish)->isChecked());
    EXPECT_FALSE(w.window->action(shell::command::kFrench)->isChecked());
    // Clicking a checked language item again leaves it checked.
    w.window->action(shell::command::kEnglish)->trigger();
    EXPECT_TRUE(w.window->action(shell::command::kEnglish)->isChecked());

    w.window->action(shell::command::kAbout)->trigger();
    EXPECT_EQ(w.h.ui.lastBox().caption, "Markwise: About...");
}

TEST(MainWindow, ACloseRequestEndsTheEventLoop) {
    WindowedShell w;
    w.frontend.showMainWindow();
    QTimer::singleShot(0, [&] { w.window->action(shell::command::kExit)->trigger(); });
    EXPECT_EQ(w.frontend.runEventLoop(), 0);
    EXPECT_TRUE(w.window->isVisible());  // the exit procedure decides what happens next
    QTimer::singleShot(0, [&] { w.window->close(); });
    EXPECT_EQ(w.frontend.runEventLoop(), 0);
}

// A second drop made during the pause between the files of the first waits for them: it
// must not cut into their shared report.
TEST(MainWindow, ADropOfThreeFilesValidatesEachWithANumberedTitleAndTheNextDropWaits) {
    WindowedShell w;
    w.h.writeConfiguration();
    for (const char* name : {"a.htm", "b.htm", "c.htm", "x.htm"}) {
        w.h.dir.write(name, "<html><body><p>x</p></body></html>\n");
    }
    w.h.ui.title = "Zentrel Markwise v2.55";
    w.window->show();
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(w.h.file("a.htm"))),
                   QUrl::fromLocalFile(QString::fromStdString(w.h.file("b.htm"))),
                   QUrl::fromLocalFile(QString::fromStdString(w.h.file("c.htm")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    auto* later = new QMimeData;
    later->setUrls({QUrl::fromLocalFile(QString::fromStdString(w.h.file("x.htm")))});
    QTimer::singleShot(700, [&] {
        QDragEnterEvent enterAgain(QPoint(10, 10), Qt::CopyAction, later, Qt::LeftButton,
                                   Qt::NoModifier);
        QApplication::sendEvent(w.window, &enterAgain);
        QDropEvent second(QPointF(10, 10), Qt::CopyAction, later, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.window, &second);
    });
    const auto started = std::chrono::steady_clock::now();
    QApplication::sendEvent(w.window, &drop);
    EXPECT_TRUE(waitFor([&] { return w.h.ui.titleChanges.size() == 6; }));
    // Two pauses of a second and a half between the three files of the shared output file.
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2900));
    EXPECT_EQ(w.h.ui.titleChanges,
              (Strings{"[1<>3] a.htm", "[2<>3] b.htm", "[3<>3] c.htm", "Zentrel Markwise v2.55",
                       "[1<>1] x.htm", "Zentrel Markwise v2.55"}));
    EXPECT_EQ(w.h.processes.starts.size(), 4u);
    EXPECT_TRUE(std::filesystem::exists(w.h.file("output.txt")));
    delete later;
    delete data;
}

TEST(MainWindow, ASecondStartRaisesTheRunningWindow) {
    WindowedShell w;
    testing_support::TempDir sockets;
    const std::string folder = sockets.path().string() + "/";
    platform::UnixInstanceChannel first(folder);
    ASSERT_TRUE(first.listen());
    w.window->watchInstanceChannel(first);
    w.window->showMinimized();
    platform::UnixInstanceChannel second(folder);
    ASSERT_TRUE(second.raiseAnotherInstance());
    EXPECT_TRUE(waitFor([&] { return w.window->raiseRequests() == 1; }));
    EXPECT_FALSE(w.window->isMinimized());
    EXPECT_TRUE(w.window->isVisible());
}

TEST(OptionsForm, ShowsThePagesAndHandsEveryActionToItsController) {
    ShellHarness h;
    h.writeConfiguration();
    h.shell.options.AutoSave = 0;
    h.shell.options.optionsSaved = 1;
    gui::OptionsForm form(h.shell, shell::OptionsPage::Validator);
    EXPECT_EQ(text(form.windowTitle()), "Zentrel Markwise Options");
    EXPECT_EQ(text(form.page()->objectName()), "DIALOGBOX1VALIDATOR");
    EXPECT_EQ(form.tabs()->count(), 3);
    EXPECT_EQ(text(form.tabs()->tabText(0)), "Program");
    EXPECT_EQ(form.tabs()->currentIndex(), 1);
    for (const char* name : {"ok", "cancel", "save", "help"}) {
        EXPECT_NE(form.findChild<QPushButton*>(name), nullptr) << name;
    }
    EXPECT_EQ(text(form.findChild<QPushButton*>("ok")->text()), "&OK");
    EXPECT_TRUE(form.findChild<QPushButton*>("ok")->isDefault());
    EXPECT_EQ(text(form.findChild<QPushButton*>("save")->text()), "&Save");

    ASSERT_NE(form.checkBox("CheckNesting"), nullptr);
    EXPECT_EQ(text(form.checkBox("CheckNesting")->text()), "Check HTML tag &nesting");
    EXPECT_TRUE(form.checkBox("CheckNesting")->isChecked());
    form.checkBox("CheckNesting")->click();
    form.field("MaximumErrors")->setText("0");
    form.field("LineLength")->setText("5");

    // Another tab: the page is made anew from the working copies.
    form.tabs()->setCurrentIndex(0);
    EXPECT_EQ(text(form.page()->objectName()), "DIALOGBOX1GENERAL");
    EXPECT_EQ(text(form.field("DefaultConfigurationFilenameV25")->text()), h.file("mkwise25.cfg"));
    form.radio("Language", 1)->click();
    form.tabs()->setCurrentIndex(1);
    EXPECT_FALSE(form.checkBox("CheckNesting")->isChecked());
    EXPECT_EQ(text(form.field("MaximumErrors")->text()), "1");
    EXPECT_EQ(text(form.field("LineLength")->text()), "20");

    form.findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(h.shell.options.CheckNesting, 0);
    EXPECT_EQ(h.shell.options.MaximumErrors, 1);
    EXPECT_EQ(h.shell.options.LineLength, 20);
    EXPECT_EQ(h.shell.options.Language, 1);
    EXPECT_EQ(h.shell.options.optionsSaved, 0);
    EXPECT_EQ(h.shell.lastOptionsPage, shell::OptionsPage::Validator);
}

// Enter on a focused "..." button opens its file dialog; the options dialog stays open.
TEST(OptionsForm, EnterOnABrowseButtonPressesIt) {
    ShellHarness h;
    h.writeConfiguration();
    gui::OptionsForm form(h.shell, shell::OptionsPage::Program);
    auto* browse = form.findChild<QPushButton*>("OutputFilenameBrowse");
    ASSERT_NE(browse, nullptr);
    QTest::keyClick(browse, Qt::Key_Return);
    ASSERT_EQ(h.ui.saveRequests.size(), 1u);
    EXPECT_EQ(h.ui.saveRequests[0].title, "Specify Output File and Click Save");
    EXPECT_NE(form.result(), QDialog::Accepted);
}

TEST(OptionsForm, CancelLeavesTheRecordAsItWas) {
    ShellHarness h;
    h.writeConfiguration();
    gui::OptionsForm form(h.shell, shell::OptionsPage::Logging);
    EXPECT_EQ(text(form.page()->objectName()), "DIALOGBOXLOGGING");
    form.checkBox("EnableLogging")->click();
    form.field("LogFilename")->setText("/elsewhere/log.txt");
    form.findChild<QPushButton*>("cancel")->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(h.shell.options.EnableLogging, 0);
    EXPECT_EQ(h.shell.options.LogFilename, h.file("log.txt"));
}

TEST(ToolForm, ShowsTheToolsAndPutsThemBackOnCancel) {
    ShellHarness h;
    gui::ToolForm form(h.shell);
    EXPECT_EQ(text(form.windowTitle()), "Drag and Drop Default Tool Select");
    EXPECT_EQ(text(form.objectName()), "TOOLDB");
    ASSERT_NE(form.toolButton(2), nullptr);
    EXPECT_TRUE(form.toolButton(2)->isChecked());
    EXPECT_EQ(text(form.toolButton(3)->text()), "&Strip HTML Tags");
    EXPECT_EQ(text(form.dontShow()->text()), "&Don't show this dialog when files are dropped");
    form.toolButton(5)->click();
    form.dontShow()->click();
    EXPECT_EQ(h.shell.options.DefaultDragAndDropTool, 5);
    EXPECT_EQ(h.shell.options.ShowTOOLDBWhenFilesDropped, 0);
    form.reject();
    EXPECT_EQ(h.shell.options.DefaultDragAndDropTool, 2);
    EXPECT_EQ(h.shell.options.ShowTOOLDBWhenFilesDropped, 1);
}

// A box shows its text as it is: a tag name "<P>" or an entity "&lt;" in a question is no
// markup to the box.
TEST(QtUserInterface, ABoxShowsItsTextAsItIs) {
    platform::QtUserInterface ui(nullptr);
    for (const char* text : {"Are you sure you want to delete the tag name \"<P> (452)\"?",
                             "Delete the entity \"&lt; (004)\"?"}) {
        Qt::TextFormat format = Qt::RichText;
        QString shown;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                format = box->textFormat();
                shown = box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        ui.messageBox("Markwise: Delete?", text, platform::Icon::Question, platform::Buttons::Ok);
        EXPECT_EQ(format, Qt::PlainText) << text;
        EXPECT_EQ(shown.toStdString(), text);
    }
}

TEST(QtUserInterface, BoxesSitOverTheProgramsOpenDialogAndTitlesStayTheMainWindows) {
    QWidget main;
    QDialog dialog(&main);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    platform::QtUserInterface ui([&main] { return &main; });
    QWidget* parent = nullptr;
    QTimer::singleShot(0, [&parent] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            parent = box->parentWidget();
            box->button(QMessageBox::Ok)->click();
        }
    });
    EXPECT_EQ(ui.messageBox("Markwise: Success", "Done.", platform::Icon::Information,
                            platform::Buttons::Ok),
              platform::Answer::Ok);
    EXPECT_EQ(parent, &dialog);
    ui.setWindowTitle("[1<>2] a.htm");
    EXPECT_EQ(text(main.windowTitle()), "[1<>2] a.htm");
    EXPECT_EQ(ui.windowTitle(), "[1<>2] a.htm");
    dialog.hide();
}
