// Qt's event loop run by widget tests while workers and timers do their
// part.
#pragma once

#include <QCoreApplication>
#include <chrono>
#include <thread>

namespace testing_support {

// Runs Qt's event loop (and nothing else) until `done`, for 10 s at most (a
// guard against a hang, not a measure); false when it gave up.
template <typename Done>
bool RunUntil(Done done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Runs Qt's event loop for `time`.
inline void RunFor(std::chrono::milliseconds time) {
    RunUntil([end = std::chrono::steady_clock::now() + time] {
        return std::chrono::steady_clock::now() >= end;
    });
}

}  // namespace testing_support
