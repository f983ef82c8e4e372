#include "editor_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QVBoxLayout>

namespace gui {
namespace {

using config::EditorButton;
using config::EditorList;
using config::EditorPage;
using config::EditorText;
using config::EditorToggle;

QString q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The page forms, in tab order, by the names of their templates.
constexpr const char* kPageNames[config::kEditorPageCount] = {
    "DIALOGBOX2", "DBATTRIBUTES", "DIALOGBOX3", "DIALOGBOX4", "DIALOGBOX5", "DBCONFIGNOTES",
};

}  // namespace

EditorForm::EditorForm(config::EditorController& controller, QWidget* parent)
    : QDialog(parent), controller_(controller) {
    setObjectName("DBCONFIG");
    setWindowTitle(q(config::kEditorCaption));
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabBar(this);
    tabs_->setObjectName("tabs");
    tabs_->setFocusPolicy(Qt::TabFocus);
    for (const config::EditorPageInfo& info : config::editorPages()) tabs_->addTab(q(info.tab));
    layout->addWidget(tabs_);
    auto* frame = new QWidget(this);
    pageHost_ = new QVBoxLayout(frame);
    pageHost_->setContentsMargins(0, 4, 0, 4);
    layout->addWidget(frame, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const std::pair<const char*, EditorButton> dialogButtons[] = {
        {"&Close", EditorButton::Close},
        {"Load Con&fig", EditorButton::LoadConfig},
        {"&Save Config", EditorButton::SaveConfig},
        {"Sa&ve Config As", EditorButton::SaveConfigAs},
        {"&Help", EditorButton::Help},
    };
    for (const auto& [text, which] : dialogButtons) {
        auto* button = new QPushButton(q(text), this);
        // Enter is the dialog's own (New in the name box, Close elsewhere), never a button's.
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this,
                [this, choice = which] { apply(controller_.press(choice)); });
        buttons->addWidget(button);
        dialogButtons_[which] = button;
    }
    dialogButtons_[EditorButton::Close]->setObjectName("close");
    dialogButtons_[EditorButton::LoadConfig]->setObjectName("loadConfig");
    dialogButtons_[EditorButton::SaveConfig]->setObjectName("saveConfig");
    dialogButtons_[EditorButton::SaveConfigAs]->setObjectName("saveConfigAs");
    dialogButtons_[EditorButton::Help]->setObjectName("help");
    layout->addLayout(buttons);

    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0) apply(controller_.selectPage(static_cast<EditorPage>(index)));
    });
    apply(controller_.open());
}

// ---- Controls --------------------------------------------------------------------------------

QListWidget* EditorForm::makeList(EditorList which, bool readOnly) {
    auto* widget = new QListWidget;
    widget->setUniformItemSizes(true);
    widget->setMinimumWidth(widget->fontMetrics().horizontalAdvance("MMMMMMMMMM (999)") + 28);
    widget->setMinimumHeight(widget->fontMetrics().height() * 8);
    lists_[which] = widget;
    if (readOnly) {
        widget->setSelectionMode(QAbstractItemView::NoSelection);
        return widget;
    }
    widget->setSelectionMode(QAbstractItemView::SingleSelection);
    // A row counts as chosen when it is selected (by a click or the arrow keys), not merely
    // when the list takes the focus.
    connect(widget, &QListWidget::itemSelectionChanged, this, [this, which, widget] {
        const QList<QListWidgetItem*> selected = widget->selectedItems();
        apply(controller_.selectRow(which, selected.isEmpty() ? -1 : widget->row(selected.front())));
    });
    connect(widget, &QListWidget::itemDoubleClicked, this, [this, which, widget](QListWidgetItem* item) {
        apply(controller_.doubleClick(which, widget->row(item)));
    });
    return widget;
}

QComboBox* EditorForm::makeCombo(EditorList which) {
    auto* widget = new QComboBox;
    widget->setMaxVisibleItems(20);
    // Category names are long and few: their combo shows them whole. The combos of tag names
    // and attributes hold up to 999 short names.
    if (which == EditorList::CategoryChoice) {
        widget->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    } else {
        widget->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        widget->setMinimumContentsLength(16);
    }
    combos_[which] = widget;
    connect(widget, &QComboBox::activated, this,
            [this, which](int index) { apply(controller_.selectRow(which, index)); });
    return widget;
}

