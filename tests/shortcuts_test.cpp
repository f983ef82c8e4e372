// The shortcuts of a validation run (bare tags taken at the scanner, tag texts, tag shapes and
// placings remembered as checked clean, plain tags read at once) must never change what a run
// finds: every document here is validated with them and without them, and the two reports
// must be the same bytes. The documents are the test data's own, the shipped profiles' pages,
// and generated documents built to meet the same tag texts again in other places, under other
// options and with mistakes in them. Set MARKWISE_SHORTCUT_PAGES to a folder to compare every
// .html page under it too (a corpus of real pages), and MARKWISE_SHORTCUT_DOCUMENTS to a number
// to generate that many documents instead of 900.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "config/cfg_store.h"
#include "engine/validator.h"
#include "messages/message_store.h"
#include "options/options.h"
#include "platform/files.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_ui.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDataDir = MARKWISE_TEST_DATA;
const fs::path kProfileDir = MARKWISE_PROFILE_DIR;

// Names with two entries placed by where they stand (LI in UL or OL, TD in TR or straight in
// TABLE, P in text or in FORM), attributes of one name with two entries, a category left
// inactive and one undefined, ignoring to the closing tag and a message when used: a tag
// text met again elsewhere is then placed against other entries, and what was remembered of
// it must not be taken for what holds there.
constexpr std::string_view kTwoPlaceEntries = R"cfg(
category Core
category Extra
category Old
active Core Extra

tag HTML
  category Core
  closing optional
  valid-in "(first tag)"
tag BODY
  category Core
  closing optional
  valid-in HTML
tag DIV
  category Core
  closing required
  valid-in (everywhere)
  attributes ALIGN CLASS ID
tag UL
  category Core
  closing required
  valid-in (everywhere)
  attributes TYPE@bullet CLASS
tag OL
  category Core
  closing required
  valid-in (everywhere)
  attributes TYPE@number START
tag LI
  label bullet
  category Core
  closing optional
  valid-in UL
  attributes TYPE@bullet CLASS
tag LI
  label number
  category Extra
  closing optional
  valid-in OL
  attributes TYPE@number VALUE CLASS
tag P
  label text
  category Core
  closing optional
  valid-in BODY DIV TD LI
  invalid-in P
  attributes ALIGN CLASS
tag P
  label form
  category Extra
  closing optional
  warn-no-attributes yes
  valid-in FORM
  attributes CLASS ID
tag TABLE
  category Core
  closing required
  valid-in (everywhere)
  attributes BORDER WIDTH ALIGN
tag TBODY
  category Core
  closing optional
  valid-in TABLE
tag TR
  category Core
  closing optional
  valid-in TABLE TBODY
tag TD
  label row
  category Core
  closing optional
  valid-in TR
  attributes ALIGN WIDTH CLASS
tag TD
  label loose
  category Extra
  closing optional
  valid-in TABLE
  attributes ALIGN BGCOLOR
tag A
  category Core
  closing required
  valid-in (everywhere)
  invalid-in A
  attributes HREF NAME CLASS
tag FORM
  category Core
  closing required
  valid-in (everywhere)
  attributes ACTION METHOD
tag BR
  category Core
  closing none
  valid-in (everywhere)
  attributes CLEAR
tag SPAN
  category Old
  closing required
  valid-in (everywhere)
  attributes CLASS
tag B
  category (undefined)
  closing required
  valid-in (everywhere)
tag SCRIPT
  category Core
  closing required
  ignore-to-closing yes
  valid-in (everywhere)
  attributes TYPE@script
tag FONT
  category Core
  closing required
  show-message yes
  valid-in (everywhere)
  attributes COLOR SIZE
  message "FONT is used here."

attribute TYPE
  label bullet
  category Core
  values disc circle square
attribute TYPE
  label number
  category Extra
  values 1 a i
attribute TYPE
  label script
  category Core
  values (string)
attribute CLASS
  category Core
  values (string)
attribute ID
  category Core
  values "(alphanum string)"
attribute ALIGN
  category Core
  values left right center
attribute WIDTH
  category Core
  values "(pos integer)" (percent)
attribute BORDER
  category Core
  values "(pos integer)" (zero)
attribute START
  category Core
  values "(pos integer)"
attribute VALUE
  category Extra
  values "(pos integer)"
attribute BGCOLOR
  category Old
  values "(six digit HEX)" "(16 color names)"
