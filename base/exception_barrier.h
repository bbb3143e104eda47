#pragma once

#include <windows.h>

#include <new>

// Barriers for code that foreign code calls back (COM methods, library callbacks, window
// procedures): no exception may unwind into a caller that was not compiled to expect one.
namespace base {

// Runs body and returns its result, or failure when it throws.
template <typename Result, typename Body>
Result CatchAllOr(Result failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

// The form for work that returns nothing: true when body ran to its end, false when it threw
// (what it did before is kept).
template <typename Body>
bool CatchAllVoid(Body&& body) noexcept {
  try {
    body();
    return true;
  } catch (...) {
    return false;
  }
}

// The COM form: an exception becomes E_OUTOFMEMORY (allocation) or E_FAIL.
template <typename Body>
HRESULT CatchAll(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace base
