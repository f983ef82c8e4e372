#include "tools/tool_driver.h"

#include <new>
#include <optional>
#include <utility>

#include "config/document_lines.h"
#include "messages/format.h"
#include "messages/report.h"
#include "platform/file_policy.h"
#include "platform/signals.h"
#include "tools/template_tool.h"
#include "tools/text_tools.h"
#include "tools/tool_io.h"

namespace tools {
namespace {

constexpr std::string_view kSameNameCaption = "Markwise: Cannot Process .bak Files";
constexpr std::string_view kSameName =
    "The filename to process (%s) and the filename Markwise uses as a backup file are "
    "identical. Markwise cannot continue with this operation.";
constexpr std::string_view kDeleteCaption = "Markwise: Error Deleting File";
constexpr std::string_view kDelete =
    "An error occurred while attempting to delete the backup file \"%s\". Markwise cannot "
    "continue with this operation.";
constexpr std::string_view kLocateCaption = "Markwise: Error Locating File";
constexpr std::string_view kLocate =
    "There was an error trying to locate the file \"%s\". Markwise cannot continue with this "
    "operation.";
constexpr std::string_view kRenameCaption = "Markwise: Error Renaming File";
constexpr std::string_view kRename =
    "There was an error trying to rename the file \"%s\". Markwise cannot continue with this "
    "operation.";
constexpr std::string_view kOpenInputCaption = "Markwise: Error Opening Input File";
constexpr std::string_view kOpenInput =
    "There was an error opening the input file to be processed. Markwise cannot continue with "
    "this operation.";
constexpr std::string_view kOpenOutputCaption = "Markwise: Error Opening Output File";
constexpr std::string_view kOpenOutput =
    "There was an error opening the output file. Markwise cannot continue with this operation.";
constexpr std::string_view kWriteOutputCaption = "Markwise: Error Writing Output File";
constexpr std::string_view kWriteOutput =
    "There was an error writing the output file. Markwise cannot continue with this operation.";
constexpr std::string_view kCloseCaption = "Error";
constexpr std::string_view kClose = "There was an error closing the file.";
constexpr std::string_view kSuccessCaption = "Markwise: Success";
constexpr std::string_view kSuccess = "Processing was completed successfully. ";
constexpr std::string_view kSuccessRenamed = "The original HTML document was renamed \"%s\".";
constexpr std::string_view kSuccessNoBackup = "Backup files are turned OFF.";

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The processed text goes to the replacement file piece by piece; an interrupt that came
// meanwhile stops it, and the run leaves the document as it was.
class ReplacementSink : public OutputSink {
  public:
    explicit ReplacementSink(platform::ReplacementFile& file) : file_(file) {}
    bool put(std::string_view bytes) override {
        if (platform::HeldSignals::pending()) return false;
        return file_.write(bytes);
    }

  private:
    platform::ReplacementFile& file_;
};

// The wait cursor from the moment the run really starts: the caller's, or, for as long as the
// run lasts, the run's own outside command-line mode.
class WaitCursor {
  public:
    explicit WaitCursor(const ToolContext& context)
        : ui_(*context.ui), shown_(!context.showWaitCursor && !context.commandLineMode) {
        if (context.showWaitCursor) context.showWaitCursor();
        if (shown_) ui_.setWaitCursor(true);
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() {
        if (shown_) ui_.setWaitCursor(false);
    }

  private:
    platform::UserInterface& ui_;
    bool shown_;
};

class ToolRun {
  public:
    ToolRun(const ToolContext& context, int tool) : context_(context), tool_(tool) {}

    int run(const std::string& argument);
    // run(), and a failure for want of memory where it has none of its own: the document put
    // back when it had its backup, and the serious-error box.
    int guardedRun(const std::string& argument);

  private:
    void showError(std::string_view caption, const std::string& text) {
        context_.ui->messageBox(std::string(caption), text, platform::Icon::Error,
                                platform::Buttons::Ok);
    }
    void makeStartingDirectoryCurrent() {
        if (!context_.startingDirectory.empty() && context_.helpers != nullptr) {
            context_.helpers->setCurrentDirectory(context_.startingDirectory);
        }
    }
    bool exists(const std::string& path, bool followLink) {
        struct stat info {};
        return (followLink ? files().stat(path, info) : files().lstat(path, info)) == 0;
    }
    platform::FileSystem& files() { return *context_.files; }

