#include "app/command_help.h"

#include <algorithm>

namespace app {
namespace {

constexpr std::size_t kWidth = 90;
constexpr std::size_t kFlagColumn = 24;

// Splits `text` into its paragraphs (separated by blank lines).
std::vector<std::string_view> paragraphs(std::string_view text) {
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const std::size_t blank = text.find("\n\n");
        out.push_back(text.substr(0, blank));
        if (blank == std::string_view::npos) break;
        text.remove_prefix(blank + 2);
    }
    return out;
}

// Appends `text` filled into lines of at most kWidth characters, the first starting at column
// `first` (already written) and the others indented by `indent`.
void fill(std::string& out, std::string_view text, std::size_t first, std::size_t indent) {
    std::size_t column = first;
    bool lineStart = true;
    while (!text.empty()) {
        const std::size_t start = text.find_first_not_of(" \n");
        if (start == std::string_view::npos) break;
        text.remove_prefix(start);
        const std::size_t end = std::min(text.find_first_of(" \n"), text.size());
        const std::string_view word = text.substr(0, end);
        text.remove_prefix(end);
        if (!lineStart && column + 1 + word.size() > kWidth) {
            out += '\n';
            out.append(indent, ' ');
            column = indent;
            lineStart = true;
        }
        if (!lineStart) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        lineStart = false;
    }
    out += '\n';
}

// Text for roff: a leading "." or "'" would be a request, and "\" starts an escape; "-" in
// option names is written as "\-" so that it can be searched for and copied.
std::string roff(std::string_view text) {
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
        lineStart = c == '\n';
    }
    return out;
}

std::string joinedParagraph(std::string_view paragraph) {
    std::string out(paragraph);
    std::replace(out.begin(), out.end(), '\n', ' ');
    return out;
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// The option names of a flags column: "-j, --jobs N" gives "-j" and "--jobs".
std::vector<std::string> optionNames(std::string_view flags) {
    std::vector<std::string> names;
    while (!flags.empty()) {
        const std::size_t start = flags.find('-');
        if (start == std::string_view::npos) break;
        flags.remove_prefix(start);
        const std::size_t end = std::min(flags.find_first_of(" ,="), flags.size());
        names.emplace_back(flags.substr(0, end));
        flags.remove_prefix(end);
        const std::size_t comma = flags.find(", ");
        if (comma == std::string_view::npos) break;
        flags.remove_prefix(comma + 2);
    }
    return names;
}

}  // namespace

std::string usageText(const CommandHelp& help) {
    std::string out;
    // Every form names the program, the later ones under the first: "       markwise-cfg ...".
    const std::string lead = "Usage: " + std::string(help.program) + " ";
    for (std::size_t i = 0; i < help.synopsis.size(); ++i) {
        out += i == 0 ? lead : std::string(7, ' ') + std::string(help.program) + " ";
        fill(out, help.synopsis[i], lead.size(), lead.size() + 2);
    }
    for (std::string_view paragraph : paragraphs(help.description)) {
        out += '\n';
        fill(out, paragraph, 0, 0);
    }
    if (!help.options.empty()) out += '\n';
    for (const HelpOption& option : help.options) {
        out += "  ";
        out += option.flags;
        std::size_t column = 2 + option.flags.size();
        if (column + 2 > kFlagColumn) {
            out += '\n';
            column = 0;
        }
        out.append(kFlagColumn - column, ' ');
        fill(out, option.text, kFlagColumn, kFlagColumn);
    }
    for (const HelpSection& section : help.sections) {
        out += '\n';
        bool first = true;
        for (std::string_view paragraph : paragraphs(section.text)) {
            if (first) {
                const std::string heading = std::string(section.title) + ": ";
                out += heading;
                fill(out, paragraph, heading.size(), 0);
                first = false;
            } else {
                out += '\n';
                fill(out, paragraph, 0, 0);
            }
        }
    }
    return out;
}

std::string manPage(const CommandHelp& help, std::string_view version, std::string_view date) {
    std::string out;
    out += ".TH " + upper(help.program) + " 1 \"" + std::string(date) + "\" \"Zentrel Markwise " +
           std::string(version) + "\" \"User Commands\"\n";
    out += ".SH NAME\n" + roff(help.program) + " \\- " + roff(help.purpose) + "\n";
    out += ".SH SYNOPSIS\n";
    for (std::string_view form : help.synopsis) {
        out += ".B " + roff(help.program) + "\n" + roff(joinedParagraph(form)) + "\n.br\n";
    }
    out += ".SH DESCRIPTION\n";
    for (std::string_view paragraph : paragraphs(help.description)) {
        out += ".PP\n" + roff(joinedParagraph(paragraph)) + "\n";
    }
    if (!help.options.empty()) out += ".SH OPTIONS\n";
    for (const HelpOption& option : help.options) {
        out += ".TP\n.B " + roff(option.flags) + "\n" + roff(joinedParagraph(option.text)) + "\n";
    }
    for (const HelpSection& section : help.sections) {
        out += ".SH " + upper(section.title) + "\n";
        for (std::string_view paragraph : paragraphs(section.text)) {
            out += ".PP\n" + roff(joinedParagraph(paragraph)) + "\n";
        }
    }
    return out;
}

std::string bashCompletion(const CommandHelp& help) {
    std::string function = "_" + std::string(help.program);
    std::replace(function.begin(), function.end(), '-', '_');
    std::string all;
    std::string cases;
    std::string commands;  // a program of commands ("dump FILE") offers them as first word
    for (const HelpOption& option : help.options) {
        if (!option.flags.starts_with("-")) {
            const std::string_view word = option.flags.substr(0, option.flags.find(' '));
            commands += (commands.empty() ? "" : " ") + std::string(word);
            continue;
        }
        const std::vector<std::string> names = optionNames(option.flags);
        for (const std::string& name : names) all += (all.empty() ? "" : " ") + name;
        if (option.completion.empty() || names.empty()) continue;
        std::string pattern;
        for (const std::string& name : names) pattern += (pattern.empty() ? "" : "|") + name;
        std::string action;
        if (option.completion == "FILE") {
            action = "COMPREPLY=($(compgen -f -- \"$cur\"))";
        } else if (option.completion == "DIR") {
            action = "COMPREPLY=($(compgen -d -- \"$cur\"))";
        } else if (option.completion == "NONE") {
            action = "COMPREPLY=()";
        } else {
            action = "COMPREPLY=($(compgen -W \"" + std::string(option.completion) + "\" -- \"$cur\"))";
        }
        cases += "        " + pattern + ")\n            " + action + "\n            return ;;\n";
    }
    std::string out;
    out += "# bash completion for " + std::string(help.program) + "\n";
    out += function + "() {\n";
    out += "    local cur=\"${COMP_WORDS[COMP_CWORD]}\" prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n";
    if (!commands.empty()) {
        out += "    if [[ $COMP_CWORD -eq 1 && \"$cur\" != -* ]]; then\n";
        out += "        COMPREPLY=($(compgen -W \"" + commands + "\" -- \"$cur\"))\n";
        out += "        return\n    fi\n";
    }
    out += "    case \"$prev\" in\n" + cases + "    esac\n";
    out += "    if [[ \"$cur\" == -* ]]; then\n";
    out += "        COMPREPLY=($(compgen -W \"" + all + "\" -- \"$cur\"))\n";
    out += "    else\n        COMPREPLY=($(compgen -f -- \"$cur\"))\n    fi\n}\n";
    out += "complete -o filenames -F " + function + " " + std::string(help.program) + "\n";
    return out;
}

}  // namespace app