QPushButton* EditorForm::makeButton(const char* text, EditorButton which) {
    auto* button = new QPushButton(q(text));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, which] { apply(controller_.press(which)); });
    buttons_[which] = button;
    return button;
}

QAbstractButton* EditorForm::makeCheck(const char* text, EditorToggle which) {
    auto* box = new QCheckBox(q(text));
    connect(box, &QCheckBox::clicked, this,
            [this, which](bool checked) { apply(controller_.setChecked(which, checked)); });
    toggles_[which] = box;
    return box;
}

QAbstractButton* EditorForm::makeRadio(const char* text, EditorToggle which) {
    auto* radio = new QRadioButton(q(text));
    // The controller decides which one is on; none is when no entry is being configured.
    radio->setAutoExclusive(false);
    connect(radio, &QRadioButton::clicked, this,
            [this, which] { apply(controller_.setChecked(which, true)); });
    toggles_[which] = radio;
    return radio;
}

QPlainTextEdit* EditorForm::makeTextBox(EditorText which) {
    auto* box = new QPlainTextEdit;
    box->setTabChangesFocus(true);
    connect(box, &QPlainTextEdit::textChanged, this, [this, which, box] {
        controller_.typeText(which, box->toPlainText().toStdString());
        if (which != EditorText::Notes) return;
        // The notes hold a limited number of characters: what goes past it is not taken.
        const QString kept = q(controller_.text(which));
        if (kept != box->toPlainText()) {
            const QSignalBlocker quiet(box);
            box->setPlainText(kept);
            box->moveCursor(QTextCursor::End);
        }
    });
    textBoxes_[which] = box;
    return box;
}

QLineEdit* EditorForm::makeNameBox() {
    nameBox_ = new QLineEdit;
    nameBox_->setObjectName("name");
    nameBox_->setMaxLength(static_cast<int>(config::kEditorNameCharacters));
    connect(nameBox_, &QLineEdit::textEdited, this, [this](const QString& text) {
        controller_.typeText(EditorText::Name, text.toStdString());
    });
    return nameBox_;
}

QLabel* EditorForm::makeLabel(config::EditorLabel which) {
    auto* shown = new QLabel;
    shown->setTextFormat(Qt::PlainText);
    shown->setMinimumWidth(shown->fontMetrics().horizontalAdvance("MMMMMMMMMM (999)"));
    labels_[which] = shown;
    return shown;
}

void EditorForm::buildPage() {
    if (page_) {
        // The page goes at once from the dialog; the widget itself when the event that
        // changed pages (perhaps a click on one of its buttons) is over.
        pageHost_->removeWidget(page_);
        page_->hide();
        page_->setParent(nullptr);
        page_->deleteLater();
    }
    lists_.clear();
    combos_.clear();
    buttons_.clear();
    toggles_.clear();
    textBoxes_.clear();
    labels_.clear();
    nameBox_ = nullptr;

    const EditorPage shown = controller_.page();
    switch (shown) {
        case EditorPage::TagNames: page_ = tagNamesPage(); break;
        case EditorPage::Attributes: page_ = attributesPage(); break;
        case EditorPage::AttributeValues: page_ = attributeValuesPage(); break;
        case EditorPage::Categories: page_ = categoriesPage(); break;
        case EditorPage::Entities: page_ = entitiesPage(); break;
        case EditorPage::Notes: page_ = notesPage(); break;
    }
    page_->setObjectName(kPageNames[static_cast<int>(shown)]);
    pageHost_->addWidget(page_);
    {
        const QSignalBlocker quiet(tabs_);
        tabs_->setCurrentIndex(static_cast<int>(shown));
    }
    for (const auto& [which, widget] : lists_) fill(which);
    for (const auto& [which, widget] : combos_) fill(which);
    refresh();
    if (shown == EditorPage::Notes) {
        textBoxes_[EditorText::Notes]->setFocus();
    } else if (!lists_.empty()) {
        lists_.begin()->second->setFocus();
    }
}

// ---- Following the controller ------------------------------------------------------------------

void EditorForm::fill(EditorList which) {
    QStringList rows;
    const int count = controller_.rowCount(which);
    rows.reserve(count);
    for (int r = 0; r < count; ++r) rows << q(controller_.rowText(which, r));
    if (QListWidget* widget = list(which)) {
        const QSignalBlocker quiet(widget);
        widget->clear();
        widget->addItems(rows);
    }
    if (QComboBox* widget = combo(which)) {
        const QSignalBlocker quiet(widget);
        widget->clear();
        widget->addItems(rows);
    }
}

