// The realistic HTML Configuration: HTML 4.01 as rule tables. Values come first, then the
// attributes that take them, then the tag names with their ranges and attributes, then the
// configuration entities. Each table row is one entry; lists name other entries by name (or,
// for attributes, by key), and the builder turns the names into ids.
#include "realistic_config.h"

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Names = std::vector<std::string_view>;

Names operator+(Names first, const Names& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// ---- Attribute values ------------------------------------------------------------------

struct ValueRow {
    std::string_view name;
    int quotes = config::kQuoteMayDouble;
    int caseRule = config::kNotCaseSensitive;
};

// clang-format off
const ValueRow kValues[] = {
    // Alignment, vertical alignment and floating.
    {"left"}, {"right"}, {"center"}, {"justify"}, {"char"},
    {"top"}, {"middle"}, {"bottom"}, {"baseline"},
    {"all"}, {"none"},
    // Form methods and control types.
    {"get"}, {"post"},
    {"text"}, {"password"}, {"checkbox"}, {"radio"}, {"submit"}, {"reset"}, {"file"},
    {"hidden"}, {"image"}, {"button"},
    // The reserved frame targets are lower case; browsers take "_Blank" for a frame's name.
    {"_blank", config::kQuoteMayDouble, config::kCaseSensitive},
    {"_self", config::kQuoteMayDouble, config::kCaseSensitive},
    {"_parent", config::kQuoteMayDouble, config::kCaseSensitive},
    {"_top", config::kQuoteMayDouble, config::kCaseSensitive},
    // Text direction, list bullets, image map shapes.
    {"ltr"}, {"rtl"},
    {"disc"}, {"square"}, {"circle"},
    {"rect"}, {"poly"}, {"default"},
    // Table frames and rules, header cell scope.
    {"void"}, {"above"}, {"below"}, {"hsides"}, {"lhs"}, {"rhs"}, {"vsides"}, {"box"},
    {"border"}, {"groups"}, {"rows"}, {"cols"},
    {"row"}, {"col"}, {"rowgroup"}, {"colgroup"},
    // Object parameters and frame scrolling.
    {"data"}, {"ref"}, {"object"},
    {"yes"}, {"no"}, {"auto"},
};

// ---- Attributes ------------------------------------------------------------------------

// Value lists that many attributes share.
const Names kString{"(string)"};
const Names kStringOrEmpty{"(null string)", "(string)"};
const Names kLength{"(percent)", "(pos integer)"};
const Names kPixels{"(pos integer)", "(zero)"};
const Names kCount{"(pos integer)"};
const Names kColor{"(16 color names)", "(six digit HEX)"};
const Names kFlag{"(no value)"};

constexpr bool kRequired = true;
constexpr bool kOptional = false;

struct AttributeRow {
    // The attribute's name, or "name/variant" where one name takes different rules on
    // different tags (the type of an input is not the type of a script).
    std::string_view key;
    bool required;
    Names values;
    std::string_view messageWhenUsed = {};
    std::string_view messageWhenInvalid = {};
};

const AttributeRow kAttributes[] = {
    // On (almost) every element.
    {"id", kOptional, kString},
    {"class", kOptional, kString},
    {"style", kOptional, kString},
    {"title", kOptional, kString},
    {"lang", kOptional, kString},
    {"dir", kOptional, {"ltr", "rtl"}},
    {"dir/required", kRequired, {"ltr", "rtl"}},
    {"onclick", kOptional, kString},
    {"ondblclick", kOptional, kString},
    {"onmousedown", kOptional, kString},
    {"onmouseup", kOptional, kString},
    {"onmouseover", kOptional, kString},
    {"onmousemove", kOptional, kString},
    {"onmouseout", kOptional, kString},
    {"onkeypress", kOptional, kString},
    {"onkeydown", kOptional, kString},
    {"onkeyup", kOptional, kString},
    // Document and form events.
    {"onload", kOptional, kString},
    {"onunload", kOptional, kString},
    {"onsubmit", kOptional, kString},
    {"onreset", kOptional, kString},
    {"onfocus", kOptional, kString},
    {"onblur", kOptional, kString},
    {"onchange", kOptional, kString},
    {"onselect", kOptional, kString},
    // Links, sources and targets.
    {"href", kOptional, kString},
    {"href/required", kRequired, kString},
    {"src", kOptional, kString},
    {"src/required", kRequired, kString},
    {"name", kOptional, kString},
    {"name/required", kRequired, kString},
    // A frame's name, or a reserved target; a frame's name has no "_", so "_Blank" stays a
    // reserved target in the wrong case.
    {"target", kOptional, {"(alphanum string)", "_blank", "_parent", "_self", "_top"}, {},
     "A target is the name of a frame, or _blank, _self, _parent or _top in lower case."},
    {"rel", kOptional, kString},
    {"rev", kOptional, kString},
    {"hreflang", kOptional, kString},
    {"charset", kOptional, kString},
    {"type/mime", kOptional, kString},
    {"type/required", kRequired, kString},
    {"media", kOptional, kString},
    {"accesskey", kOptional, {"(single character)"}},
    {"tabindex", kOptional, kPixels},
    {"shape", kOptional, {"circle", "default", "poly", "rect"}},
    {"coords", kOptional, kString},
    {"nohref", kOptional, kFlag},
    {"usemap", kOptional, kString},
    {"ismap", kOptional, kFlag},
    {"longdesc", kOptional, kString},
    {"cite", kOptional, kString},
    {"datetime", kOptional, kString},
    // Images and objects.
    {"alt", kOptional, kStringOrEmpty},
    {"alt/required", kRequired, kStringOrEmpty},
    {"width", kOptional, kLength},
    {"width/required", kRequired, kLength},
    {"height", kOptional, kLength},
    {"height/required", kRequired, kLength},
    {"border", kOptional, kPixels},
    {"hspace", kOptional, kPixels},
    {"vspace", kOptional, kPixels},
    {"align/image", kOptional, {"bottom", "left", "middle", "right", "top"}},
    {"data", kOptional, kString},
    {"classid", kOptional, kString},
    {"codebase", kOptional, kString},
    {"codetype", kOptional, kString},
    {"archive", kOptional, kString},
    {"standby", kOptional, kString},
    {"declare", kOptional, kFlag},
    {"valuetype", kOptional, {"data", "object", "ref"}},
    {"code", kOptional, kString},
    {"object", kOptional, kString},
    // Text blocks, lists and rules.
    {"align", kOptional, {"center", "justify", "left", "right"}},
    {"clear", kOptional, {"all", "left", "none", "right"}},
    {"width/pre", kOptional, kCount},
    {"compact", kOptional, kFlag},
    {"start", kOptional, kCount},
    {"value/item", kOptional, kCount},
    {"type/bullet", kOptional, {"circle", "disc", "square"}},
    {"noshade", kOptional, kFlag},
    {"size/rule", kOptional, kCount},
    // Fonts and page colours.
    {"size/font", kOptional, {"(int offset -6 to +6)", "(integers 1 to 7)"}},
    {"size/basefont", kRequired, {"(integers 1 to 7)"}},
    {"color", kOptional, kColor},
    {"face", kOptional, kString},
    {"bgcolor", kOptional, kColor},
    {"text", kOptional, kColor},
    {"link", kOptional, kColor},
    {"vlink", kOptional, kColor},
    {"alink", kOptional, kColor},
    {"background", kOptional, kString,
     "A background image can make the text hard to read; check the contrast."},
    // Tables.
    {"summary", kOptional, kString},
    {"cellpadding", kOptional, kPixels},
    {"cellspacing", kOptional, kPixels},
    {"frame", kOptional,
     {"above", "below", "border", "box", "hsides", "lhs", "rhs", "void", "vsides"}},
    {"rules", kOptional, {"all", "cols", "groups", "none", "rows"}},
    {"align/table", kOptional, {"center", "left", "right"}},
    {"align/cell", kOptional, {"center", "char", "justify", "left", "right"}},
    {"align/caption", kOptional, {"bottom", "left", "right", "top"}},
    {"valign", kOptional, {"baseline", "bottom", "middle", "top"}},
    {"char", kOptional, {"(single character)"}},
    {"charoff", kOptional, kLength},
    {"colspan", kOptional, kCount},
    {"rowspan", kOptional, kCount},
    {"nowrap", kOptional, kFlag},
    {"abbr", kOptional, kString},
    {"axis", kOptional, kString},
    {"headers", kOptional, kString},
    {"scope", kOptional, {"col", "colgroup", "row", "rowgroup"}},
    {"span", kOptional, kCount},
    {"width/column", kOptional, {"(percent)", "(pos integer)", "(relative width)"}},
    // Forms.
    {"action", kRequired, kString},
    {"method", kOptional, {"get", "post"}},
    {"enctype", kOptional, kString},
    {"accept-charset", kOptional, kString},
    {"accept", kOptional, kString},
    {"type/input", kOptional,
     {"button", "checkbox", "file", "hidden", "image", "password", "radio", "reset", "submit",
      "text"}},
    {"type/button", kOptional, {"button", "reset", "submit"}},
    {"value", kOptional, kStringOrEmpty},
    {"size/input", kOptional, kCount},
    {"maxlength", kOptional, kCount},
    {"checked", kOptional, kFlag},
    {"selected", kOptional, kFlag},
    {"disabled", kOptional, kFlag},
    {"readonly", kOptional, kFlag},
    {"multiple", kOptional, kFlag},
    {"label", kOptional, kString},
    {"label/required", kRequired, kString},
    {"for", kOptional, kString},
    {"rows", kRequired, kCount},
    {"cols", kRequired, kCount},
    {"prompt", kOptional, kString},
    // The head.
    {"content", kRequired, kString},
    {"http-equiv", kOptional, kString},
    {"scheme", kOptional, kString},
    {"profile", kOptional, kString},
    {"version", kOptional, kString},
    {"language", kOptional, kString},
    {"defer", kOptional, kFlag},
    // Frames.
    {"frameborder", kOptional, kPixels},
    {"scrolling", kOptional, {"auto", "no", "yes"}},
    {"marginwidth", kOptional, kPixels},
    {"marginheight", kOptional, kPixels},
    {"noresize", kOptional, kFlag},
    {"rows/frameset", kOptional, kString},
    {"cols/frameset", kOptional, kString},
};

// ---- Tag names -------------------------------------------------------------------------

constexpr int kRequiredClosing = config::kClosingRequired;
constexpr int kOptionalClosing = config::kClosingOptional;
constexpr int kNoClosing = config::kClosingNone;

// Tag switches.
constexpr int kIgnoreToClosing = 1;
constexpr int kWarnNoAttributes = 2;

struct TagRow {
    std::string_view name;
    int closing;
    Names validIn;
    Names invalidIn;
    Names attributes;  // attribute keys
    int switches = 0;
    std::string_view messageWhenUsed = {};
};

const Names kEverywhere{"(everywhere)"};
const Names kFirstTag{"(first tag)"};
// The containers that hold block content (the flow).
const Names kFlow{"blockquote", "body", "center", "dd", "del", "div", "fieldset", "form",
                  "ins", "li", "noframes", "noscript", "object", "td", "th"};
// Containers of rows, items and options: a block element standing directly in one of them is
// misplaced (a paragraph between two table rows, a list directly inside a list). Only those
// whose closing tag is required: a tbody or tr left unclosed stays on the open-tag stack after
// its table has ended, and would make every block after the table misplaced.
const Names kNotForBlocks{"dir", "dl", "menu", "ol", "select", "table", "ul"};
// Anywhere in the body, but never inside themselves: the body is the only valid container,
// so an open tag of the same name nearer the top of the stack decides first.
const Names kInBody{"body"};

const Names kCore{"class", "id", "style", "title"};
const Names kI18n{"dir", "lang"};
const Names kEvents{"onclick", "ondblclick", "onkeydown", "onkeypress", "onkeyup",
                    "onmousedown", "onmousemove", "onmouseout", "onmouseover", "onmouseup"};
const Names kAttrs = kCore + kI18n + kEvents;
const Names kCellAlign{"align/cell", "char", "charoff", "valign"};
const Names kColumn = kCellAlign + Names{"span", "width/column"};

constexpr std::string_view kDeprecated = "This tag is deprecated in HTML 4.01; a style sheet "
                                         "does the same and keeps the markup plain.";

const TagRow kTags[] = {
    // The document and its head.
    {"html", kRequiredClosing, kFirstTag, {}, kI18n + Names{"version"}},
    {"head", kRequiredClosing, {"html"}, {}, kI18n + Names{"profile"}},
    {"title", kRequiredClosing, {"head"}, {}, kI18n},
    {"base", kNoClosing, {"head"}, {}, {"href/required", "target"}},
    {"meta", kNoClosing, {"head"}, {}, kI18n + Names{"content", "http-equiv", "name", "scheme"}},
    {"link", kNoClosing, {"head"}, {},
     kAttrs + Names{"charset", "href", "hreflang", "media", "rel", "rev", "target", "type/mime"}},
    {"style", kRequiredClosing, {"head"}, {}, kI18n + Names{"media", "title", "type/required"},
     kIgnoreToClosing},
    {"script", kRequiredClosing, kEverywhere, {},
     {"charset", "defer", "language", "src", "type/required"}, kIgnoreToClosing},
    {"isindex", kNoClosing, Names{"head"} + kFlow, kNotForBlocks,
     kCore + kI18n + Names{"prompt"}},
    {"body", kRequiredClosing, {"html", "noframes"}, {},
     kAttrs + Names{"alink", "background", "bgcolor", "link", "onload", "onunload", "text",
                    "vlink"}},
    {"frameset", kRequiredClosing, {"frameset", "html"}, {},
     kCore + Names{"cols/frameset", "onload", "onunload", "rows/frameset"}},
    {"frame", kNoClosing, {"frameset"}, {},
     kCore + Names{"frameborder", "longdesc", "marginheight", "marginwidth", "name", "noresize",
                   "scrolling", "src"}},
    {"noframes", kRequiredClosing, Names{"frameset"} + kFlow, {}, kAttrs},

    // Blocks.
    {"div", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"align"}},
    {"p", kOptionalClosing, kFlow, kNotForBlocks, kAttrs + Names{"align"}},
    {"h1", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"align"}},
    {"h2", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"align"}},
    {"h3", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"align"}},
    {"h4", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"align"}},
    {"h5", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"align"}},
    {"h6", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"align"}},
    {"address", kRequiredClosing, kFlow, kNotForBlocks, kAttrs},
    {"blockquote", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"cite"}},
    {"center", kRequiredClosing, kFlow, kNotForBlocks, kAttrs, 0, kDeprecated},
    {"pre", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"width/pre"}},
    {"hr", kNoClosing, kFlow, kNotForBlocks,
     kAttrs + Names{"align/table", "noshade", "size/rule", "width"}},
    {"noscript", kRequiredClosing, kFlow, kNotForBlocks, kAttrs},
    {"fieldset", kRequiredClosing, kFlow, kNotForBlocks, kAttrs},
    {"legend", kRequiredClosing, {"fieldset"}, {}, kAttrs + Names{"accesskey", "align/caption"}},

    // Lists.
    {"ul", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"compact", "type/bullet"}},
    {"ol", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"compact", "start"}},
    {"dir", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"compact"}, 0, kDeprecated},
    {"menu", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"compact"}, 0, kDeprecated},
    {"li", kOptionalClosing, {"dir", "menu", "ol", "ul"}, {},
     kAttrs + Names{"type/bullet", "value/item"}},
    {"dl", kRequiredClosing, kFlow, kNotForBlocks, kAttrs + Names{"compact"}},
    {"dt", kOptionalClosing, {"dl"}, {}, kAttrs},
    {"dd", kOptionalClosing, {"dl"}, {}, kAttrs},

    // Tables.
    {"table", kRequiredClosing, kFlow, kNotForBlocks,
     kAttrs + Names{"align/table", "bgcolor", "border", "cellpadding", "cellspacing", "frame",
                    "rules", "summary", "width"}},
    {"caption", kRequiredClosing, {"table"}, {}, kAttrs + Names{"align/caption"}},
    {"colgroup", kOptionalClosing, {"table"}, {}, kAttrs + kColumn},
    {"col", kNoClosing, {"colgroup", "table"}, {}, kAttrs + kColumn},
    {"thead", kOptionalClosing, {"table"}, {}, kAttrs + kCellAlign},
    {"tbody", kOptionalClosing, {"table"}, {}, kAttrs + kCellAlign},
    {"tfoot", kOptionalClosing, {"table"}, {}, kAttrs + kCellAlign},
    {"tr", kOptionalClosing, {"table", "tbody", "tfoot", "thead"}, {},
     kAttrs + kCellAlign + Names{"bgcolor"}},
    {"th", kOptionalClosing, {"tr"}, {},
     kAttrs + kCellAlign + Names{"abbr", "axis", "bgcolor", "colspan", "headers", "height",
                                 "nowrap", "rowspan", "scope", "width"}},
    {"td", kOptionalClosing, {"tr"}, {},
     kAttrs + kCellAlign + Names{"abbr", "axis", "bgcolor", "colspan", "headers", "height",
                                 "nowrap", "rowspan", "scope", "width"}},

    // Forms.
    {"form", kRequiredClosing, kInBody, {"form"},
     kAttrs + Names{"accept", "accept-charset", "action", "enctype", "method", "name",
                    "onreset", "onsubmit", "target"}},
    {"input", kNoClosing, kEverywhere, {},
     kAttrs + Names{"accept", "accesskey", "align/image", "alt", "checked", "disabled",
                    "maxlength", "name", "onblur", "onchange", "onfocus", "onselect",
                    "readonly", "size/input", "src", "tabindex", "type/input", "usemap",
                    "value"}},
    {"select", kRequiredClosing, kEverywhere, {},
     kAttrs + Names{"disabled", "multiple", "name", "onblur", "onchange", "onfocus",
                    "size/input", "tabindex"}},
    {"optgroup", kRequiredClosing, {"select"}, {}, kAttrs + Names{"disabled", "label/required"}},
    {"option", kOptionalClosing, {"optgroup", "select"}, {},
     kAttrs + Names{"disabled", "label", "selected", "value"}},
    {"textarea", kRequiredClosing, kEverywhere, {},
     kAttrs + Names{"accesskey", "cols", "disabled", "name", "onblur", "onchange", "onfocus",
                    "onselect", "readonly", "rows", "tabindex"}},
    {"button", kRequiredClosing, kEverywhere, {},
     kAttrs + Names{"accesskey", "disabled", "name", "onblur", "onfocus", "tabindex",
                    "type/button", "value"}},
    {"label", kRequiredClosing, kInBody, {"label"},
     kAttrs + Names{"accesskey", "for", "onblur", "onfocus"}},

    // Links, images, maps and objects.
    {"a", kRequiredClosing, kInBody, {"a"},
     kAttrs + Names{"accesskey", "charset", "coords", "href", "hreflang", "name", "onblur",
                    "onfocus", "rel", "rev", "shape", "tabindex", "target", "type/mime"},
     kWarnNoAttributes},
    {"img", kNoClosing, kEverywhere, {},
     kAttrs + Names{"align/image", "alt/required", "border", "height", "hspace", "ismap",
                    "longdesc", "name", "src/required", "usemap", "vspace", "width"},
     kWarnNoAttributes},
    {"map", kRequiredClosing, kEverywhere, {}, kAttrs + Names{"name/required"}},
    {"area", kNoClosing, {"map"}, {},
     kAttrs + Names{"accesskey", "alt/required", "coords", "href", "nohref", "onblur",
                    "onfocus", "shape", "tabindex", "target"}},
    {"object", kRequiredClosing, kEverywhere, {},
     kAttrs + Names{"align/image", "archive", "border", "classid", "codebase", "codetype",
                    "data", "declare", "height", "hspace", "name", "standby", "tabindex",
                    "type/mime", "usemap", "vspace", "width"}},
    {"param", kNoClosing, {"applet", "object"}, {},
     {"id", "name/required", "type/mime", "value", "valuetype"}},
    {"applet", kRequiredClosing, kEverywhere, {},
     kCore + Names{"align/image", "alt", "archive", "code", "codebase", "height/required",
                   "hspace", "name", "object", "vspace", "width/required"},
     0, "The APPLET tag is deprecated in HTML 4.01; use OBJECT instead."},
    {"iframe", kRequiredClosing, kEverywhere, {},
     kCore + Names{"align/image", "frameborder", "height", "longdesc", "marginheight",
                   "marginwidth", "name", "scrolling", "src", "width"}},

    // Inline text, anywhere.
    {"span", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"b", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"i", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"u", kRequiredClosing, kEverywhere, {}, kAttrs, 0, kDeprecated},
    {"s", kRequiredClosing, kEverywhere, {}, kAttrs, 0, kDeprecated},
    {"strike", kRequiredClosing, kEverywhere, {}, kAttrs, 0, kDeprecated},
    {"tt", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"big", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"small", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"em", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"strong", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"code", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"sub", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"sup", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"abbr", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"acronym", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"cite", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"dfn", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"kbd", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"samp", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"var", kRequiredClosing, kEverywhere, {}, kAttrs},
    {"q", kRequiredClosing, kEverywhere, {}, kAttrs + Names{"cite"}},
    {"ins", kRequiredClosing, kEverywhere, {}, kAttrs + Names{"cite", "datetime"}},
    {"del", kRequiredClosing, kEverywhere, {}, kAttrs + Names{"cite", "datetime"}},
    {"bdo", kRequiredClosing, kEverywhere, {}, kCore + Names{"dir/required", "lang"}},
    {"br", kNoClosing, kEverywhere, {}, kCore + Names{"clear"}},
    {"font", kRequiredClosing, kEverywhere, {},
     kCore + kI18n + Names{"color", "face", "size/font"}, 0, kDeprecated},
    {"basefont", kNoClosing, kEverywhere, {}, {"color", "face", "id", "size/basefont"}, 0,
     kDeprecated},
};

