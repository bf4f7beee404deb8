// GoogleTest main with a QApplication, so widget tests and event-loop waits work in every test binary.
#include "TestEnv.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

// What a test left waiting in the event loop goes with it.
class EndOfTest : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { testenv::endTestScope(); }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new EndOfTest);
    return RUN_ALL_TESTS();
}
