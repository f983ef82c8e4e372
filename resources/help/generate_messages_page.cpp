// Builds the help page of messages: the page's source with the list of every kind of message
// filled in from the catalogue.
//
//   markwise-help-messages SOURCE OUT
#include <cstdio>
#include <string>

#include "messages/message_ids.h"
#include "platform/file_policy.h"
#include "platform/file_system.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: markwise-help-messages SOURCE OUT\n", stderr);
        return 2;
    }
    platform::FileSystem& fs = platform::systemFileSystem();
    std::string page;
    if (auto failure = platform::readRegularFile(fs, argv[1], page)) {
        std::fprintf(stderr, "markwise-help-messages: %s\n", failure->message().c_str());
        return 2;
    }
    std::optional<std::string> filled = messages::fillMessageList(page);
    if (!filled) {
        std::fprintf(stderr,
                     "markwise-help-messages: %s: no \"<!-- message-list -->\" ... \"<!-- end of "
                     "message-list -->\" to fill\n",
                     argv[1]);
        return 2;
    }
    platform::ReplacementFile out(fs);
    platform::WriteRules rules;
    rules.protect(argv[1], "the page's source");
    std::optional<platform::FileError> failure = out.open(argv[2], rules);
    if (!failure) {
        out.write(*filled);
        failure = out.commit();
    }
    if (failure) {
        std::fprintf(stderr, "markwise-help-messages: %s\n", failure->message().c_str());
        return 2;
    }
    return 0;
}
