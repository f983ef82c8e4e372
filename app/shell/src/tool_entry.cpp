#include "shell/tool_entry.h"

namespace shell {
namespace {

constexpr const char* kNotAvailableCaption = "Markwise: Not Available Yet";

const char* toolName(int tool) {
    switch (tool) {
        case kToolLowercase: return "The lowercase tool";
        case kToolUppercase: return "The uppercase tool";
        case kToolStripTags: return "The strip HTML tags tool";
        case kToolTemplate: return "The template tool";
        case kToolConvertFormat: return "The convert text file format tool";
        default: return "This tool";
    }
}

}  // namespace

bool runToolCommand(Shell& shell, int tool, const std::string& /*document*/) {
    shell.say(kNotAvailableCaption,
              std::string(toolName(tool)) + " is not available in this version of Markwise yet.",
              platform::Icon::Information);
    return false;
}

bool runCleanConfiguration(Shell& shell) {
    shell.say(kNotAvailableCaption,
              "Clean Configuration is not available in this version of Markwise yet.",
              platform::Icon::Information);
    return false;
}

bool openConfigurationEditor(Shell& shell) {
    shell.say(kNotAvailableCaption,
              "The HTML Configuration Editor is not available in this version of Markwise yet.",
              platform::Icon::Information);
    return false;
}

}  // namespace shell
