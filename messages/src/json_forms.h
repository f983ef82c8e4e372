// The JSON and SARIF forms, written through nlohmann-json: every value is escaped by the
// library, and text that is not UTF-8 (a document's bytes in a message) is written with
// U+FFFD in place of each invalid byte, so that the output is always valid JSON.
#pragma once

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "messages/findings_writer.h"

namespace messages::detail {

using Json = nlohmann::ordered_json;

inline constexpr std::string_view kToolName = "Zentrel Markwise";
inline constexpr std::string_view kToolVersion = "2.55";

inline std::string dump(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::unique_ptr<FindingsWriter> makeJsonWriter();
std::unique_ptr<FindingsWriter> makeSarifWriter();

}  // namespace messages::detail