attribute HREF
  category Core
  required yes
  values (string)
attribute NAME
  category Core
  values (string)
attribute ACTION
  category Core
  values (string)
attribute METHOD
  category Core
  values get post
attribute CLEAR
  category Core
  values left right all
attribute COLOR
  category Core
  values "(16 color names)" "(six digit HEX)"
attribute SIZE
  category Core
  values "(integers 1 to 7)" "(int offset -6 to +6)"

value disc
  category Core
value circle
  category Core
value square
  category Core
value 1
  category Extra
value a
  category Extra
  case sensitive
value i
  category Extra
value left
  category Core
value right
  category Core
value center
  category Core
value all
  category Core
value get
  category Core
value post
  category Core

entity amp
  category Core
entity copy
  category Core
entity nbsp
  category Old
)cfg";

const CfgStore& profile(const std::string& name) {
    static std::map<std::string, std::unique_ptr<CfgStore>> loaded;
    std::unique_ptr<CfgStore>& slot = loaded[name];
    if (!slot) {
        slot = std::make_unique<CfgStore>();
        const std::string path = (kProfileDir / (name + ".cfg")).string();
        std::FILE* file = std::fopen(path.c_str(), "rb");
        EXPECT_NE(nullptr, file) << path;
        if (file != nullptr) {
            EXPECT_NE(0, slot->load(file, path)) << path;
            std::fclose(file);
        }
    }
    return *slot;
}

options::Options quietOptions() {
    options::Options options = testing_support::testOptions();
    options.EnableLogging = 0;
    return options;
}

// The on/off options of the validator, each set at random; the limits mostly high.
options::Options randomOptions(std::mt19937& random) {
    options::Options options = quietOptions();
    for (const options::OptionInfo& info : options::optionTable()) {
        if (info.group == options::OptionGroup::Validator && info.type == options::OptionType::OnOff) {
            options.*(info.intField) = static_cast<int>(random() % 2);
        }
    }
    options.EnableLogging = 0;
    options.machineReadable = static_cast<int>(random() % 4 == 0);
    options.IncludeHTMLInOutput = static_cast<int>(random() % 2);
    options.MaximumErrors = random() % 5 == 0 ? 1 + static_cast<int>(random() % 30) : 9999;
    options.MaximumWarnings = random() % 5 == 0 ? 1 + static_cast<int>(random() % 30) : 9999;
    options.LineLength = 20 + static_cast<int>(random() % 100);
    return options;
}

// Validates `document` with and without the shortcuts; true when both reports are the same.
::testing::AssertionResult sameEitherWay(const std::string& document, const options::Options& options,
                                         const CfgStore* configuration) {
    const auto fast = testing_support::validate(document, options, nullptr, "test.html", configuration, true);
    const auto plain = testing_support::validate(document, options, nullptr, "test.html", configuration, false);
    if (fast.returned == plain.returned && fast.report == plain.report) {
        return ::testing::AssertionSuccess();
    }
    std::size_t at = 0;
    while (at < fast.report.size() && at < plain.report.size() && fast.report[at] == plain.report[at]) ++at;
    const std::size_t from = at < 200 ? 0 : at - 200;
    return ::testing::AssertionFailure()
           << "the reports part at byte " << at << "\n--- with the shortcuts:\n"
           << fast.report.substr(from, 600) << "\n--- without:\n"
           << plain.report.substr(from, 600) << "\n--- the document:\n"
           << document;
}

std::vector<options::Options> optionFlavours() {
    std::vector<options::Options> flavours;
    flavours.push_back(quietOptions());
    options::Options page = quietOptions();
    page.HexadecimalEntities = 1;
    page.UnicodeNumericEntities = 1;
    page.AllowDoubleQuoteInText = 1;
    page.CheckForHighASCII = 0;
    page.MaximumErrors = 9999;
    page.MaximumWarnings = 9999;
    page.IncludeHTMLInOutput = 1;
    flavours.push_back(page);
    std::mt19937 random(7);
    for (int i = 0; i < 3; ++i) flavours.push_back(randomOptions(random));
    return flavours;
}

// ---- generated documents ------------------------------------------------------------------

// A document that meets a small set of tag texts again and again, in other places: the
// remembered texts, shapes and placings are used as often as a real page uses them, and each
// use is where a mistake of placing, nesting or values can hide.
class DocumentMaker {
public:
    explicit DocumentMaker(std::uint32_t seed) : random_(seed) {
        for (int i = 0; i < 24; ++i) known_.push_back(freshOpening());
    }

