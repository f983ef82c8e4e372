// The six pages of the HTML Configuration editor, each laid out as its template: the source
// list with the name box and the New and Delete buttons on the left, "->" and "<-", the
// destination list, and the settings of the entry being configured on the right.
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor_form.h"

namespace gui {
namespace {

using config::EditorButton;
using config::EditorList;
using config::EditorText;
using config::EditorToggle;

QString q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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

}  // namespace gui
