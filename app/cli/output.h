#pragma once
// What kestrel-cli prints: the values for show, the outcome of generate, as
// text in the terminal's encoding or as one JSON object, which also lists
// the warnings about the files (on standard error already).
#include <nlohmann/json.hpp>

#include "app/cli/warnings.h"
#include "app/cli/values.h"
#include "release/fields.h"
#include "release/generate.h"

namespace cli {

// One JSON object, UTF-8 (a byte that is none replaced), indented by two.
void print_json(const nlohmann::ordered_json& object);

// "kestrel-cli <version>", or {"version": "<version>"}.
void print_version(bool json);

void print_values(const release::Values& values, bool json, const Warnings& warnings);

// Prints the outcome; returns the exit status it stands for.
int print_outcome(const release::Outcome& outcome, bool dry_run, bool json, const Warnings& warnings);

// Prints a refused option value; returns the exit status.
int print_refusal(const Refusal& refusal, bool json, const Warnings& warnings);

}  // namespace cli