    std::string make() {
        std::string document(chance(4) ? kDoctype : "");
        if (chance(2)) document.append("<html><head><title>T</title></head><body>\n");
        const int items = 20 + static_cast<int>(random_() % 120);
        std::vector<std::string> open;
        for (int i = 0; i < items; ++i) {
            switch (random_() % 11) {
                case 0:
                case 1:
                case 2: {
                    const std::string text = chance(3) ? freshOpening() : pick(known_);
                    document += "<" + text + ">";
                    open.push_back(nameOf(text));
                    break;
                }
                case 3:
                    document += "<" + pick(kBareNames) + ">";
                    break;
                case 4:
                    if (!open.empty() && !chance(6)) {
                        document += "</" + open.back() + ">";
                        open.pop_back();
                    } else {
                        document += "</" + pick(kBareNames) + ">";
                    }
                    break;
                case 5:
                    document += pick(kTexts);
                    break;
                case 6:
                    document += chance(3) ? "\r\n" : "\n";
                    break;
                case 7:
                    document += pick(kOddities);
                    break;
                case 8:
                    document += pick(kFragments);
                    break;
                default:
                    document += "words ";
                    break;
            }
        }
        while (!open.empty() && chance(2)) {
            document += "</" + open.back() + ">\n";
            open.pop_back();
        }
        if (chance(2)) document += "</body></html>\n";
        return document;
    }

private:
    bool chance(unsigned in) { return random_() % in == 0; }
    template <typename List>
    std::string pick(const List& list) {
        return std::string(list[random_() % std::size(list)]);
    }
    static std::string nameOf(const std::string& text) {
        std::size_t end = 0;
        while (end < text.size() && text[end] != ' ' && text[end] != '\n' && text[end] != '/') ++end;
        return text.substr(0, end);
    }

    // An opening tag's text: a name and a few attributes, some of them wrong.
    std::string freshOpening() {
        std::string text = pick(kNames);
        const int attributes = static_cast<int>(random_() % 4);
        for (int i = 0; i < attributes; ++i) {
            text += chance(12) ? "\n" : " ";
            text += chance(3) ? newValue(pick(kAttributes)) : pick(kAttributes);
            if (chance(8)) text += std::to_string(random_() % 3);  // a new value now and then
        }
        if (chance(10)) text += " /";
        if (chance(14)) text += " ";
        return text;
    }

    // The attribute with a quoted value of its own: the tag text is new, its pattern (the text
    // without what stands between the quotes) is one met before, and the new value may or may
    // not be one the attribute takes.
    std::string newValue(std::string attribute) {
        const std::size_t equals = attribute.find('=');
        if (equals == std::string::npos || equals + 1 >= attribute.size()) return attribute;
        const char quote = attribute[equals + 1];
        if ((quote != '"' && quote != '\'') || attribute.back() != quote) return attribute;
        static constexpr const char* kInside[] = {"7", "42", "x", "", "%", "#", " y", "&amp;", "[",
                                                  "<", "'", "-", "9%", "#00ff0", "red", "CENTER"};
        const std::string inside = pick(kInside);
        if (inside.find(quote) != std::string::npos) return attribute;
        if (chance(4)) {  // the whole value new
            return attribute.substr(0, equals + 2) + inside + quote;
        }
        attribute.insert(attribute.size() - 1, inside + std::to_string(random_() % 50));
        return attribute;
    }

