#pragma once
// The one way a run ends after a fatal condition. A routine throws
// FatalStop; the program's entry (run_guarded) writes the message exactly as
// given, waits for the Enter key where the stop asks for it, and the process
// ends with exit status 1.
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/console.hpp"

namespace sim {

struct FatalStop : std::runtime_error {
  enum class Wait { none, enter };
  FatalStop(std::string_view message, Wait wait)
      : std::runtime_error(std::string(message)), wait(wait) {}
  Wait wait;
};

// Writes the message as one line, waits for the Enter key, stops.
[[noreturn]] void ERRSTOP(std::string_view message);

// Stops without waiting (over-long deck word, unknown device keyword ...).
[[noreturn]] void stop_at_once(std::string_view message);

// Runs a program body; returns its exit status: 0 on a normal end, 1 after a
// fatal stop (message written, Enter awaited where asked for).
int run_guarded(Console& console, const std::function<void()>& body);

}  // namespace sim
