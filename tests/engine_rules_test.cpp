// Rules of the validation run that the golden cases do not reach: each case is a small document
// and the messages it raises, as "mwNN@line" (a validator comment, which has no line, as
// "mwNNN"), with the message text where the text is the rule. Every document is checked with
// the shortcuts of a run and without them, and both must give the same messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/cfg_store.h"
#include "engine/validator.h"
#include "messages/message_ids.h"
#include "messages/message_store.h"
#include "platform_testing/fake_clock.h"
#include "test_support.h"

namespace {

constexpr std::string_view kEntries = R"cfg(
category Test
  id 2
active Test

tag SCRIPT
  category Test
  closing required
  ignore-to-closing yes
  valid-in (everywhere)
tag P
  category Test
  closing optional
  valid-in (everywhere)
  attributes ALIGN TITLE@upper
tag B
  category Test
  closing required
  valid-in (everywhere)
# Two IMG entries list the required SRC, which shows a message when used, and ALT, which is
# warned about when missing.
tag IMG
  category Test
  closing none
  valid-in (everywhere)
  attributes ALT SRC
tag IMG
  category Test
  closing none
  valid-in (everywhere)
  attributes ALT SRC
# Two DD entries disagree on the closing tag: DD takes an optional one.
tag DD
  category Test
  closing required
  valid-in (everywhere)
tag DD
  category Test
  closing none
  valid-in (everywhere)
tag MIVA
  category Test
  closing none
  valid-in (everywhere)
  attributes TITLE@upper
# EM lists two attributes whose names differ in case only; Q one that shows both messages.
tag EM
  category Test
  closing optional
  valid-in (everywhere)
  attributes TITLE@upper title@lower
tag Q
  category Test
  closing optional
  valid-in (everywhere)
  attributes VALIGN
# VT has an attribute for each value type whose edges the cases try, and NONE one whose only
# value is an ordinary value with an empty name.
tag VT
  category Test
  closing none
  valid-in (everywhere)
  attributes PCT HEX AN CH C16 C140 NONE

# DIV carries an id and a class: tags of one pattern with ids of their own.
tag DIV
  category Test
  closing required
  valid-in (everywhere)
  attributes ID CLASS

attribute ID
  category Test
  values "(alphanum string)"
attribute CLASS
  category Test
  values "(string 4)"
attribute ALT
  category Test
  warn-if-missing yes
  values "(string 4)"
attribute SRC
  category Test
  required yes
  show-message yes
  message "SRC used."
  values "(string 4)"
attribute ALIGN
  category Test
  values left right
attribute TITLE
  label upper
  category Test
  values "(string 4)"
attribute title
  label lower
  category Test
  values "(string 4)"
attribute VALIGN
  category Test
  show-message yes
  message "VALIGN used."
  show-invalid-message yes
  invalid-message "VALIGN takes top."
  values top
attribute NONE
  category Test
  values ""
value ""
  category Test
  quotes may-either
  case insensitive
attribute PCT
  category Test
  values "(percent)"
attribute HEX
  category Test
  values "(six digit HEX)"
attribute AN
  category Test
  values "(alphanum string)"
attribute CH
  category Test
  values "(single character)"
attribute C16
  category Test
  values "(16 color names)"
attribute C140
  category Test
  values "(Netscape color names)"

value left
  category Test
  quotes may-double
  case insensitive
value right
  category Test
  quotes may-double
  case insensitive
value top
  category Test
  quotes may-either
  case insensitive
)cfg";

const CfgStore& configuration() { return testing_support::sharedConfiguration(kEntries); }

// The messages of one run, in the report's order.
std::vector<std::string> runFindings(std::string_view document, const options::Options& options,
                                     bool shortcuts, bool withText) {
    messages::MessageStore store(options);
    EXPECT_EQ(testing_support::validateInto(store, document, options, &configuration(), nullptr,
                                            shortcuts),
              1);
    std::vector<std::string> result;
    for (const messages::MsgStore* record : store.records()) {
        std::string finding = messages::messageId(record->number);
        if (!record->isComment()) finding += "@" + std::to_string(record->effectiveLine());
        if (withText) finding += " " + std::string(record->text.view());
        result.push_back(std::move(finding));
    }
    return result;
}

