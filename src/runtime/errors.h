// Host exceptions: the only way failures reach host code. Raising records the
// exception with the host and returns; the caller then returns its neutral
// result, and the host throws when the outermost plugin call returns.
#pragma once

#include <cstdint>
#include <exception>
#include <utility>

#include "runtime/host_api.h"

// Raises an instance of `className` (falling back to "RuntimeException")
// with Message = `message` (UTF-8) and ErrorNumber = 0.
void RaiseException(const char* className, const char* message);
void RaiseExceptionWithString(const char* className, REALstring message, int64_t errorNumber);
// How many exceptions the plugin has raised so far. Raising does not unwind,
// so a caller that must know whether a piece of work raised compares this
// before and after it.
uint64_t RaisedExceptionCount();
void RaiseOutOfBounds(const char* message);
// "The parameter %s %s%s is too %s. Range is %lld to %lld, but value is %lld."
void RaiseParameterOutOfRange(int64_t value, int64_t lowerBound, int64_t upperBound,
                              const char* parameterName, const char* methodName);
// Maps a standard exception onto the host exception its type calls for.
void TranslateCppException(const std::exception& error);
// What the guard does with a thrown value that is not a std::exception.
void RaiseUnnamedCppException();

// The bounds-checked element read behind every indexed member: the element
// with one reference for the caller, nil for a nil array, and an
// "OutOfBoundsException" plus nil for an index outside 0..count-1.
REALobject ObjectArrayItem(REALobject array, int64_t index);

// Runs `body` inside the guard of a host-callable entry point: an escaping
// exception becomes a host exception and `neutral` is returned instead.
template <class Result, class Body>
Result RunGuarded(Result neutral, Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (const std::exception& error) {
    TranslateCppException(error);
  } catch (...) {
    RaiseUnnamedCppException();
  }
  return neutral;
}

template <class Body>
void RunGuarded(Body&& body) {
  try {
    std::forward<Body>(body)();
  } catch (const std::exception& error) {
    TranslateCppException(error);
  } catch (...) {
    RaiseUnnamedCppException();
  }
}