    static constexpr const char* kDoctype =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n";
    static constexpr const char* kNames[] = {
        "p", "div", "span", "a", "img", "table", "tr", "td", "th", "ul", "li", "ol", "font",
        "form", "input", "select", "option", "h1", "h2", "em", "strong", "pre", "b", "tbody",
        "col", "br", "hr", "TD", "Div", "script", "style", "textarea", "blink", "x-custom",
        "section", "nav", "button", "label", "meta", "area", "map", "object", "param"};
    static constexpr const char* kBareNames[] = {
        "p", "td", "tr", "li", "br", "b", "i", "em", "div", "span", "table", "ul", "html",
        "body", "head", "title", "TD", "P", "hr", "pre", "tbody", "thead", "dl", "dt", "dd",
        "center", "font", "bogus", "h1", "blockquote", "noscript", "iframe", "main",
        // Names and attributes longer than the name field and the reader's token buffer.
        "Averylongtagnamexxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"};
    static constexpr const char* kAttributes[] = {
        "href=\"page.html\"", "href=page.html", "href='x.html'", "class=\"c\"", "class=c",
        "id=\"a1\"", "id=\"a2\"", "id=a1", "width=\"50%\"", "width=50%", "width=\"120\"",
        "align=\"center\"", "align=left", "align=\"middle\"", "align=\"bogus\"", "ALIGN=\"CENTER\"",
        "border=\"1\"", "border=x", "colspan=\"2\"", "colspan=\"two\"", "type=\"text\"",
        "type=\"radio\"", "type=\"bogus\"", "name=\"n\"", "title=\"A title\"", "lang=\"en\"",
        "dir=\"rtl\"", "style=\"color: red\"", "onclick=\"go()\"", "checked", "nowrap",
        "selected", "bogus=\"1\"", "src=\"a.png\"", "alt=\"\"", "alt=\"Picture\"",
        "color=\"#ff0000\"", "color=\"red\"", "color=#00ff00", "size=\"+1\"", "size=\"9\"",
        "value=\"&amp;\"", "value=\"a<b\"", "value=\"<%= x %>\"", "value=&[name]",
        "rows=\"3\"", "cols=\"20\"", "href = \"spaced.html\"", "href= \"x\"", "data-x=\"1\"",
        "aria-label=\"l\"", "role=\"button\"", "valign=\"top\"", "bgcolor=\"#fff\"",
        "title='it\"s'", "summary=\"s\"", "cellpadding=\"0\"", "method=\"post\"",
        "action=\"/x\"", "content=\"text/html\"", "http-equiv=\"refresh\"", "shape=\"rect\"",
        "coords=\"1,2,3\"", "xmlns=\"http://www.w3.org/1999/xhtml\"", "type=\"disc\"",
        "type=\"a\"", "type=\"A\"", "TYPE=I", "type=\"1\"", "value=\"3\"", "start=\"2\"",
        "clear=\"all\"", "method=\"get\"", "method=post", "size=\"-2\"", "size=\"+9\"",
        "data-yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy=\"1\"", "title=\"vvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvv\""};
    static constexpr const char* kTexts[] = {
        "Fish &amp; chips", "&copy; 2026", "&bogus;", "&#65;", "&#x41;", "&#8364;", "&#128;",
        "Q&A", "a & b", "R&D;", "&nbsp", "5 > 3", "say \"hi\"", "caf\xe9", "\xc3\xa9t\xc3\xa9",
        "&lt;tag&gt;", "&#10;", "&;", "&#;", "&[macro]", "tab\there"};
    // Pieces of structure that put the same tag texts under other open tags.
    static constexpr const char* kFragments[] = {
        "<ul><li type=\"disc\">x</li><li class=\"c\">y</ul>", "<ol><li type=\"disc\">z</li></ol>",
        "<ol type=\"a\"><li value=\"2\">v<li type=\"a\">w</ol>", "<ul><li value=\"2\">v</ul>",
        "<table border=\"1\"><tr><td width=\"50%\">a</td><td align=\"left\">b</tr></table>",
        "<table><td width=\"50%\">c<td bgcolor=\"red\">d</table>", "<table><tr><td bgcolor=\"red\">e</table>",
        "<form action=\"/x\"><p class=\"c\">f<p>g</form>", "<div><p class=\"c\">h<p>i</div>",
        "<p id=\"p1\">j<p id=\"p1\">k", "<form method=\"get\"><p id=\"p2\"></form>",
        "<a href=\"x\"><a href=\"x\">nested</a></a>", "<a name=\"n\">m</a>", "<a>no href</a>",
        "<script type=\"text/javascript\"><p class=\"c\"></script>", "<font color=\"red\">f</font>",
        "<b>bold</b>", "<span class=\"c\">s</span>", "<br clear=\"all\">", "<br clear=\"both\">",
        "<tbody><tr><td>t</td></tr></tbody>", "<li type=\"disc\">loose</li>",
        "<template id=\"p1\"><p id=\"p1\">t</p><template id=\"p2\"></template></template>",
        "<template id=\"t\"><p id=\"p2\">u</template><template id=\"t\"></template>",
        "<my-input name=\"e\" type=\"email\" disabled>i</my-input>",
        "<my-input name=\"e\" type=\"\" class=\"c\">j</my-input>"};
    static constexpr const char* kOddities[] = {
        "<!-- a comment -->", "<!-- <p> inside -->", "<!--x--y-->", "<!---->", "<!- bad ->",
        "<% server %>", "<%= value %>", "<? php ?>", "<?xml version=\"1.0\"?>", "<## hash ##>",
        "< p>", "<p >", "</ p>", "</p x>", "<>", "</>", "<p\n>", "<a href=\"x\n\">", "<a href=\"open",
        "<td <%= x %>>", "<p title=\"x\" <? y ?>>", "<a href=\"a\"\"b\">", "<p =x>", "<p title=>",
        "<img src=\"a.png\" alt=\"a\"/>", "<br/>", "<br />", "<p/>", "<script>if (a < b) x();</script>",
        "<style>p { color: red }</style>", "<textarea><p>not a tag</p></textarea>",
        "<!-- markwise-disable 65 -->", "<!-- markwise-disable-next-line -->", "<a\thref=\"t\">",
        "<P CLASS=\"C\">", "</P>", "<td colspan=2 rowspan=\"2\">", "<input type=text value=x>",
        "<font color=\"red\" size=\"2\" face=\"Arial\">", "</font>", "<a name=\"top\"></a>"};