struct Case {
    const char* document;
    std::vector<std::string> expected;
};

void expectCases(const std::vector<Case>& cases, options::Options options, bool withText = false) {
    options.MaximumErrors = 9999;
    options.MaximumWarnings = 9999;
    for (const Case& c : cases) {
        EXPECT_EQ(runFindings(c.document, options, true, withText), c.expected) << c.document;
        EXPECT_EQ(runFindings(c.document, options, false, withText), c.expected)
            << c.document << " (without the shortcuts)";
    }
}

options::Options quietOptions() {
    options::Options options = testing_support::testOptions();
    options.ShowComments = 0;
    return options;
}

// Comments, server and processing blocks end only at their own terminators; quotes inside
// them open nothing.
TEST(EngineRules, BlocksEndAtTheirOwnTerminators) {
    expectCases(
        {
            // "<!-" begins no strict comment: its ">" ends it.
            {"<!-x>\n<B>x</B>\n", {"mw87@1"}},
            // "<#" begins no processing block.
            {"<#x>\n", {"mw65@1"}},
            {"<## a #> b ##>\n", {}},
            {"<!-- a -> b -->\n", {"mw102@1"}},
            {"<!-- it's -->\n<B>x</B>\n", {}},
            // A server block opened inside a tag ends at a "%>" after its "<%".
            {"<P TITLE=<%>%>>\n", {}},
        },
        quietOptions());
}

// While the text up to a closing tag is ignored, quotes inside tags are not followed and the
// findings of comments, quotes and unended tags are not raised.
TEST(EngineRules, IgnoredTextRaisesNothing) {
    expectCases(
        {
            {"<SCRIPT>\nif (a <b) return; // don't\n</SCRIPT>\n", {}},
            {"<SCRIPT>\n<!-- a < b > c -->\n</SCRIPT>\n", {}},
            {"<SCRIPT>\n<b &[x\n", {"mw69@1", "mw91@2"}},
            {"<SCRIPT>\n<b\n", {"mw69@1", "mw91@2"}},
        },
        quietOptions());
}

// The table of a tag: a tag named by a collapsed word accepts every attribute, and an
// attribute put in for a missing one is never taken as used (its message is not shown).
TEST(EngineRules, EntriesMarkedInTheTable) {
    expectCases(
        {
            {"<MIVA BOGUS=1 TITLE>\n", {}},
            // Each missing attribute is reported once, though both entries list it.
            {"<IMG>\n<IMG SRC=a>\n", {"mw107@1", "mw79@1", "mw107@2", "mwconfig@2"}},
            {"<DD>\n</DD>\n<DD>\n", {"mw100@1"}},
        },
        quietOptions());
}

// Messages of attributes: those of the attributes used come before those of the values that
// did not validate (the report files them after the line's errors); a list of valid attributes names each name once, whatever its case.
TEST(EngineRules, AttributeMessagesAndLists) {
    expectCases({{"<Q VALIGN=up>\n<EM BOGUS>\n",
                  {"mw86@1 The attribute \"VALIGN\" has an invalid attribute value \"up\". This "
                   "attribute must have the following value: \"top\".",
                   "mwconfig@1 VALIGN used.", "mwconfig@1 VALIGN takes top.",
                   "mw85@2 The attribute \"BOGUS\" is not valid for the tag name \"EM\". The only "
                   "valid attribute for this tag name is TITLE."}}},
                quietOptions(), true);
}

