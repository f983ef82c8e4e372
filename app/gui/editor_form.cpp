#include "editor_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
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

// A labelled column: the static text above its control, the text's accelerator leading there.
QVBoxLayout* labelled(const char* text, QWidget* control) {
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    auto* label = new QLabel(q(text));
    label->setBuddy(control);
    column->addWidget(label);
    column->addWidget(control);
    return column;
}

// Buttons side by side.
QHBoxLayout* row(std::initializer_list<QWidget*> widgets) {
    auto* line = new QHBoxLayout;
    for (QWidget* widget : widgets) line->addWidget(widget);
    return line;
}

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
                [this, which] { apply(controller_.press(which)); });
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

// ---- Pages ---------------------------------------------------------------------------------

namespace {

// The "->" and "<-" buttons between a source list and a destination list.
QVBoxLayout* arrows(QPushButton* add, QPushButton* remove) {
    auto* column = new QVBoxLayout;
    column->addStretch(1);
    column->addWidget(add);
    column->addWidget(remove);
    column->addStretch(1);
    for (QPushButton* button : {add, remove}) {
        button->setFixedWidth(button->fontMetrics().horizontalAdvance("<-") + 32);
    }
    return column;
}

QGroupBox* group(const char* title, std::initializer_list<QWidget*> widgets) {
    auto* box = new QGroupBox(q(title));
    auto* column = new QVBoxLayout(box);
    for (QWidget* widget : widgets) column->addWidget(widget);
    return box;
}

}  // namespace

QWidget* EditorForm::tagNamesPage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);

    auto* source = labelled("Tag names:", makeList(EditorList::TagNames));
    source->addWidget(makeNameBox());
    source->addLayout(row({makeButton("Ne&w Tag", EditorButton::New),
                           makeButton("De&lete Tag", EditorButton::Delete)}));
    layout->addLayout(source, 1);
    layout->addLayout(arrows(makeButton("->", EditorButton::Add),
                             makeButton("<-", EditorButton::Remove)));

    auto* range = labelled("Tag range:", makeList(EditorList::TagRange));
    auto* view = new QGroupBox("Range View");
    auto* viewRow = new QHBoxLayout(view);
    viewRow->addWidget(makeRadio("Vali&d", EditorToggle::RangeValid));
    viewRow->addWidget(makeRadio("Inv&alid", EditorToggle::RangeInvalid));
    range->addWidget(view);
    range->addWidget(makeButton("Analyze", EditorButton::Analyze));
    layout->addLayout(range, 1);

    auto* settings = new QVBoxLayout;
    settings->addWidget(group("Tag Name Being Configured",
                              {makeCombo(EditorList::TagBeingConfigured)}));
    settings->addLayout(labelled("Tag Name Category", makeCombo(EditorList::CategoryChoice)));
    settings->addWidget(group("Closing Tag",
                              {makeRadio("&No closing tag", EditorToggle::NoClosingTag),
                               makeRadio("&Optional", EditorToggle::OptionalClosingTag),
                               makeRadio("&Required closing tag",
                                         EditorToggle::RequiredClosingTag)}));
    settings->addWidget(makeCheck("I&gnore to closing tag", EditorToggle::IgnoreToClosingTag));
    settings->addWidget(
        makeCheck("Warn if &tag has no attributes", EditorToggle::WarnIfTagHasNoAttributes));
    settings->addWidget(
        makeCheck("Dis&play message when used", EditorToggle::TagDisplayMessageWhenUsed));
    settings->addLayout(labelled("&Message When Used", makeTextBox(EditorText::TagMessageWhenUsed)),
                        1);
    layout->addLayout(settings, 1);
    return page;
}

QWidget* EditorForm::attributesPage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);

    auto* source = labelled("Attributes:", makeList(EditorList::Attributes));
    source->addWidget(makeNameBox());
    source->addLayout(row({makeButton("New A&ttribute", EditorButton::New),
                           makeButton("Delete Attri&bute", EditorButton::Delete)}));
    source->addLayout(labelled("Attribute category:", makeCombo(EditorList::CategoryChoice)));
    layout->addLayout(source, 1);
    layout->addLayout(arrows(makeButton("->", EditorButton::Add),
                             makeButton("<-", EditorButton::Remove)));

    auto* destination = labelled("Tag attributes:", makeList(EditorList::TagAttributes));
    auto* owner = new QHBoxLayout;
    owner->addWidget(new QLabel("Attributes for:"));
    owner->addWidget(makeLabel(config::EditorLabel::AttributesFor), 1);
    destination->addLayout(owner);
    destination->addWidget(makeButton("Ed&it Attribute Values", EditorButton::EditAttributeValues));
    destination->addWidget(makeButton("Analyze", EditorButton::Analyze));
    layout->addLayout(destination, 1);

    auto* settings = new QVBoxLayout;
    settings->addWidget(group("Tag Name Being Configured",
                              {makeCombo(EditorList::TagBeingConfigured)}));
    settings->addWidget(makeCheck("Re&quired attribute", EditorToggle::RequiredAttribute));
    settings->addWidget(makeCheck("&Warn if missing", EditorToggle::WarnIfMissing));
    settings->addWidget(
        makeCheck("&Display message when used", EditorToggle::AttributeDisplayMessageWhenUsed));
    settings->addWidget(makeCheck("Dis&p. msg when doesn't validate",
                                  EditorToggle::AttributeDisplayMessageWhenInvalid));
    settings->addLayout(
        labelled("M&essage When Used", makeTextBox(EditorText::AttributeMessageWhenUsed)), 1);
    settings->addLayout(labelled("Message When Doesn't Validate",
                                 makeTextBox(EditorText::AttributeMessageWhenInvalid)),
                        1);
    layout->addLayout(settings, 1);
    return page;
}

