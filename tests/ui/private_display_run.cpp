// The test run again on a private display: kept apart from the display itself, which the benchmarks use
// without the test framework.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <string>

#include "ui/private_display.h"

namespace zorvan::testing {

ChildTestRun RunTestOnPrivateDisplay(QProcessEnvironment environment, int timeout_ms) {
    std::string why;
    const auto display = PrivateDisplay::Start(why);
    if (!display) return {ChildTestRun::Skipped, "there is no display and " + why};
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name = QString("%1.%2").arg(test->test_suite_name(), test->name());
    environment.insert("DISPLAY", QString::fromStdString(display->Name()));
    environment.insert(ON_PRIVATE_DISPLAY, "1");
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=" + name});
    const bool finished = child.waitForFinished(timeout_ms);
    if (!finished) {
        child.kill();
        child.waitForFinished();
    }
    std::string output = "on the private display " + display->Name() + ":\n" + child.readAll().toStdString();
    if (!finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return {ChildTestRun::Failed, std::move(output)};
    if (output.find("[  SKIPPED ]") != std::string::npos) return {ChildTestRun::Skipped, std::move(output)};
    return {ChildTestRun::Passed, std::move(output)};
}

}  // namespace zorvan::testing
