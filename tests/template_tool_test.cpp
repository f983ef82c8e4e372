// The template tool: regions, symbol lists and their errors, expressions, the built-in symbols,
// substitution and its format errors. Documents are held in memory; templates are files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/date_picture.h"
#include "test_support.h"
#include "tools/template_tool.h"

namespace {

using platform::Icon;
using testing_support::TempDir;
using namespace std::string_literals;

struct StringSink : tools::OutputSink {
    std::string bytes;
    bool put(std::string_view piece) override {
        bytes.append(piece);
        return true;
    }
};

class TemplateTool : public ::testing::Test {
  protected:
    TemplateTool() : options_(testing_support::testOptions()) {}

    struct Run {
        int result;
        std::string output;
        bool operator==(const Run&) const = default;
    };

    // Runs the tool on `document` ("page.htm" in the boxes).
    Run run(const std::string& document) {
        tools::TemplateEnvironment environment;
        environment.owner = &ui_;
        environment.options = &options_;
        environment.clock = &clock_;
        environment.files = &platform::systemFileSystem();
        tools::TextLines lines(document);
        StringSink sink;
        tools::ToolOutput output(sink);
        const int result = tools::runTemplateTool(environment, lines, output, "page.htm");
        output.flush();
        return {result, sink.bytes};
    }

    // A template file in the test's folder; returns its path.
    std::string writeTemplate(const std::string& name, const std::string& bytes) {
        return dir_.write(name, bytes);
    }

    // A document with one region whose list is `list` (lines ending in LF) and whose old
    // generated text is `old`.
    static std::string region(const std::string& list, const std::string& old = "old\n") {
        return "<!-- TEMPLATESTART\n" + list + "-->\n" + old + "<!-- TEMPLATEEND -->\n";
    }

    // Expects exactly one error box, with this caption and text.
    void expectOnlyBox(const std::string& caption, const std::string& text) {
        ASSERT_EQ(ui_.boxes.size(), 1u);
        EXPECT_EQ(ui_.boxes[0].caption, caption);
        EXPECT_EQ(ui_.boxes[0].text, text);
        EXPECT_EQ(ui_.boxes[0].icon, Icon::Error);
        EXPECT_TRUE(ui_.boxes[0].foreground);
    }

    std::string localTime(const std::string& picture) const {
        return platform::formatDatePicture(picture, *platform::localTime(clock_.nowValue))
            .value();
    }

    TempDir dir_;
    options::Options options_;
    platform::FakeUserInterface ui_;
    platform::FakeClock clock_;
};

TEST_F(TemplateTool, CopiesADocumentWithoutRegionsWithTheFileTypeLineEnds) {
    EXPECT_EQ(run("a\r\nb\rc"), (Run{1, "a\nb\nc\n"}));
    options_.FileType = 0;
    EXPECT_EQ(run("a\nb").output, "a\r\nb\r\n");
    options_.FileType = 1;
    EXPECT_EQ(run("a\nb").output, "a\rb\r");
    EXPECT_EQ(run(""), (Run{1, ""}));
    EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(TemplateTool, FillsARegionAndKeepsMarkersAndList) {
    const std::string tpl = writeTemplate("footer.tpl", "<p>$\"TITLE\"</p>\r\n<p>$$5 $\"BODY\"$\"NONE\"</p>");
    const std::string body = dir_.write("body.txt", "line one\nline two");
    const std::string list = "TEMPLATE=" + tpl + "\nTITLE=Home page\nBODY:=FileContents(\"" +
                             body + "\")\n";
    const std::string document = "<html>\n" + region(list, "old text\n<b>older</b>\n") +
                                 "</html>";
    const Run r = run(document);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.output, "<html>\n<!-- TEMPLATESTART\n" + list +
                            "-->\n<p>Home page</p>\n<p>$5 line one\nline two</p>\n"
                            "<!-- TEMPLATEEND -->\n</html>\n");
    EXPECT_TRUE(ui_.boxes.empty());

    // The markers stay, so the same run again gives the same document.
    EXPECT_EQ(run(r.output).output, r.output);
}

TEST_F(TemplateTool, FillsTwoRegionsEachFromItsOwnList) {
    const std::string one = writeTemplate("one.tpl", "[$\"X\"]");
    const std::string two = writeTemplate("two.tpl", "($\"X\")");
    const std::string document = region("TEMPLATE=" + one + "\nX=first\n") + "between\n" +
                                 region("X=second\nTEMPLATE=" + two + "\n");
    const Run r = run(document);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.output, "<!-- TEMPLATESTART\nTEMPLATE=" + one + "\nX=first\n-->\n[first]\n"
                        "<!-- TEMPLATEEND -->\nbetween\n<!-- TEMPLATESTART\nX=second\nTEMPLATE=" +
                            two + "\n-->\n(second)\n<!-- TEMPLATEEND -->\n");
}

