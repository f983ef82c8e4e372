#include "shell/help.h"

#include "app/help_topics.h"
#include "platform/file_policy.h"
#include "shell_text.h"

namespace shell {
namespace {

// The box for a page that cannot be opened names the address, unless the text would reach
// 512 characters.
constexpr std::string_view kPageError =
    "The operating system was unable to open the page \"%s\". You must have a web browser "
    "installed and an Internet connection to view this page.";
constexpr std::size_t kLongestPageMessage = 512;

app::HelpTopic topicOf(const std::string& keyword) {
    if (auto topic = app::findHelpTopic(keyword)) return *topic;
    return *app::findHelpTopic("table of contents");
}

}  // namespace

std::string helpPagePath(const std::string& programDirectory, const std::string& keyword) {
    const app::HelpTopic topic = topicOf(keyword);
    return programDirectory + std::string(app::kHelpFolder) + std::string(topic.page);
}

bool showHelp(Shell& shell, const std::string& keyword) {
    const app::HelpTopic topic = topicOf(keyword);
    const std::string path =
        platform::absoluteName(helpPagePath(shell.programDirectory(), keyword));
    // A page that is not there would only fail later, in the browser, out of the user's sight.
    if (shell.services().files.exists(path) &&
        shell.services().browser.open(platform::fileUrl(path, std::string(topic.anchor)))) {
        return true;
    }
    shell.say("Markwise: Cannot Display Help",
              detail::fill("There was an error opening the help file \"%s\". Help cannot be "
                           "displayed.",
                           topic.page));
    return false;
}

bool openPage(Shell& shell, const std::string& address) {
    if (shell.services().browser.open(address)) return true;
    const bool tooLong = kPageError.size() + address.size() >= kLongestPageMessage;
    shell.say("Markwise: Could Not Open URL",
              detail::fill(kPageError, tooLong ? "[URL too long to print]" : address));
    return false;
}

bool askToDownloadConfiguration(Shell& shell) {
    return shell.say(
               "Markwise: Download Latest HTML Configuration File?",
               "Do you want to use your Internet web browser to download the latest HTML "
               "Configuration file for this version of Zentrel Markwise? If so, remember that "
               "you will need to tell Markwise to load the new HTML Configuration file before "
               "it will take effect. If you download the ZIP file, you must also unzip the HTML "
               "Configuration file. The recommended update procedure is to download the "
               "uncompressed HTML Configuration file to disk and overwrite the old, default HTML "
               "Configuration file (usually mkwise25.cfg) that is located in the directory where "
               "Markwise is installed. After downloading, restart Markwise or reload the HTML "
               "Configuration for the new file to take effect. Remember that if you overwrite "
               "any HTML Configuration files, any changes that you have made to those files "
               "will be lost.",
               platform::Icon::Question, platform::Buttons::YesNo) == platform::Answer::Yes;
}

}  // namespace shell