// ---- Configuration entities ------------------------------------------------------------

// Entities the built-in tables lack but documents use.
const std::string_view kEntities[] = {"apos", "euro", "fnof"};

// clang-format on

// ---- The builder -----------------------------------------------------------------------

class Builder {
  public:
    explicit Builder(CfgStore& cfg) : cfg_(cfg) {}

    void build() {
        if (!cfg_.resetToBuiltins()) fail("cannot reset the configuration");
        EntryRecord category = record(kRealisticCategory);
        category.categoryId = -1;
        category_ = add(Category, category);
        if (!cfg_.activateCategory(category_, cfg_.orderOf(Category))) {
            fail("cannot activate the category");
        }
        cfg_.setNotes(0,
                      "Realistic HTML 4.01 rules for the benchmarks, the fuzz targets and "
                      "the tests.\n");

        for (const ValueRow& row : kValues) {
            EntryRecord value = record(row.name);
            value.option0 = row.quotes;
            value.option1 = row.caseRule;
            add(AttributeValue, value);
        }
        for (const AttributeRow& row : kAttributes)
            addAttribute(row);
        // Every tag name first, so that the ranges may name any of them.
        for (const TagRow& row : kTags) {
            EntryRecord tag = record(row.name);
            tag.option0 = row.closing;
            tag.option1 = (row.switches & kIgnoreToClosing) ? 1 : 0;
            tag.option2 = row.messageWhenUsed.empty() ? 0 : 1;
            tag.option3 = (row.switches & kWarnNoAttributes) ? 1 : 0;
            const int id = add(TagName, tag);
            if (!row.messageWhenUsed.empty()) setText(TagName, id, 0, row.messageWhenUsed);
        }
        for (const TagRow& row : kTags) {
            const int id = find(TagName, row.name);
            for (std::string_view range : row.validIn)
                insert(TagName, id, 0, TagName, find(TagName, range));
            for (std::string_view range : row.invalidIn)
                insert(TagName, id, 1, TagName, find(TagName, range));
            for (std::string_view key : row.attributes)
                insert(TagName, id, 2, Attribute, attributeId(key));
        }
        for (std::string_view name : kEntities)
            add(Entity, record(name));
    }