void EditorForm::applyChange(const config::ListChange& change) {
    using Kind = config::ListChange::Kind;
    if (change.kind == Kind::Reset) {
        fill(change.list);
        return;
    }
    if (QListWidget* widget = list(change.list)) {
        const QSignalBlocker quiet(widget);
        if (change.kind == Kind::Inserted) {
            widget->insertItem(change.row, q(controller_.rowText(change.list, change.row)));
        } else {
            delete widget->takeItem(change.row);
        }
    }
    if (QComboBox* widget = combo(change.list)) {
        const QSignalBlocker quiet(widget);
        if (change.kind == Kind::Inserted) {
            widget->insertItem(change.row, q(controller_.rowText(change.list, change.row)));
        } else {
            widget->removeItem(change.row);
        }
    }
}

void EditorForm::refresh() {
    for (const auto& [which, widget] : lists_) {
        if (widget->selectionMode() == QAbstractItemView::NoSelection) continue;
        const int selected = controller_.selectedRow(which);
        const QList<QListWidgetItem*> shown = widget->selectedItems();
        const int shownRow = shown.isEmpty() ? -1 : widget->row(shown.front());
        if (selected == shownRow) continue;
        const QSignalBlocker quiet(widget);
        if (selected < 0) {
            widget->clearSelection();
            widget->setCurrentItem(nullptr);
        } else {
            widget->setCurrentRow(selected);
            widget->scrollToItem(widget->item(selected));
        }
    }
    for (const auto& [which, widget] : combos_) {
        const int selected = controller_.selectedRow(which);
        if (widget->currentIndex() == selected) continue;
        const QSignalBlocker quiet(widget);
        widget->setCurrentIndex(selected);
    }
    for (const auto& [which, widget] : toggles_) {
        const bool on = controller_.isChecked(which);
        if (widget->isChecked() != on) {
            const QSignalBlocker quiet(widget);
            widget->setChecked(on);
        }
    }
    for (const auto& [which, widget] : textBoxes_) {
        widget->setEnabled(controller_.isEnabled(which));
        const QString text = q(controller_.text(which));
        if (widget->toPlainText() != text) {
            const QSignalBlocker quiet(widget);
            widget->setPlainText(text);
        }
    }
    if (nameBox_) {
        const QString text = q(controller_.text(EditorText::Name));
        if (nameBox_->text() != text) nameBox_->setText(text);
    }
    for (const auto& [which, widget] : labels_) widget->setText(q(controller_.label(which)));
}

void EditorForm::apply(const config::EditorUpdate& update) {
    if (update.closed) {
        closing_ = true;
        QDialog::accept();
        return;
    }
    if (update.pageChanged) {
        buildPage();
    } else {
        for (const config::ListChange& change : update.lists) applyChange(change);
        refresh();
    }
    if (update.selectNameText && nameBox_) {
        nameBox_->setFocus();
        nameBox_->selectAll();
    }
}

void EditorForm::reject() {
    if (closing_) {
        QDialog::reject();
        return;
    }
    apply(controller_.press(EditorButton::Close));
}

void EditorForm::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        // The dialog's focus widget: the control that has the focus while the dialog is the
        // active window.
        apply(controller_.pressEnter(nameBox_ && focusWidget() == nameBox_));
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---- What the page shown holds ---------------------------------------------------------------

QListWidget* EditorForm::list(EditorList which) const {
    auto found = lists_.find(which);
    return found == lists_.end() ? nullptr : found->second;
}

QComboBox* EditorForm::combo(EditorList which) const {
    auto found = combos_.find(which);
    return found == combos_.end() ? nullptr : found->second;
}

QPushButton* EditorForm::button(EditorButton which) const {
    if (auto found = buttons_.find(which); found != buttons_.end()) return found->second;
    auto found = dialogButtons_.find(which);
    return found == dialogButtons_.end() ? nullptr : found->second;
}

QAbstractButton* EditorForm::toggle(EditorToggle which) const {
    auto found = toggles_.find(which);
    return found == toggles_.end() ? nullptr : found->second;
}

QPlainTextEdit* EditorForm::textBox(EditorText which) const {
    auto found = textBoxes_.find(which);
    return found == textBoxes_.end() ? nullptr : found->second;
}

QLabel* EditorForm::label(config::EditorLabel which) const {
    auto found = labels_.find(which);
    return found == labels_.end() ? nullptr : found->second;
}

}  // namespace gui