QWidget* EditorForm::attributeValuesPage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);

    auto* source = labelled("Attribute values:", makeList(EditorList::AttributeValues));
    source->addWidget(makeNameBox());
    source->addLayout(row({makeButton("Ne&w Value", EditorButton::New),
                           makeButton("De&lete Value", EditorButton::Delete)}));
    source->addLayout(labelled("Attribute value category:", makeCombo(EditorList::CategoryChoice)));
    layout->addLayout(source, 1);
    layout->addLayout(arrows(makeButton("->", EditorButton::Add),
                             makeButton("<-", EditorButton::Remove)));

    auto* destination =
        labelled("Attribute's attribute values:", makeList(EditorList::AttributeValueList));
    auto* owner = new QHBoxLayout;
    owner->addWidget(new QLabel("Values for:"));
    owner->addWidget(makeLabel(config::EditorLabel::ValuesFor), 1);
    destination->addLayout(owner);
    destination->addLayout(row({makeButton("Prev. Attribute", EditorButton::PrevAttribute),
                                makeButton("Next Attribute", EditorButton::NextAttribute)}));
    destination->addWidget(makeButton("Analyze", EditorButton::Analyze));
    layout->addLayout(destination, 1);

    auto* settings = new QVBoxLayout;
    settings->addWidget(group("Attribute Being Configured",
                              {makeCombo(EditorList::AttributeBeingConfigured)}));
    settings->addWidget(group(
        "Allowable Quotation",
        {makeRadio("&Must be double quoted", EditorToggle::MustBeDoubleQuoted),
         makeRadio("M&ay be double quoted", EditorToggle::MayBeDoubleQuoted),
         makeRadio("Ca&nnot be quoted", EditorToggle::CannotBeQuoted),
         makeRadio("M&ust be single quoted", EditorToggle::MustBeSingleQuoted),
         makeRadio("Mus&t be single or double quoted", EditorToggle::MustBeSingleOrDoubleQuoted),
         makeRadio("Ma&y be single or double quoted", EditorToggle::MayBeSingleOrDoubleQuoted)}));
    settings->addWidget(makeCheck("Case sensitive", EditorToggle::CaseSensitive));
    settings->addStretch(1);
    layout->addLayout(settings, 1);
    return page;
}

QWidget* EditorForm::categoriesPage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);

    auto* source = labelled("Categories:", makeList(EditorList::Categories));
    source->addWidget(makeNameBox());
    source->addLayout(row({makeButton("Ne&w Category", EditorButton::New),
                           makeButton("De&lete Category", EditorButton::Delete)}));
    layout->addLayout(source, 1);
    layout->addLayout(arrows(makeButton("->", EditorButton::Add),
                             makeButton("<-", EditorButton::Remove)));

    auto* destination = labelled("Active categories:", makeList(EditorList::ActiveCategories));
    destination->addWidget(
        makeButton("Clean HTML Configuration", EditorButton::CleanConfiguration));
    layout->addLayout(destination, 1);
    return page;
}

QWidget* EditorForm::entitiesPage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);

    auto* source = labelled("Character entities:", makeList(EditorList::Entities));
    source->addWidget(makeNameBox());
    source->addLayout(row({makeButton("Ne&w Entity", EditorButton::New),
                           makeButton("De&lete Entity", EditorButton::Delete)}));
    source->addLayout(labelled("Entity category:", makeCombo(EditorList::CategoryChoice)));
    layout->addLayout(source, 1);

    layout->addLayout(labelled("HTML 2.0 Entities", makeList(EditorList::Html20Entities, true)), 1);
    layout->addLayout(
        labelled("Math, Greek, Symbols", makeList(EditorList::MathGreekEntities, true)), 1);
    layout->addLayout(labelled("Special Entities", makeList(EditorList::SpecialEntities, true)), 1);
    return page;
}

QWidget* EditorForm::notesPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* notes = new QGroupBox("HTML Configuration &Notes");
    auto* inside = new QVBoxLayout(notes);
    inside->addWidget(makeTextBox(EditorText::Notes));
    layout->addWidget(notes);
    return page;
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