  private:
    [[noreturn]] static void fail(const std::string& what) {
        throw std::logic_error("realistic configuration: " + what);
    }

    // A record as the editor fills it for a new user-defined entry of this category.
    EntryRecord record(std::string_view name) const {
        EntryRecord entry = EntryRecord::named(name);
        entry.categoryId = category_;
        entry.builtinType = 0;
        entry.option4 = 0;
        return entry;
    }

    int add(int kind, const EntryRecord& entry) {
        const int id = cfg_.addEntry(kind, entry);
        if (id < 0) fail(std::string("cannot add ") + entry.name);
        return id;
    }

    int find(int kind, std::string_view name) const {
        const int id = cfg_.findFirstId(kind, name);
        if (id < 0) fail("no entry named " + std::string(name));
        return id;
    }

    void setText(int kind, int id, int which, std::string_view text) {
        if (!cfg_.setEntryText(kind, ById, id, which, text)) fail("cannot set a text");
    }

    // Inserts `item` into list `list` of the entry, in the editor's order (by name); an item
    // named twice is a mistake in the tables.
    void insert(int kind, int id, int list, int itemKind, int item) {
        if (cfg_.listContains(kind, ById, id, list, item) == 1) {
            fail(std::string("an item named twice in a list of ") + cfg_.entryName(kind, ById, id));
        }
        if (!cfg_.listInsert(kind, ById, id, list, item, cfg_.orderOf(itemKind))) {
            fail("cannot insert into a list");
        }
    }