TEST_F(TemplateTool, DropsOldRegionsNestedInTheOldText) {
    const std::string tpl = writeTemplate("t.tpl", "new");
    const std::string old = "<!-- TEMPLATEEND --\na\n<!-- TEMPLATESTART\nTEMPLATE=x\n-->\nb\n<!-- TEMPLATEEND -->\nc\n";
    const Run r = run(region("TEMPLATE=" + tpl + "\n", old) + "after\n");
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.output, "<!-- TEMPLATESTART\nTEMPLATE=" + tpl +
                            "\n-->\nnew\n<!-- TEMPLATEEND -->\nafter\n");
}

TEST_F(TemplateTool, MarkersMustStartTheLineAndMatchCase) {
    const std::string document =
        "<!-- TEMPLATESTAR\n <!-- TEMPLATESTART\n<!-- templatestart\n<!-- TEMPLATESTARTED\n-->\n";
    // Only the fourth line is a start marker (its first 18 characters); "-->" ends its list,
    // which has no TEMPLATE.
    EXPECT_EQ(run(document).result, 0);
    expectOnlyBox("Markwise: TEMPLATE Symbol Not Defined",
                  "The symbol TEMPLATE was not defined in the symbol list in \"page.htm\".");
}

TEST_F(TemplateTool, ReadsSymbolDefinitions) {
    const std::string tpl = writeTemplate(
        "t.tpl", "[$\"A\"][$\"B\"][$\"C\"][$\"\"][$\"D1\"][$\"E\"][$\"F\"][$\"X Y\"]");
    const std::string list = "TEMPLATE=" + tpl +
                             "\n  \tA=1\nB= two \nC:=\"x\" + \"y\"\n=empty name\nD1=\nE=a=b\nA=second\n"
                             "F:=\"q\\\"uote\"\n";
    const Run r = run(region(list));
    EXPECT_EQ(r.result, 1);
    EXPECT_NE(r.output.find("\n[1][ two ][xy][empty name][][a=b][q\"uote][]\n"),
              std::string::npos)
        << r.output;
}

TEST_F(TemplateTool, RejectsLinesThatAreNotDefinitions) {
    const char* lines[] = {"NAME = value", "", "   ", "NAME", "NAME value", "NAME:value",
                           "NAME:", "NA_ME=x", "-x=1", "\xC3\xA9=1"};
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        ui_.clear();
        const Run r = run(region("TEMPLATE=x\n" + std::string(line) + "\n"));
        EXPECT_EQ(r.result, 0);
        expectOnlyBox("Markwise: Error In Symbol List",
                      "Cannot get a valid symbol and value from line number 3 in \"page.htm\".");
        // What was read up to the error was copied.
        EXPECT_EQ(r.output, "<!-- TEMPLATESTART\nTEMPLATE=x\n" + std::string(line) + "\n");
    }
}

TEST_F(TemplateTool, AnExpressionErrorIsShownAndThenTheListError) {
    const std::string missing = (dir_.path() / "body.txt").string();
    const Run r = run("x\n" + region("BODY:=FileContents(\"" + missing + "\")\n"));
    EXPECT_EQ(r.result, 0);
    ASSERT_EQ(ui_.boxes.size(), 2u);
    EXPECT_EQ(ui_.boxes[0].caption, "Markwise: Template Tool Function Error");
    EXPECT_EQ(ui_.boxes[0].text,
              "An error occurred processing the template tool function for the symbol \"BODY\". "
              "Error 98013001: cannot open file \"" + missing + "\" for reading.");
    EXPECT_EQ(ui_.boxes[1].caption, "Markwise: Error In Symbol List");
    EXPECT_EQ(ui_.boxes[1].text,
              "Cannot get a valid symbol and value from line number 3 in \"page.htm\".");

    const struct {
        const char* expression;
        const char* error;
    } others[] = {
        {"", "98012905: cannot determine token type"},
        {"\"abc\" ", "98012905: cannot determine token type"},
        {"filecontents(\"x\")", "98012901: unknown function name \"filecontents\""},
        {"\"abc\" \"def\"", "98013102: unrecognized text at end of line"},
    };
    for (const auto& other : others) {
        ui_.clear();
        run(region(std::string("V:=") + other.expression + "\n"));
        ASSERT_EQ(ui_.boxes.size(), 2u) << other.expression;
        EXPECT_EQ(ui_.boxes[0].text,
                  "An error occurred processing the template tool function for the symbol \"V\". "
                  "Error " + std::string(other.error) + ".");
    }
}