// The value types at their edges, and every colour name of the two lists.
TEST(EngineRules, ValueTypes) {
    expectCases(
        {
            {"<VT NONE>\n<VT NONE=\"\">\n", {"mw89@1"}},
            {"<VT PCT=0%>\n<VT PCT=%>\n<VT PCT=101%>\n<VT PCT=100%>\n<VT PCT=007%>\n", {"mw86@2", "mw86@3"}},
            {"<VT HEX=#00ffAA>\n<VT HEX=#1234567>\n<VT HEX=#12345>\n", {"mw86@2", "mw86@3"}},
            {"<VT AN=a-1.B>\n<VT AN=\"\">\n<VT AN=a_b>\n", {"mw86@2", "mw86@3"}},
            // One character, though UTF-8 takes two bytes for it.
            {"<VT CH=\"\xC3\xA9\">\n<VT CH=ab>\n", {"mw93@1", "mw86@2"}},
        },
        quietOptions());

    const char* const basic[] = {"aqua", "black", "blue",   "fuchsia", "gray",   "green",
                                 "lime", "maroon", "navy",  "olive",   "purple", "red",
                                 "silver", "teal", "white", "yellow"};
    const char* const extended[] = {
        "aliceblue", "antiquewhite", "aqua", "aquamarine", "azure", "beige", "bisque", "black",
        "blanchedalmond", "blue", "blueviolet", "brown", "burlywood", "cadetblue", "chartreuse",
        "chocolate", "coral", "cornflowerblue", "cornsilk", "crimson", "cyan", "darkblue",
        "darkcyan", "darkgoldenrod", "darkgray", "darkgreen", "darkkhaki", "darkmagenta",
        "darkolivegreen", "darkorange", "darkorchid", "darkred", "darksalmon", "darkseagreen",
        "darkslateblue", "darkslategray", "darkturquoise", "darkviolet", "deeppink",
        "deepskyblue", "dimgray", "dodgerblue", "firebrick", "floralwhite", "forestgreen",
        "fuchsia", "gainsboro", "ghostwhite", "gold", "goldenrod", "gray", "green",
        "greenyellow", "honeydew", "hotpink", "indianred", "indigo", "ivory", "khaki",
        "lavender", "lavenderblush", "lawngreen", "lemonchiffon", "lightblue", "lightcoral",
        "lightcyan", "lightgoldenrodyellow", "lightgreen", "lightgrey", "lightpink",
        "lightsalmon", "lightseagreen", "lightskyblue", "lightslategray", "lightsteelblue",
        "lightyellow", "lime", "limegreen", "linen", "magenta", "maroon", "mediumaquamarine",
        "mediumblue", "mediumorchid", "mediumpurple", "mediumseagreen", "mediumslateblue",
        "mediumspringgreen", "mediumturquoise", "mediumvioletred", "midnightblue", "mintcream",
        "mistyrose", "moccasin", "navajowhite", "navy", "oldlace", "olive", "olivedrab",
        "orange", "orangered", "orchid", "palegoldenrod", "palegreen", "paleturquoise",
        "palevioletred", "papayawhip", "peachpuff", "peru", "pink", "plum", "powderblue",
        "purple", "red", "rosybrown", "royalblue", "saddlebrown", "salmon", "sandybrown",
        "seagreen", "seashell", "sienna", "silver", "skyblue", "slateblue", "slategray", "snow",
        "springgreen", "steelblue", "tan", "teal", "thistle", "tomato", "turquoise", "violet",
        "wheat", "white", "whitesmoke", "yellow", "yellowgreen"};
    ASSERT_EQ(std::size(extended), 140u);
    std::string colours;
    for (const char* name : basic) colours += "<VT C16=" + std::string(name) + ">\n";
    for (const char* name : extended) colours += "<VT C140=" + std::string(name) + ">\n";
    colours += "<VT C16=orange C140=lightgray>\n";
    expectCases({{colours.c_str(), {"mw86@157", "mw86@157"}}}, quietOptions());
}

