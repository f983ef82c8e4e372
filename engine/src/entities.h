// The character entity check: numeric entities, the three built-in tables of named entities
// and the entities of the HTML Configuration.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "run_state.h"

namespace engine {

class ConfigurationView;

class EntityChecker {
public:
    // `view` is the run's view of the HTML Configuration, null when there is none.
    EntityChecker(RunState& state, const ConfigurationView* view) : state_(state), view_(view) {}

    // Checks the entity named `name` (the text between `&` and `;`). Returns true when it is
    // accepted; otherwise the finding has been raised.
    bool check(std::string_view name);
    // Whether `name` is the name of an entity, built in or in the configuration, in any case,
    // active or not; nothing is raised.
    bool knowsName(std::string_view name) const;

private:
    enum class Numeric { Accepted, NotNumeric };
    Numeric checkNumeric(std::string_view name);
    // Whether `written` may name an entity, built in or in the configuration, by its length.
    bool mayName(std::string_view written);
    void learnNames() {
        if (nameLengths_ == nullptr) learnNamesOnce();
    }
    void learnNamesOnce();

    RunState& state_;
    const ConfigurationView* view_;
    // Which lengths the entity names have, up to the longest (found at the first need).
    const std::vector<unsigned char>* nameLengths_ = nullptr;
    std::vector<unsigned char> ownLengths_;
};

// Whether `name` is in one of the built-in tables (A: ISO 8859-1 with amp, gt, lt, quot;
// B: symbols and Greek letters; C: special entities), compared case-sensitively; and the
// spelling that a case-insensitive match suggests (the last one in table order), or empty.
bool isBuiltinEntity(std::string_view name);
std::string_view builtinSuggestion(std::string_view name);

// Which lengths the entity names have, built in or among the entities of `cfg` (which may be
// null), by length up to the longest.
std::vector<unsigned char> entityNameLengths(const CfgStore* cfg);

}  // namespace engine