    void addAttribute(const AttributeRow& row) {
        const std::string_view name = row.key.substr(0, row.key.find('/'));
        EntryRecord attribute = record(name);
        attribute.option0 =
            row.required ? config::kAttributeRequired : config::kAttributeNotRequired;
        attribute.option1 = 0;
        attribute.option2 = row.messageWhenUsed.empty() ? 0 : 1;
        attribute.option3 = row.messageWhenInvalid.empty() ? 0 : 1;
        const int id = add(Attribute, attribute);
        if (!attributes_.emplace(row.key, id).second)
            fail("attribute key twice: " + std::string(row.key));
        if (!row.messageWhenUsed.empty()) setText(Attribute, id, 0, row.messageWhenUsed);
        if (!row.messageWhenInvalid.empty()) setText(Attribute, id, 1, row.messageWhenInvalid);
        for (std::string_view value : row.values) {
            insert(Attribute, id, 0, AttributeValue, find(AttributeValue, value));
        }
    }

    int attributeId(std::string_view key) const {
        auto it = attributes_.find(key);
        if (it == attributes_.end()) fail("no attribute with the key " + std::string(key));
        return it->second;
    }

    CfgStore& cfg_;
    int category_ = -1;
    std::map<std::string_view, int> attributes_;
};

}  // namespace

void buildRealisticConfiguration(CfgStore& configuration) {
    Builder(configuration).build();
}
