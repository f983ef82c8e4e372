// A realistic HTML Configuration built in code: the tag names, attributes and values of
// HTML 4 in one active category, with closing rules, valid and invalid ranges, required
// attributes, value types and a few configuration entities. The benchmarks, the fuzz targets
// and the tests validate against it, so that the engine's configuration paths (placement,
// ranges, attribute and value checks, messages) are measured and exercised on rules of the
// size and shape a real configuration has.
#pragma once

#include "config/cfg_store.h"

// The category every entry of the realistic configuration belongs to; it is the one active
// category.
inline constexpr const char* kRealisticCategory = "HTML 4.01";

// Replaces whatever `configuration` holds with the built-in entries (resetToBuiltins) and
// the realistic rules. Always the same entries with the same ids, so that figures and
// findings can be compared between runs. Throws std::logic_error when the rule tables name an
// entry they do not define (a mistake in the tables, never in the input).
void buildRealisticConfiguration(CfgStore& configuration);
