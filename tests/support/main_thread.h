// The test's own thread as the user-interface thread: it runs the calls that
// workers queue for it, and keeps the failures that reach the platform's
// handler.
#pragma once

#include <chrono>
#include <exception>
#include <string>
#include <vector>

#include "platform/core/thread.h"

namespace testing_support {

// Runs the queued calls until `done`, for 10 s at most (a guard against a
// hang, not a measure); false when it gave up.
template <typename Done>
bool ServeUntil(Done done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        platform::CheckSynchronize(5);
    }
    return true;
}

// Runs the queued calls for `time`.
inline void ServeFor(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) platform::CheckSynchronize(5);
}

// Keeps the messages of the failures that reach the platform's handler while
// it lives.
struct Failures {
    std::vector<std::string> messages;
    Failures() {
        platform::SetErrorHandler(
            [this](const std::exception& error) { messages.emplace_back(error.what()); });
    }
    ~Failures() { platform::SetErrorHandler(nullptr); }
    Failures(const Failures&) = delete;
    Failures& operator=(const Failures&) = delete;
};

}  // namespace testing_support