    std::optional<std::string> chooseDocument(const std::string& argument);
    bool prepare();
    bool mayBeReplaced();
    bool isRegularFile(const std::string& path);
    bool backupHoldsTheDocument();
    bool process(std::string bytes, platform::ReplacementFile& output);
    bool finishOutput(bool processed, platform::ReplacementFile& output);
    void restore();
    int succeed();

    const ToolContext& context_;
    int tool_;
    std::string document_;
    // The name the document was given by (the argument, or the dialog's choice), which the
    // template tool's CURRENTFILE and messages use also when it is a link to the file rewritten.
    std::string given_;
    std::string backup_;
    // The backup is a second name of the document's file, which keeps its own name until the
    // new text replaces it; otherwise the document was renamed to the backup.
    bool linked_ = false;
    // From the moment the document has its backup until the new text is in place: a failure
    // in between puts the document back.
    bool backedUp_ = false;
};

std::optional<std::string> ToolRun::chooseDocument(const std::string& argument) {
    makeStartingDirectoryCurrent();
    if (context_.commandLineMode) return argument;
    platform::FileDialogRequest request;
    request.title = kToolDialogTitle;
    request.filters = {
        {"HTML Document (*.htm; *.html; *.shtm; *.shtml)", "*.htm;*.html;*.shtm;*.shtml"},
        {"Text Files (*.txt)", "*.txt"},
        {"All Files (*.*)", "*.*"},
    };
    request.initialPath = context_.options->LastOpenedToolFilename;
    request.filterIndex = 1;
    request.mustExist = true;
    std::optional<platform::FileDialogResult> chosen = context_.ui->openFileDialog(request);
    if (!chosen) return std::nullopt;
    return chosen->path;
}

// A document the writing policy would not replace (read-only, another user's, a link planted
// in a shared folder) is left alone before anything is deleted or renamed.
bool ToolRun::mayBeReplaced() {
    return !platform::checkWritable(files(), document_, platform::WriteRules{});
}

// A device, a FIFO or a folder is no text to rewrite.
bool ToolRun::isRegularFile(const std::string& path) {
    struct stat info {};
    return files().stat(path, info) == 0 && S_ISREG(info.st_mode);
}

// Whether deleting the old backup would take the document with it: the document's name is a
// symbolic link to the file that has the backup name. An old backup that is another hard link
// to the document's file (as a run that was killed before its new text was in place leaves
// it), or a symbolic link to it, is only a name, and is deleted like any old backup.
bool ToolRun::backupHoldsTheDocument() {
    struct stat document {};
    struct stat backup {};
    if (files().lstat(document_, document) != 0 || !S_ISLNK(document.st_mode)) return false;
    if (files().lstat(backup_, backup) != 0 || S_ISLNK(backup.st_mode)) return false;
    return platform::sameFile(files(), document_, backup_);
}

// Gives the document's file its backup name. False, with the document as it was, after the box.
bool ToolRun::prepare() {
    // No name is no document: its backup name would be ".bak", a file that has nothing to do
    // with it and must not be deleted.
    if (document_.empty()) {
        showError(kLocateCaption, messages::format(kLocate, {document_}));
        return false;
    }
    // A name with the backup's form is refused even where it is a link to another file: a
    // run would rewrite that file and put the old text in place of the link.
    if (equalsIgnoreCase(backupName(given_), given_)) {
        showError(kSameNameCaption, messages::format(kSameName, {given_}));
        return false;
    }
    // A document that is its backup under another name (a link) would go with the backup.
    if (equalsIgnoreCase(backup_, document_) || backupHoldsTheDocument()) {
        showError(kSameNameCaption, messages::format(kSameName, {document_}));
        return false;
    }
    // The document is found and known to be one the tool can rewrite before an old backup is
    // deleted: a mistyped name, or a name that is no file of text, must not cost the backup
    // of another document.
    if (!exists(document_, true)) {
        showError(kLocateCaption, messages::format(kLocate, {document_}));
        return false;
    }
    if (!isRegularFile(document_)) {
        showError(kOpenInputCaption, std::string(kOpenInput));
        return false;
    }
    if (!mayBeReplaced()) {
        showError(kOpenOutputCaption, std::string(kOpenOutput));
        return false;
    }
    if (exists(backup_, false) && files().unlink(backup_) != 0) {
        showError(kDeleteCaption, messages::format(kDelete, {backup_}));
        return false;
    }
    // The backup is made a second name of the file, so that the document never leaves its own
    // name: a run that is killed, or a machine that stops, before the new text is in place
    // leaves the document as it was. Where the file system has no hard links, the document is
    // renamed to the backup name and put back after a failure.
    if (files().link(document_, backup_) == 0) {
        linked_ = true;
        backedUp_ = true;
        return true;
    }
    if (files().rename(document_, backup_) != 0) {
        showError(kRenameCaption, messages::format(kRename, {document_}));
        return false;
    }
    backedUp_ = true;
    return true;
}

// After a failure: the document is as it was under its own name, and the backup that was
// made for the run goes. When a renamed document cannot be put back, the box names the backup
// that holds it, so that the user knows where the document is.
void ToolRun::restore() {
    backedUp_ = false;
    if (linked_) {
        if (files().unlink(backup_) != 0) {
            showError(kDeleteCaption, messages::format(kDelete, {backup_}));
        }
        return;
    }
    if (files().rename(backup_, document_) != 0) {
        showError(kRenameCaption, messages::format(kRename, {backup_}));
    }
}

bool ToolRun::process(std::string bytes, platform::ReplacementFile& file) {
    ReplacementSink sink(file);
    ToolOutput output(sink);
    TextLines lines(std::move(bytes));
    TextLine line;
    const options::Options& options = *context_.options;
    bool processed = true;
    switch (tool_) {
        case kToolLowercase:
        case kToolUppercase: {
            CaseConverter converter(tool_ == kToolUppercase);
            converter.reset();
            const std::string_view end = lineEnd(options.FileType);
            while (!output.failed() && lines.next(line)) {
                converter.convertLine(line.text, line.length);
                output.writeLine(line.view(), end);
            }
            break;
        }
        case kToolStrip: {
            TagStripper stripper;
            stripper.reset();
            const std::string_view end = lineEnd(options.FileType);
            while (!output.failed() && lines.next(line)) {
                const std::size_t kept = stripper.stripLine(line.text, line.length);
                output.writeLine(std::string_view(line.text, kept), end);
            }
            break;
        }
        case kToolTemplate: {
            TemplateEnvironment environment;
            environment.owner = context_.ui;
            environment.options = context_.options;
            environment.clock = context_.clock;
            environment.files = context_.files;
            processed = runTemplateTool(environment, lines, output, given_) == 1;
            break;
        }
        case kToolConvert: {
            const std::string_view end = lineEnd(options.ConvertToFileType);
            while (!output.failed() && lines.next(line)) output.writeLine(line.view(), end);
            break;
        }
        default: processed = false; break;
    }
    if (!output.flush()) {
        // A tool that failed has said why already; an interrupt needs no word.
        if (processed && !platform::HeldSignals::pending()) {
            showError(kWriteOutputCaption, std::string(kWriteOutput));
        }
        return false;
    }
    return processed;
}

// Puts the processed text in place, or drops it after a failure.
bool ToolRun::finishOutput(bool processed, platform::ReplacementFile& output) {
    // The user stopped the run before the new text took the document's place.
    if (!processed || platform::HeldSignals::pending()) {
        output.abandon();
        return false;
    }
    if (output.commit()) {
        showError(kCloseCaption, std::string(kClose));
        return false;
    }
    return true;
}

int ToolRun::succeed() {
    const options::Options& options = *context_.options;
    if (options.CreateBAKFiles == 0 && files().unlink(backup_) != 0) {
        showError(kDeleteCaption, messages::format(kDelete, {backup_}));
        return 0;
    }
    if (!context_.commandLineMode) {
        // The document is done; a notice that cannot be had for want of memory changes that not.
        try {
            std::string text(kSuccess);
            if (options.CreateBAKFiles != 0) {
                text += messages::format(kSuccessRenamed, {backup_});
            } else {
                text += kSuccessNoBackup;
            }
            context_.ui->messageBox(std::string(kSuccessCaption), text,
                                    platform::Icon::Information, platform::Buttons::Ok);
        } catch (const std::bad_alloc&) {
        }
    }
    return 1;
}

int ToolRun::run(const std::string& argument) {
    if (tool_ < kToolLowercase || tool_ > kToolConvert) return 0;
    std::optional<std::string> chosen = chooseDocument(argument);
    if (!chosen) return 0;
    // A document given by a symbolic link is the file the link leads to: that file is
    // rewritten, with its backup beside it, and the link stays a link.
    given_ = *chosen;
    document_ = platform::followedLink(files(), given_);
    const WaitCursor wait(context_);
    backup_ = backupName(document_);
    // From the moment the backup is made until it is taken back or the new text is in place,
    // an interrupt waits: the run never stops half-way between its steps. One that comes
    // before the new text is put in place stops the run there, the document as it was, and
    // then ends the program.
    std::optional<platform::HeldSignals> held;
    held.emplace();
    if (!prepare()) return 0;

    platform::FileError why;
    const int input = platform::openRegularFile(files(), backup_, why);
    if (input < 0) {
        showError(kOpenInputCaption, std::string(kOpenInput));
        restore();
        return 0;
    }
    makeStartingDirectoryCurrent();
    platform::ReplacementFile output(files());
    platform::WriteRules rules;
    // A backup that is a second name of the document is the same file by design; the new text
    // goes to a new file that takes the document's name and never into that file.
    if (!linked_) rules.protect(backup_, "the document's backup");
    rules.ownershipFrom = backup_;
    if (output.open(document_, rules)) {
        files().close(input);
        showError(kOpenOutputCaption, std::string(kOpenOutput));
        restore();
        return 0;
    }

    options::Options& options = *context_.options;
    // Remembered only when the name fits the option's 255 characters, which the next start
    // would otherwise refuse to read. Names are compared as they are: on this system two names
    // that differ only in case are two files, and the dialog must start at the one used last.
    if (!context_.commandLineMode && chosen->size() <= options::kLongestPath &&
        *chosen != options.LastOpenedToolFilename) {
        options.LastOpenedToolFilename = *chosen;
        options.optionsSaved = 0;
    }

    bool processed = true;
    bool outOfMemory = false;
    try {
        std::string bytes;
        if (platform::readDescriptor(files(), input, backup_, bytes)) {
            messages::showSeriousError(context_.ui, DocumentLines::kReadCountDiffers);
            processed = false;
        }
        if (processed) processed = process(std::move(bytes), output);
    } catch (const std::bad_alloc&) {
        // The lines or the new text could not be held: a processing failure, which puts the
        // document back as it was. Said once the memory the run held is given back.
        outOfMemory = true;
        processed = false;
    }
    if (outOfMemory) {
        try {
            messages::showSeriousError(context_.ui, DocumentLines::kLineRecordFailed);
        } catch (const std::bad_alloc&) {
        }
    }
    processed = finishOutput(processed, output);
    if (files().close(input) != 0) showError(kCloseCaption, std::string(kClose));

    if (!processed) {
        restore();
        return 0;
    }
    held.reset();  // the new text is in place
    backedUp_ = false;
    return succeed();
}

int ToolRun::guardedRun(const std::string& argument) {
    try {
        return run(argument);
    } catch (const std::bad_alloc&) {
        if (backedUp_) restore();
        try {
            messages::showSeriousError(context_.ui, DocumentLines::kLineRecordFailed);
        } catch (const std::bad_alloc&) {
        }
        return 0;
    }
}

}  // namespace

int runTool(const ToolContext& context, int tool, const std::string& document) {
    ToolRun run(context, tool);
    return run.guardedRun(document);
}

}  // namespace tools
