// GoogleTest main with a QApplication, so widget tests and event-loop waits work in every test binary.
#include "TestEnv.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

// What a test left waiting in the event loop goes with it. The program names the application after
// its window title; the next test's temporary folders (named after the application) would then carry a
// long Japanese name, too long for the callers' sockets, so the test binary's own name comes back.
class EndOfTest : public ::testing::EmptyTestEventListener {
public:
    explicit EndOfTest(QString name) : m_name(std::move(name)) {}

private:
    void OnTestEnd(const ::testing::TestInfo&) override {
        testenv::endTestScope();
        QCoreApplication::setApplicationName(m_name);
    }
    QString m_name;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new EndOfTest(QCoreApplication::applicationName()));
    return RUN_ALL_TESTS();
}