    std::mt19937 random_;
    std::vector<std::string> known_;
};

}  // namespace

// The documents of the golden cases, the tag cases and the shipped profiles' pages, under
// the options each kind of case uses and a few more.
TEST(Shortcuts, TestDataReadsTheSameWithAndWithoutThem) {
    std::vector<std::pair<std::string, const CfgStore*>> documents;
    for (const auto& folder : fs::directory_iterator(kDataDir / "golden")) {
        for (const auto& file : fs::directory_iterator(folder.path())) {
            if (file.path().stem() == "document") {
                documents.emplace_back(testing_support::readFile(file.path().string()), nullptr);
            }
        }
    }
    // A tag case names its configuration, the entries of configs/NAME.txt.
    for (const auto& folder : fs::directory_iterator(kDataDir / "tags")) {
        const fs::path document = folder.path() / "document.html";
        if (!fs::exists(document)) continue;
        const std::vector<std::string> name = testing_support::readLines((folder.path() / "config").string());
        ASSERT_FALSE(name.empty()) << folder.path();
        const std::string entries =
            testing_support::readFile((kDataDir / "tags" / "configs" / (name[0] + ".txt")).string());
        documents.emplace_back(testing_support::readFile(document.string()),
                               &testing_support::sharedConfiguration(entries));
    }
    for (const auto& folder : fs::directory_iterator(kDataDir / "ruleset")) {
        if (!fs::exists(kProfileDir / (folder.path().filename().string() + ".cfg"))) continue;
        const CfgStore& rules = profile(folder.path().filename().string());
        for (const auto& file : fs::recursive_directory_iterator(folder.path())) {
            if (file.path().extension() == ".html") {
                documents.emplace_back(testing_support::readFile(file.path().string()), &rules);
            }
        }
    }
    ASSERT_GT(documents.size(), 200u);
    const std::vector<options::Options> flavours = optionFlavours();
    for (const auto& [document, rules] : documents) {
        for (const options::Options& options : flavours) {
            ASSERT_TRUE(sameEitherWay(document, options, rules));
        }
    }
}

// Generated documents against names of two entries, the shipped profiles of today's HTML
// and HTML 4.01, and no configuration, under options set at random.
TEST(Shortcuts, GeneratedDocumentsReadTheSameWithAndWithoutThem) {
    const CfgStore* rules[] = {&testing_support::sharedConfiguration(kTwoPlaceEntries),
                               &profile("mkwise25"), &profile("mkwise-html401-transitional"),
                               &testing_support::sharedConfiguration(kTwoPlaceEntries),
                               &profile("mkwise-html401-strict"), nullptr};
    const char* asked = std::getenv("MARKWISE_SHORTCUT_DOCUMENTS");
    const int count = asked != nullptr && std::atoi(asked) > 0 ? std::atoi(asked) : 900;
    std::mt19937 random(20261210);
    for (int i = 0; i < count; ++i) {
        DocumentMaker maker(static_cast<std::uint32_t>(i));
        const std::string document = maker.make();
        const options::Options options = i % 4 == 0 ? quietOptions() : randomOptions(random);
        ASSERT_TRUE(sameEitherWay(document, options, rules[i % std::size(rules)])) << "document " << i;
    }
}

