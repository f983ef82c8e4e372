// markwise-screenshots: renders the windowed program offscreen into PNG files for the README:
// the main window, each menu opened, the options dialog on each page, the default-tool dialog,
// a message box, and every page of the HTML Configuration editor with the shipped default
// configuration loaded. Run by scripts/screenshots:
//
//   markwise-screenshots FOLDER CONFIGURATION
#include <QListWidget>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QTabBar>
#include <cstdio>

#include "editor_form.h"
#include "main_window.h"
#include "options_form.h"
#include "platform/file_policy.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_services.h"
#include "platform_testing/fake_ui.h"
#include "qt_frontend.h"
#include "shell/menu.h"

namespace {

bool save(const QImage& image, const QString& folder, const QString& name) {
    const QString path = folder + "/" + name + ".png";
    const bool ok = image.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

// The window with one of its menus open below its title in the menu bar.
QImage withMenu(gui::MainWindow& window, QMenu* menu, QAction* title) {
    QMenuBar* bar = window.menuBar();
    const QRect titleRect = bar->actionGeometry(title);
    const QPoint below = bar->mapTo(&window, titleRect.bottomLeft());
    menu->popup(window.mapToGlobal(below));
    QApplication::processEvents();
    bar->setActiveAction(title);
    QApplication::processEvents();
    const QImage frame = window.grab().toImage();
    const QImage popup = menu->grab().toImage();
    const int width = std::max(frame.width(), below.x() + popup.width()) + 8;
    const int height = std::max(frame.height(), below.y() + popup.height()) + 8;
    QImage canvas(width, height, QImage::Format_ARGB32);
    canvas.fill(QColor(0xe8, 0xe8, 0xe8));
    QPainter p(&canvas);
    p.drawImage(0, 0, frame);
    p.setPen(QColor(0x70, 0x70, 0x70));
    p.drawRect(below.x(), below.y(), popup.width(), popup.height());
    p.drawImage(below, popup);
    p.end();
    menu->hide();
    bar->setActiveAction(nullptr);
    return canvas;
}

// The row of `list` labelled `name`, or whose label is `name` with its id, or -1.
int rowNamed(const config::EditorController& editor, config::EditorList list,
             const std::string& name) {
    for (int row = 0; row < editor.rowCount(list); ++row) {
        const std::string label = editor.rowText(list, row);
        if (label == name || label.rfind(name + " (", 0) == 0) return row;
    }
    return -1;
}

// Chooses the row named `name` of `list` in the editor shown, as a click would.
void pick(gui::EditorForm& form, config::EditorList list, const std::string& name) {
    config::EditorController& editor = form.controller();
    const int row = rowNamed(editor, list, name);
    if (row < 0) {
        std::fprintf(stderr, "no entry %s in the configuration\n", name.c_str());
        return;
    }
    form.apply(editor.selectRow(list, row));
    if (QListWidget* widget = form.list(list)) widget->scrollToItem(widget->item(row),
                                                                   QAbstractItemView::PositionAtCenter);
}

QImage dialogImage(QDialog& dialog) {
    dialog.show();
    dialog.adjustSize();
    QApplication::processEvents();
    QImage image = dialog.grab().toImage();
    dialog.hide();
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString folder = argc > 1 ? QString(argv[1]) : QString("docs/screenshots");
    QDir().mkpath(folder);

    // A shell with a quiet user interface: nothing here asks the user anything.
    platform::FakeUserInterface ui;
    platform::FakeSettingsStore settings;
    platform::FakeProcessStarter processes;
    platform::FakeUrlOpener browser;
    platform::FakeEditorNotifier editors;
    platform::FakeInstanceChannel instances;
    platform::SystemFiles files;
    platform::FakeClock clock;
    gui::QtFrontend frontend;
    shell::Shell shell({ui, settings, processes, browser, editors, instances, files,
                        platform::systemFileSystem(), clock},
                       frontend, "/usr/lib/markwise/");
    frontend.setShell(&shell);
    frontend.createMainWindow();
    gui::MainWindow& window = *frontend.window();
    window.setWindowTitle("Zentrel Markwise v2.55");
    window.refreshChecks();
    window.show();
    QApplication::processEvents();

    bool ok = save(window.grab().toImage(), folder, "main-window");
    const QStringList names{"file", "settings", "log", "tools", "drag-and-drop", "links", "help"};
    const QList<QAction*> titles = window.menuBar()->actions();
    for (int i = 0; i < titles.size() && i < names.size(); ++i) {
        ok = save(withMenu(window, titles[i]->menu(), titles[i]), folder, "menu-" + names[i]) && ok;
    }
    // The two submenus, opened beside their menus.
    for (const auto& [top, name] : {std::pair{1, QString("menu-settings-language")},
                                    std::pair{5, QString("menu-links-download")}}) {
        QMenu* menu = titles[top]->menu();
        for (QAction* entry : menu->actions()) {
            if (!entry->menu()) continue;
            menu->popup(window.mapToGlobal(QPoint(0, 0)));
            QApplication::processEvents();
            menu->setActiveAction(entry);
            entry->menu()->popup(menu->mapToGlobal(menu->actionGeometry(entry).topRight()));
            QApplication::processEvents();
            const QImage parent = menu->grab().toImage();
            const QImage child = entry->menu()->grab().toImage();
            const QPoint at = menu->actionGeometry(entry).topRight();
            QImage canvas(at.x() + child.width() + 8,
                          std::max(parent.height(), at.y() + child.height()) + 8,
                          QImage::Format_ARGB32);
            canvas.fill(QColor(0xe8, 0xe8, 0xe8));
            QPainter p(&canvas);
            p.drawImage(0, 0, parent);
            p.drawImage(at, child);
            p.end();
            entry->menu()->hide();
            menu->hide();
            ok = save(canvas, folder, name) && ok;
        }
    }

    const char* pages[] = {"options-program", "options-validator", "options-logging"};
    for (int page = 0; page < 3; ++page) {
        gui::OptionsForm form(shell, static_cast<shell::OptionsPage>(page), &window);
        ok = save(dialogImage(form), folder, pages[page]) && ok;
    }
    gui::ToolForm tools(shell, &window);
    ok = save(dialogImage(tools), folder, "tooldb") && ok;

    // The editor, page by page, on entries a user would look at first.
    const std::string configuration = argc > 2 ? argv[2] : "build/mkwise25.cfg";
    std::string bytes;
    if (platform::readRegularFile(platform::systemFileSystem(), configuration, bytes) ||
        !shell.configuration.loadBytes(bytes, configuration)) {
        std::fprintf(stderr, "cannot load the configuration %s\n", configuration.c_str());
        return 1;
    }
    using config::EditorList;
    using config::EditorPage;
    const struct {
        EditorPage page;
        const char* name;
    } editorPages[] = {
        {EditorPage::TagNames, "editor-tag-names"},
        {EditorPage::Attributes, "editor-attributes"},
        {EditorPage::AttributeValues, "editor-attribute-values"},
        {EditorPage::Categories, "editor-categories"},
        {EditorPage::Entities, "editor-entities"},
        {EditorPage::Notes, "editor-notes"},
    };
    for (const auto& [page, name] : editorPages) {
        gui::EditorForm form(shell.configurationEditor(), &window);
        form.resize(980, 560);
        form.show();
        form.apply(form.controller().selectPage(page));
        switch (page) {
            case EditorPage::TagNames:
                pick(form, EditorList::TagBeingConfigured, "li");
                pick(form, EditorList::TagNames, "ol");
                break;
            case EditorPage::Attributes:
                pick(form, EditorList::TagBeingConfigured, "img");
                pick(form, EditorList::Attributes, "alt");
                break;
            case EditorPage::AttributeValues:
                pick(form, EditorList::AttributeBeingConfigured, "method");
                // The value as the attribute lists it (several entries are called "post").
                pick(form, EditorList::AttributeValues,
                     form.controller().rowText(
                         EditorList::AttributeValueList,
                         rowNamed(form.controller(), EditorList::AttributeValueList, "post")));
                break;
            case EditorPage::Categories: pick(form, EditorList::Categories, "HTML living standard"); break;
            case EditorPage::Entities: pick(form, EditorList::Entities, "Abreve"); break;
            case EditorPage::Notes: break;
        }
        QApplication::processEvents();
        ok = save(form.grab().toImage(), folder, name) && ok;
        form.apply(form.controller().press(config::EditorButton::Close));
    }

    QMessageBox box(QMessageBox::Question, "Markwise: Open Viewer?",
                    "Validation check of \"/home/ann/site/index.html\" is complete. Do you want "
                    "to open the viewer with the results?",
                    QMessageBox::Yes | QMessageBox::No, &window);
    box.setDefaultButton(QMessageBox::Yes);
    box.show();
    QApplication::processEvents();
    ok = save(box.grab().toImage(), folder, "message-box") && ok;
    box.hide();
    return ok ? 0 : 1;
}
