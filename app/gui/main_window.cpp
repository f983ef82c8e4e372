#include "main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPixmap>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/instance_channel.h"
#include "shell/commands.h"
#include "shell/menu.h"
#include "shell/shell.h"

// The bitmaps and icons are compiled into the library; this keeps them linked in.
static void initResources() { Q_INIT_RESOURCE(markwise); }

namespace gui {
namespace {

constexpr int kClientWidth = 400;
constexpr int kClientHeight = 100;

QString q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

MainWindow::MainWindow() {
    initResources();
    setObjectName("Zentrel");  // the window class of the program
    setWindowTitle(shell::kInitialTitle);
    // Caption, system menu and minimise box; no maximise box, not resizable.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QIcon icon;
    icon.addFile(":/markwise/icons/markwise-16.png", QSize(16, 16));
    icon.addFile(":/markwise/icons/markwise-32.png", QSize(32, 32));
    icon.addFile(":/markwise/icons/markwise-48.png", QSize(48, 48));
    setWindowIcon(icon);

    bitmapName_ = QPixmap::defaultDepth() >= 16 ? "HTMLBITMAP" : "HTMLBITMAP2";
    picture_ = new QLabel(this);
    picture_->setObjectName("picture");
    picture_->setFixedSize(kClientWidth, kClientHeight);
    picture_->setPixmap(QPixmap(bitmapName_ == "HTMLBITMAP" ? ":/markwise/htmlbitmap.png"
                                                            : ":/markwise/htmlbitmap2.png"));
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture_->setStyleSheet("background: #c0c0c0;");
    setCentralWidget(picture_);
    buildMenu();
    setAcceptDrops(true);
    // The window's size is the client area's with the menu: neither smaller nor larger.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void MainWindow::buildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(q(shell::kMenuName));
    std::function<void(QMenu*, std::span<const shell::MenuEntry>)> fill =
        [&](QMenu* menu, std::span<const shell::MenuEntry> entries) {
            for (const shell::MenuEntry& entry : entries) {
                switch (entry.kind) {
                    case shell::MenuEntry::Separator: menu->addSeparator(); break;
                    case shell::MenuEntry::Submenu:
                        fill(menu->addMenu(q(entry.label)), entry.entries);
                        break;
                    case shell::MenuEntry::Item: {
                        QAction* action = menu->addAction(q(entry.label));
                        const int id = entry.id;
                        action->setData(id);
                        action->setCheckable(entry.checkable);
                        if (!entry.key.empty()) {
                            action->setShortcut(QKeySequence(q(entry.key)));
                            action->setShortcutContext(Qt::ApplicationShortcut);
                        }
                        connect(action, &QAction::triggered, this, [this, id] {
                            if (!shell_) return;
                            shell::runMenuCommand(*shell_, id);
                            // A check mark follows the option, not the click.
                            refreshChecks();
                        });
                        actions_[id] = action;
                        break;
                    }
                }
            }
        };
    for (const shell::TopMenu& top : shell::menuBar()) fill(bar->addMenu(q(top.label)), top.entries);
}

QAction* MainWindow::action(int id) const {
    auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::refreshChecks() {
    if (!shell_) return;
    for (auto& [id, action] : actions_) {
        if (action->isCheckable()) action->setChecked(shell::menuItemChecked(shell_->options, id));
    }
}

void MainWindow::applyKeepOnTop(bool onTop) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
    const bool visible = isVisible();
    const QPoint where = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible) {
        move(where);
        show();
    }
}

void MainWindow::bringToFront() {
    if (isMinimized()) showNormal();
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

void MainWindow::watchInstanceChannel(platform::InstanceChannel& channel) {
    if (channel.descriptor() < 0) return;
    instanceNotifier_ = new QSocketNotifier(channel.descriptor(), QSocketNotifier::Read, this);
    connect(instanceNotifier_, &QSocketNotifier::activated, this, [this, &channel] {
        const int raises = channel.takeRaiseRequests();
        if (raises == 0) return;
        raiseRequests_ += raises;
        if (isMinimized() || !isVisible()) showNormal();
        bringToFront();
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The exit procedure runs after the event loop; the window stays until it agrees.
    event->ignore();
    emit closeRequested();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        for (const QUrl& url : event->mimeData()->urls()) {
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
        }
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) files << url.toLocalFile();
    }
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    // The drop is released first; the files are processed once the event loop is back.
    QTimer::singleShot(0, this, [this, files] { dropFiles(files); });
}

void MainWindow::dropFiles(const QStringList& files) {
    if (!shell_) return;
    waitingDrops_.push_back(files);
    // The pause between the files of a drop runs the event loop, where another drop can
    // arrive: it must not cut into the files being handled (their shared report, the tool
    // chosen for them), so it waits for them.
    if (handlingDrop_) return;
    handlingDrop_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{handlingDrop_};
    while (!waitingDrops_.empty()) {
        const QStringList next = std::move(waitingDrops_.front());
        waitingDrops_.pop_front();
        std::vector<std::string> names;
        for (const QString& file : next) names.push_back(file.toStdString());
        shell::dropFiles(*shell_, names);
        refreshChecks();
    }
}

}  // namespace gui
