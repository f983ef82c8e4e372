// The validate command: names the document and its report, runs the validation and opens the
// viewer on the report; and the start of the viewer and the editor.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/configuration.h"
#include "engine/validator.h"
#include "messages/message_store.h"
#include "platform/file_policy.h"
#include "platform/settings_store.h"
#include "shell/commands.h"
#include "shell/window_control.h"
#include "shell_text.h"

namespace shell {
namespace {

using detail::equalsIgnoreCase;
using detail::fill;
using platform::Answer;
using platform::Buttons;
using platform::Icon;

// The longest extension the VALExtension field holds: a document name leaves room for it, so
// that whether a name fits does not depend on the extension chosen today.
constexpr std::size_t kLongestValExtension = 11;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The report as the run writes it, held in memory.
class ReportBuffer {
public:
    ReportBuffer() : file_(::open_memstream(&data_, &size_)) {}
    ~ReportBuffer() {
        if (file_) std::fclose(file_);
        std::free(data_);
    }
    std::FILE* stream() const { return file_; }
    // The bytes written; the stream is closed.
    std::string_view finish() {
        if (file_) std::fclose(file_);
        file_ = nullptr;
        return data_ ? std::string_view(data_, size_) : std::string_view();
    }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

}  // namespace

std::optional<std::string> reportNameFor(const options::Options& options,
                                         const std::string& document) {
    if (!options.UseVALFilesInstead) return options.OutputFilename;
    const std::size_t dot = detail::extensionDot(document);
    const std::string stem = dot == std::string::npos ? document + "." : document.substr(0, dot + 1);
    if (stem.size() + kLongestValExtension > detail::kMaxPath) return std::nullopt;
    std::string report = stem + options.VALExtension;
    if (report.size() > detail::kMaxPath) return std::nullopt;
    return report;
}

bool validate(Shell& shell, const std::string& given) {
    WindowControl control(shell, WindowControl::CursorOnly);
    options::Options& o = shell.options;
    const Services& services = shell.services();

    if (shell.configuration.activeCategoryCount() == 0) {
        shell.say("Markwise: No Active Categories", app::kNoActiveCategoriesMessage);
        return false;
    }

    std::string document = given;
    if (document.empty()) {
        shell.enterStartingDirectory();
        platform::FileDialogRequest request;
        request.title = "Specify HTML Document and Click Open to Validate";
        request.filters = {{"HTML Document (*.htm; *.html; *.shtm; *.shtml)",
                            "*.htm;*.html;*.shtm;*.shtml"},
                           {"Text Files (*.txt)", "*.txt"},
                           {"All Files (*.*)", "*.*"}};
        request.initialPath = o.LastOpenedHTMLFilename;
        request.filterIndex = shell.validateFilterIndex;
        request.mustExist = true;
        auto chosen = shell.ui().openFileDialog(request);
        if (!chosen || chosen->path.empty()) return false;
        shell.validateFilterIndex = chosen->filterIndex;
        document = chosen->path;
    }

    control.setWaitCursor(true);
    shell.enterStartingDirectory();
    std::string bytes;
    if (platform::readRegularFile(services.fileSystem, document, bytes)) {
        shell.say("Markwise: Error Opening HTML Document",
                  fill("There was an error opening the HTML document \"%s\". The HTML document "
                       "could not be validated.",
                       document));
        return false;
    }

    // Names are compared as they are: on this system two names that differ only in case are
    // two files, and Revalidate must check the one checked last.
    if (document != o.LastOpenedHTMLFilename && document.size() <= detail::kMaxPath) {
        o.LastOpenedHTMLFilename = document;
        o.optionsSaved = 0;
    }

    const std::optional<std::string> report = reportNameFor(o, document);
    if (!report) {
        shell.say("Markwise: Output Filename Exceeds Maximum Characters",
                  "Cannot open output file because the filename would exceed the maximum number "
                  "of characters a filename may have.");
        return false;
    }
    // The same name, or two names of one file (a relative and an absolute one, a link):
    // writing the report would destroy the document.
    if (*report == document || platform::sameFile(services.fileSystem, *report, document)) {
        shell.say("Markwise: Filename Error",
                  fill("The HTML document \"%s\" has the same filename as the output file. The "
                       "HTML document could not be validated.",
                       document));
        return false;
    }

    shell.enterStartingDirectory();
    o.lastOutputFilename = *report;
    platform::WriteRules rules;
    rules.protect(document, "the document");
    if (shell.configuration.isLoaded()) {
        rules.protect(shell.configuration.fileName(), "the HTML Configuration");
    }
    if (o.EnableLogging) rules.protect(o.LogFilename, "the log");
    rules.protect(platform::userSettingsFile(), "the settings");
    // A new report holds the document's lines: others may read it only as far as they may read
    // the document. The user keeps reading and writing it, whatever the document's own bits.
    struct stat documentInfo {};
    if (services.fileSystem.stat(document, documentInfo) == 0) {
        rules.newFileMode &= (documentInfo.st_mode & 0066) | 0600;
    }
    const std::string openError = fill(
        "There was an error opening the output file \"%s\". The HTML document could not be "
        "validated.",
        *report);
    // The report is written beside its final place and put there whole once the run is done,
    // so that a run that fails leaves the old report as it was.
    platform::ReplacementFile reportFile(services.fileSystem);
    if (reportFile.open(*report, rules)) {
        shell.say("Markwise: Error Opening Output File", openError);
        return false;
    }

    File input(::fmemopen(bytes.data(), bytes.size(), "rb"));
    ReportBuffer output;
    if (!input || !output.stream()) {
        shell.say("Markwise: Error Opening Output File", openError);
        return false;
    }
    messages::MessageStore store(o);
    // What the run reports depends on the options and the HTML Configuration alone: the
    // markwise-disable comments are markwise-check's.
    store.configure({.inlineDirectives = false});
    engine::Validator validator(o, store, services.clock, services.files, &shell.configuration);
    // The log is appended to, never written over the document, the configuration or the
    // report: a log named as one of them is not written, and the run says so as it says any
    // log that cannot be opened.
    platform::WriteRules logRules;
    logRules.protect(document, "the document");
    if (shell.configuration.isLoaded()) {
        logRules.protect(shell.configuration.fileName(), "the HTML Configuration");
    }
    logRules.protect(*report, "the report");
    logRules.protect(platform::userSettingsFile(), "the settings");
    engine::RunContext context{input.get(), output.stream(), document, *report, &shell.ui()};
    context.logRules = &logRules;
    const bool ran = validator.validateDocument(context) != 0;
    const std::string_view written = output.finish();
    input.reset();

    if (!ran) {
        reportFile.abandon();
        shell.say("Markwise: Validation Routine Failed",
                  "An error occurred during the validation. If you feel this is a program bug, "
                  "please send email to the author with the details of the problem.");
        return false;
    }
    reportFile.write(written);
    if (reportFile.commit()) {
        shell.say("Error", "There was an error closing the file.");
        return false;
    }

    // The run is over: the cursor goes back before anything is asked.
    control.setWaitCursor(false);
    const std::size_t dot = detail::extensionDot(*report);
    const std::string extension = dot == std::string::npos ? std::string() : report->substr(dot + 1);
    if (o.DontViewIfUseVAL && equalsIgnoreCase(extension, o.VALExtension)) {
        if (!shell.commandLineMode) {
            shell.say("Markwise: Validation Check Complete",
                      fill("Validation check complete. The file \"%s\" was created.", *report),
                      Icon::Information);
        }
        return true;
    }
    Answer answer = Answer::Yes;
    if (!o.AlwaysOpenViewer) {
        shell.window().bringToFront();
        answer = shell.say("Markwise: Open Viewer?",
                           fill("Validation check of \"%s\" is complete. Do you want to open the "
                                "viewer with the results?",
                                document),
                           Icon::Question, Buttons::YesNo, true);
    }
    if (answer != Answer::No) startProgram(shell, o.ViewerFilename, *report, o.MaximizeViewer != 0);
    return true;
}

bool startProgram(Shell& shell, const std::string& program, const std::string& file,
                  bool maximized) {
    shell.enterStartingDirectory();
    // A relative name is given as "./" and the name: one that starts with "-" or "+" would be
    // read as an option or a command by many viewers and editors ("+cmd"), and one that starts
    // with letters and a colon ("mailto:a.val") as an address by xdg-open.
    const std::string argument = !file.empty() && file.front() != '/' ? "./" + file : file;
    if (shell.services().processes.start(program, argument, maximized)) return true;
    shell.say("Markwise: Error Starting Applicarion",
              fill("There was an error starting the application '%s'.", program));
    return false;
}

}  // namespace shell