// Tags that differ only in what stands between the quotes of their values (one pattern) are
// each checked for their own values: the first of a pattern is checked in full and the later
// ones against the lists that took its values, so a value those lists refuse, an empty one
// where a string is asked for, other quotes and a repeated id are still found.
TEST(EngineRules, TagsOfOnePatternKeepTheirOwnValues) {
    options::Options ids = quietOptions();
    ids.CheckDuplicateIds = 1;
    expectCases(
        {
            {"<VT PCT=\"5%\" HEX=\"#00ffAA\">\n<VT PCT=\"6%\" HEX=\"#00ffAB\">\n"
             "<VT PCT=\"101%\" HEX=\"#00ffAC\">\n<VT PCT=\"7%\" HEX=\"#00ffA\">\n"
             "<VT PCT=\"\" HEX=\"#000000\">\n<VT PCT=\"8%\" HEX=\"#000001\">\n",
             {"mw86@3", "mw86@4", "mw86@5"}},
            {"<P TITLE=\"a\">\n<P TITLE=\"b c\">\n<P TITLE=\"\">\n<P TITLE=\"d\">\n", {"mw86@3"}},
            {"<P ALIGN=\"left\">\n<P ALIGN=\"right\">\n<P ALIGN=\"RIGHT\">\n<P ALIGN=\"middle\">\n"
             "<P ALIGN='left'>\n<P ALIGN='right'>\n",
             {"mw86@4", "mw301@5", "mw301@6"}},
            // A tag of the pattern over two lines, and one whose value holds a "<".
            {"<P TITLE=\"a\">\n<P\nTITLE=\"b\">\n<P TITLE=\"x<y\">\n<P\nTITLE=\"\">\n", {"mw86@5"}},
        },
        quietOptions());
    expectCases(
        {
            {"<DIV ID=\"a1\" CLASS=\"c\"></DIV>\n<DIV ID=\"a2\" CLASS=\"d\"></DIV>\n"
             "<DIV ID=\"a1\" CLASS=\"e\"></DIV>\n<DIV ID=\"a-3\" CLASS=\"f\"></DIV>\n"
             "<DIV ID=\"a 4\" CLASS=\"g\"></DIV>\n<DIV ID=\"a2\" CLASS=\"\"></DIV>\n",
             {"mw305@3", "mw86@5", "mw86@6", "mw305@6"}},
        },
        ids);
}