// Tags that look bare up to one byte of every value, after names of lengths about the sixteen
// bytes the scanner classes at once, near the start, the middle and the end of lines of many
// lengths: a tag is taken as bare exactly when the general way reads it as a bare name.
TEST(Shortcuts, TagsOfNamesEndedByEveryByteReadTheSame) {
    std::string document(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html><head>"
        "<title>T</title></head><body>\n");
    const std::string names[] = {"b", "td", "Blockquot9", "abcdefghijklmn", "abcdefghijklmno",
                                 "ABCDEFGHIJKLMNOP", "abcdefghijklmnopq", "h1h2h3h4h5h6h7h8h9h0h1h2h3h4h5h"};
    for (int byte = 0; byte < 256; ++byte) {
        if (byte == '\n' || byte == '\r') continue;
        for (std::size_t n = 0; n < std::size(names); ++n) {
            const std::string tag = "<" + std::string(n % 2 == 0 ? "" : "/") + names[n] +
                                    static_cast<char>(byte) + ">";
            const std::string padding((byte + 7 * n) % 23, 'x');
            document += padding + tag + "\n" + tag + padding + "\n" + "<p>" + tag + "\n";
        }
    }
    document += "</body></html>\n";
    EXPECT_TRUE(sameEitherWay(document, optionFlavours()[1], &profile("mkwise-html401-transitional")));
    EXPECT_TRUE(sameEitherWay(document, quietOptions(), nullptr));
}

// Tags whose text holds a "[" (where a Miva macro may start) before its `>`, met again and
// again, in quotes and out of them, beside tags of the same patterns without one: the scanner
// never takes such a text whole, and each reads as it does in full.
TEST(Shortcuts, TagsHoldingABracketReadTheSame) {
    std::string document(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html><head>"
        "<title>T</title></head><body>\n");
    const std::string tags[] = {"<a href=\"x[1].html\">", "<a href=\"x.html\">",
                                "<a href=\"[name]\">", "<a href=&[name]>", "<p title=[x]>",
                                "<p title=\"x\">", "<a href=\"y.html\" name=\"[n]\">",
                                "<a href=\"y.html\" name=\"n\">", "<font color=\"[c]\">",
                                "<font color=\"#ff0000\">", "<td[>", "<img src=\"a[.png\" alt=\"\">",
                                "<a href=&[x>y]>", "<a title=\"t\" href=&[y>z]>", "<a title=\"t\" href=&[y]>"};
    for (int round = 0; round < 4; ++round) {
        for (const std::string& tag : tags) {
            document += "<p>" + std::string(static_cast<std::size_t>(round), ' ') + tag + "t</a>\n";
        }
    }
    document += "</body></html>\n";
    for (const char* name : {"mkwise-html401-transitional", "mkwise25"}) {
        EXPECT_TRUE(sameEitherWay(document, optionFlavours()[1], &profile(name))) << name;
        EXPECT_TRUE(sameEitherWay(document, quietOptions(), &profile(name))) << name;
    }
}

// Tags over two lines and more, met again and again: broken after the name, between
// attributes, with blanks before the line's end, with a quote closed before it or open across
// it, with a "<", a Miva macro or a repeated id on a later line, starting with "<" alone at the
// line's end, and one the document ends inside. Each reads as the general loop reads it.
TEST(Shortcuts, TagsOverSeveralLinesReadTheSame) {
    std::string document(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html><head>"
        "<title>T</title></head><body>\n");
    const std::string tags[] = {
        "<font\ncolor=\"#ff0000\">", "<span\nclass=\"note\">", "<a\nhref=\"p1.html\">",
        "<a href=\"p2.html\"\nname=\"n2\">", "<a  \n  href=\"p3.html\"  >",
        "<a href=\"p4\n.html\">", "<a title='it\nspans'>", "<a\nhref=\"x\" <b>",
        "<a\nhref=&[name]>", "<a href=x&\n[y]>", "<div\nid=\"d1\">", "<div\nid=\"d1\">",
        "<\nfont color=\"red\">", "<table\nborder=\"1\"\nwidth=\"50%\"\n>",
        "<img\nsrc=\"a.png\"\nalt=\"\">", "<font\ncolor=\"bogus\">", "<p\n/>"};
    for (int round = 0; round < 3; ++round) {
        for (const std::string& tag : tags) document += "<p>" + tag + "t</a></font></span>\n";
    }
    document += "</body></html>\n";
    // The document ends inside a tag: with a quote open, and with every quote closed.
    const std::string endings[] = {"<a\nhref=\"end.html\"\ntitle=\"at the end",
                                   "<a\nhref=\"end.html\"\ntitle=x"};
    for (const std::string& ending : endings) {
        for (const options::Options& options : optionFlavours()) {
            for (const char* name : {"mkwise-html401-transitional", "mkwise25"}) {
                EXPECT_TRUE(sameEitherWay(document + ending, options, &profile(name))) << name;
            }
            EXPECT_TRUE(sameEitherWay(document + ending, options, nullptr));
        }
    }
}

