#include "ui/core/process_elevation.h"

#include "base/token_elevation.h"

namespace ui {

namespace {

std::optional<bool>& ElevatedForTesting() {
  static std::optional<bool> elevated;
  return elevated;
}

}  // namespace

bool ProcessIsElevated() {
  if (ElevatedForTesting())
    return *ElevatedForTesting();
  // Unknown counts as elevated: the stricter lookup loses nothing the skin holds.
  static const bool elevated = base::ProcessTokenIsElevated().value_or(true);
  return elevated;
}

void SetProcessElevatedForTesting(std::optional<bool> elevated) {
  ElevatedForTesting() = elevated;
}

}  // namespace ui