// Every name of the three built-in entity tables is accepted as written, whatever the
// configuration; DEL is no high ASCII character.
TEST(EngineRules, BuiltInEntitiesAndHighAscii) {
    const char* const names[] = {
        // ISO 8859-1, with amp, gt, lt and quot
        "Aacute", "aacute", "Acirc", "acirc", "acute", "AElig", "aelig", "Agrave", "agrave",
        "Aring", "aring", "Atilde", "atilde", "Auml", "auml", "brvbar", "Ccedil", "ccedil",
        "cedil", "cent", "copy", "curren", "deg", "divide", "Eacute", "eacute", "Ecirc", "ecirc",
        "Egrave", "egrave", "ETH", "eth", "Euml", "euml", "frac12", "frac14", "frac34",
        "Iacute", "iacute", "Icirc", "icirc", "iexcl", "Igrave", "igrave", "iquest", "Iuml",
        "iuml", "laquo", "macr", "micro", "middot", "nbsp", "not", "Ntilde", "ntilde", "Oacute",
        "oacute", "Ocirc", "ocirc", "Ograve", "ograve", "ordf", "ordm", "Oslash", "oslash",
        "Otilde", "otilde", "Ouml", "ouml", "para", "plusmn", "pound", "raquo", "reg", "sect",
        "shy", "sup1", "sup2", "sup3", "szlig", "THORN", "thorn", "times", "Uacute", "uacute",
        "Ucirc", "ucirc", "Ugrave", "ugrave", "uml", "Uuml", "uuml", "Yacute", "yacute", "yen",
        "yuml", "amp", "gt", "lt", "quot",
        // symbols and Greek letters
        "alefsym", "Alpha", "alpha", "and", "ang", "asymp", "Beta", "beta", "bull", "cap", "Chi",
        "chi", "clubs", "cong", "crarr", "cup", "dArr", "darr", "Delta", "delta", "diams",
        "empty", "Epsilon", "epsilon", "equiv", "Eta", "eta", "exist", "forall", "frasl",
        "Gamma", "gamma", "ge", "hArr", "harr", "hearts", "hellip", "image", "infin", "int",
        "Iota", "iota", "isin", "Kappa", "kappa", "Lambda", "lambda", "lang", "lArr", "larr",
        "lceil", "le", "lfloor", "lowast", "loz", "minus", "Mu", "mu", "nabla", "ne", "ni",
        "notin", "nsub", "Nu", "nu", "oline", "Omega", "omega", "Omicron", "omicron", "oplus",
        "or", "otimes", "part", "perp", "Phi", "phi", "Pi", "pi", "piv", "Prime", "prime",
        "prod", "prop", "Psi", "psi", "radic", "rang", "rArr", "rarr", "rceil", "real", "rfloor",
        "Rho", "rho", "sdot", "Sigma", "sigma", "sigmaf", "sim", "spades", "sub", "sube", "sum",
        "sup", "supe", "Tau", "tau", "there4", "Theta", "theta", "thetasym", "trade", "uArr",
        "uarr", "Upsilon", "upsih", "upsilon", "weierp", "Xi", "xi", "Zeta", "zeta",
        // special entities
        "bdquo", "circ", "Dagger", "dagger", "emsp", "ensp", "ldquo", "lrm", "lsaquo", "lsquo",
        "mdash", "ndash", "OElig", "oelig", "permil", "rdquo", "rlm", "rsaquo", "rsquo", "sbquo",
        "Scaron", "scaron", "thinsp", "tilde", "Yuml", "zwj", "zwnj"};
    ASSERT_EQ(std::size(names), 100u + 123u + 27u);
    std::string document;
    for (const char* name : names) document += "&" + std::string(name) + ";\n";
    options::Options options = quietOptions();
    options.CheckForHighASCII = 1;
    expectCases({{document.c_str(), {}}, {"a\x7F\n\x7F\x7F\x7F\x7F\x7F\x7F\x7F\x7F\x7F\n", {}}},
                options);
}

// The form of a tag: a quoted tag name, and the unquoted token before an "=" that the reader
// takes only up to 511 characters. A token that ends the tag is no such token.
TEST(EngineRules, TokenForms) {
    const std::string name511(511, 'a');
    const std::string name512(512, 'a');
    const std::string long600(600, 'x');
    const std::string tag511 = "<P " + name511 + "=left>\n";
    const std::string tag512 = "<P " + name512 + "=left>\n";
    const std::string value600 = "<P TITLE=" + long600 + ">\n<P " + long600 + ">\n";
    expectCases(
        {
            {"<'P'>\n<\"P\">\n", {"mw55@1", "mw55@2"}},
            // Only an unquoted "=" stands where the value should.
            {"<P TITLE=\"=\">\n", {}},
            {tag511.c_str(), {"mw85@1"}},
            {tag512.c_str(), {"mw58@1"}},
            {value600.c_str(), {"mw85@2"}},
        },
        quietOptions());

    // "</ name>": the name after the blanks is cut to 78 characters, so that with its "/" it
    // fits a name of 79.
    const std::string name79(79, 'a');
    const std::string closing = "</ " + name79 + ">\n";
    const std::string joined = "/" + name79.substr(0, 78);
    expectCases({{closing.c_str(),
                  {"mw73@1 The '/' in the closing tag \"" + joined +
                       "\" is followed by one or more spaces.",
                   "mw75@1 The closing tag for \"" + joined.substr(1) +
                       "\" was found, but the tag was never opened or has been closed too "
                       "many times."}}},
                quietOptions(), true);
}

}  // namespace