TEST_F(TemplateTool, AcceptsFiftySymbolsAndRefusesAFiftyFirstLine) {
    const std::string tpl = writeTemplate("t.tpl", "$\"S49\"");
    std::string list = "TEMPLATE=" + tpl + "\n";
    for (int i = 1; i < 50; ++i) list += "S" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    Run r = run(region(list));
    EXPECT_EQ(r.result, 1);
    EXPECT_TRUE(ui_.boxes.empty());

    for (const std::string extra : {"S50=x", "not a definition", ""}) {
        ui_.clear();
        r = run(region(list + extra + "\n"));
        EXPECT_EQ(r.result, 0);
        expectOnlyBox("Markwise: Exceeding Maximum Number of Symbols",
                      "Too many symbols in \"page.htm\". You may only have up to 50 symbols.");
    }
}

TEST_F(TemplateTool, ReportsEachStructuralError) {
    const std::string tpl = writeTemplate("t.tpl", "x");
    const std::string missing = (dir_.path() / "missing.tpl").string();
    const struct {
        const char* name;
        std::string document;
        std::string caption;
        std::string text;
    } cases[] = {
        {"document ends in the list", "<!-- TEMPLATESTART\nTEMPLATE=" + tpl + "\n",
         "Markwise: Cannot Find End of Symbol List",
         "Reached the end of the document without finding the end of the symbol list in "
         "\"page.htm\"."},
        {"no TEMPLATE", region("X=1\n"), "Markwise: TEMPLATE Symbol Not Defined",
         "The symbol TEMPLATE was not defined in the symbol list in \"page.htm\"."},
        {"template file missing", region("TEMPLATE=" + missing + "\n"),
         "Markwise: Cannot Open Template File",
         "The template file \"" + missing + "\" cannot be opened in \"page.htm\"."},
        {"template is a folder", region("TEMPLATE=" + dir_.path().string() + "\n"),
         "Markwise: Cannot Open Template File",
         "The template file \"" + dir_.path().string() + "\" cannot be opened in \"page.htm\"."},
        // The name goes to the system whole: a NUL byte in it must not open the shorter name
        // before it, which here is an existing template.
        {"template name with a NUL byte", region("TEMPLATE=" + tpl + "\0.old"s + "\n"),
         "Markwise: Cannot Open Template File",
         "The template file \"" + tpl + "\0.old\" cannot be opened in \"page.htm\"."s},
        {"no end marker", "<!-- TEMPLATESTART\nTEMPLATE=" + tpl + "\n-->\nold\n",
         "Markwise: Cannot Find <!-- TEMPLATEEND -->",
         "Cannot find the TEMPLATEEND marker in \"page.htm\"."},
        {"only a nested end marker",
         "<!-- TEMPLATESTART\nTEMPLATE=" + tpl +
             "\n-->\n<!-- TEMPLATESTART\n<!-- TEMPLATEEND -->\n",
         "Markwise: Cannot Find <!-- TEMPLATEEND -->",
         "Cannot find the TEMPLATEEND marker in \"page.htm\"."},
        {"end marker without its blank",
         "<!-- TEMPLATESTART\nTEMPLATE=" + tpl + "\n-->\n<!-- TEMPLATEEND-->\n",
         "Markwise: Cannot Find <!-- TEMPLATEEND -->",
         "Cannot find the TEMPLATEEND marker in \"page.htm\"."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui_.clear();
        EXPECT_EQ(run(c.document).result, 0);
        expectOnlyBox(c.caption, c.text);
    }
}

TEST_F(TemplateTool, ReportsAFormatErrorWithTheTemplateLine) {
    const char* lines[] = {"$NAME", "price $", "$\"open", "a $x b", "ok $$ then $ ", "$'Q'"};
    for (const char* bad : lines) {
        SCOPED_TRACE(bad);
        ui_.clear();
        const std::string tpl = writeTemplate("t.tpl", "fine $\"X\"\r\n" + std::string(bad) + "\n");
        EXPECT_EQ(run(region("TEMPLATE=" + tpl + "\nX=1\n")).result, 0);
        expectOnlyBox("Markwise: Format Error",
                      "A format error occurred processing line number 2 in the template file \"" +
                          tpl +
                          "\" called from \"page.htm\". The correct format for specifying a symbol "
                          "in a template file is $\"SYMBOLNAME\" (with quotes).");
    }
}

TEST_F(TemplateTool, SubstitutedValuesAreNotScannedAgain) {
    const std::string tpl = writeTemplate("t.tpl", "$\"A\"|$$$\"B\"|$$$$");
    const Run r = run(region("TEMPLATE=" + tpl + "\nA=$\"B\" and $\nB=b\n"));
    EXPECT_EQ(r.result, 1);
    EXPECT_NE(r.output.find("\n$\"B\" and $|$b|$$\n"), std::string::npos) << r.output;
}

TEST_F(TemplateTool, BuiltInSymbols) {
    const std::string tpl = writeTemplate(
        "t.tpl", "$\"CURRENTTIME\"|$\"CURRENTDATE\"|$\"CURRENTFILE\"|$\"VALIDATORVERSION\"");
    // The defaults of DefaultTimeFormat and DefaultDateFormat.
    Run r = run(region("TEMPLATE=" + tpl + "\n"));
    EXPECT_NE(r.output.find("\n" + localTime("hh':'mm':'ss tt") + "|" +
                            localTime("ddd',' MMM dd yyyy") + "|page.htm|2.55\n"),
              std::string::npos)
        << r.output;

    // TIMEFORMAT and DATEFORMAT pictures from the list.
    r = run(region("TEMPLATE=" + tpl + "\nTIMEFORMAT=HH:mm\nDATEFORMAT=yyyy-MM-dd\n"));
    EXPECT_NE(r.output.find("\n" + localTime("HH:mm") + "|" + localTime("yyyy-MM-dd") +
                            "|page.htm|2.55\n"),
              std::string::npos)
        << r.output;

    // A time picture reads only the time's letters, a date picture only the date's.
    r = run(region("TEMPLATE=" + tpl + "\nTIMEFORMAT=HH 'h' dd\nDATEFORMAT=d at hh\n"));
    EXPECT_NE(r.output.find("\n" + localTime("HH") + " h dd|" + localTime("d") + " at hh|"),
              std::string::npos)
        << r.output;

    // The settings' pictures.
    options_.DefaultTimeFormat = "H 'h' m";
    options_.DefaultDateFormat = "d/M/y";
    r = run(region("TEMPLATE=" + tpl + "\n"));
    EXPECT_NE(r.output.find("\n" + localTime("H 'h' m") + "|" + localTime("d/M/y") + "|"),
              std::string::npos)
        << r.output;

    // A defined symbol hides the built-in one.
    r = run(region("TEMPLATE=" + tpl + "\nCURRENTDATE=today\nVALIDATORVERSION=9\n"));
    EXPECT_NE(r.output.find("|today|page.htm|9\n"), std::string::npos) << r.output;
    EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(TemplateTool, ATimeThatCannotBeFormattedGivesTheErrorTexts) {
    tools::SymbolTable symbols;
    tools::TemplateEnvironment environment;
    environment.options = &options_;
    environment.clock = &clock_;
    clock_.nowValue = static_cast<std::time_t>(1) << 62;  // beyond any calendar year
    tools::addBuiltInSymbols(symbols, environment, "d.htm");
    EXPECT_EQ(symbols.find("CURRENTTIME")->str(), "error getting time or in time format");
    EXPECT_EQ(symbols.find("CURRENTDATE")->str(), "error getting date or in date format");
    EXPECT_EQ(symbols.find("CURRENTFILE")->str(), "d.htm");
    EXPECT_EQ(symbols.count(), 4);
}

}  // namespace
