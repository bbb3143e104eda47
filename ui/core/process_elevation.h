#pragma once

#include <optional>

namespace ui {

// Whether the process runs with an elevated token (an administrator, or any process under Wine):
// asked of the token once. Skin lookups then trust no name relative to the current folder.
bool ProcessIsElevated();

// Replaces the token's answer until reset with std::nullopt, so that tests can drive both cases.
void SetProcessElevatedForTesting(std::optional<bool> elevated);

}  // namespace ui
