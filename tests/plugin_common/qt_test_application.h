#pragma once
// One QApplication for a whole GoogleTest program (tests run under the offscreen platform).
// Include it in exactly one source file of a test program.

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace lumisett::test {

class QtApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "lumisett-test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

// Registered before main runs; GoogleTest owns the environment.
inline testing::Environment* const kQtApplication =
    testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// Delivers everything posted so far, deferred deletions included.
inline void ProcessPendingEvents() {
    QCoreApplication::sendPostedEvents(nullptr, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace lumisett::test