// More patterns than the memory keeps (each tag below has a pattern of its own, by an unquoted
// value), then tags of the first and the last of them with other quoted values, refused or not:
// past the bound nothing more is remembered and every tag still reads as in full.
TEST(Shortcuts, MorePatternsThanTheMemoryKeepsReadTheSame) {
    std::string document(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html><head>"
        "<title>T</title></head><body>\n");
    for (int i = 0; i < 5000; ++i) {
        document += "<p>Q<a href=\"a" + std::to_string(i) + ".html\" name=n" + std::to_string(i) +
                    ">x</a>\n";
    }
    for (int i : {0, 1, 4094, 4095, 4096, 4999}) {
        const std::string name = " name=n" + std::to_string(i);
        document += "<p><a href=\"b.html\"" + name + ">y</a><a href=\"\"" + name +
                    ">z</a><img src=\"i.png\" alt=\"\" width=\"" + std::to_string(i) + "%\">\n";
    }
    document += "</body></html>\n";
    const options::Options options = optionFlavours()[1];
    EXPECT_TRUE(sameEitherWay(document, options, &profile("mkwise-html401-transitional")));
    EXPECT_TRUE(sameEitherWay(document, quietOptions(), &profile("mkwise25")));
}

// A validator keeps what it worked out of the configuration from one document to the next (as
// markwise-check does over a folder): each document's report must be the one a validator of
// its own writes.
TEST(Shortcuts, OneValidatorReadsEachOfManyDocumentsAsAFreshOneWould) {
    const CfgStore* rules[] = {&testing_support::sharedConfiguration(kTwoPlaceEntries), &profile("mkwise25")};
    for (const CfgStore* configuration : rules) {
        const options::Options options = quietOptions();
        messages::MessageStore store(options);
        platform::FakeClock clock;
        platform::SystemFiles files;
        platform::FakeUserInterface ui;
        engine::Validator validator(options, store, clock, files, configuration);
        for (int i = 0; i < 150; ++i) {
            const std::string document = DocumentMaker(static_cast<std::uint32_t>(5000 + i)).make();
            std::string bytes = document + '\0';
            std::FILE* input = ::fmemopen(bytes.data(), document.size(), "rb");
            char* reportData = nullptr;
            std::size_t reportSize = 0;
            std::FILE* report = ::open_memstream(&reportData, &reportSize);
            engine::RunContext context{input, report, "test.html", "report.txt", &ui};
            validator.validateDocument(context);
            std::fclose(report);
            std::fclose(input);
            const std::string kept(reportData, reportSize);
            std::free(reportData);
            const auto fresh = testing_support::validate(document, options, nullptr, "test.html", configuration);
            ASSERT_EQ(fresh.report, kept) << "document " << i << ":\n" << document;
        }
    }
}

// Real pages, when a folder of them is named; the ordinary run names none and compares nothing
// here (bench/corpus/build-corpus fetches such pages).
TEST(Shortcuts, PagesOfAFolderReadTheSameWithAndWithoutThem) {
    const char* folder = std::getenv("MARKWISE_SHORTCUT_PAGES");
    if (folder == nullptr || *folder == '\0') return;
    const std::vector<options::Options> flavours = optionFlavours();
    int pages = 0;
    for (const auto& file : fs::recursive_directory_iterator(folder)) {
        if (file.path().extension() != ".html" && file.path().extension() != ".htm") continue;
        const std::string document = testing_support::readFile(file.path().string());
        const bool older = document.find("HTML 4.01") != std::string::npos;
        const CfgStore& rules = profile(older ? "mkwise-html401-transitional" : "mkwise25");
        for (const options::Options& options : flavours) {
            EXPECT_TRUE(sameEitherWay(document, options, &rules)) << file.path();
        }
        ++pages;
    }
    std::printf("%d pages compared\n", pages);
}
