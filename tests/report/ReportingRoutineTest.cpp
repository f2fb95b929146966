#include "report/Locations.h"
#include "report/ReportingRoutine.h"
#include "report/RuntimeError.h"

#include "RecordingErrorReporter.h"

#include "db/DbError.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace quorvane;
using namespace quorvane::report;

namespace {

[[noreturn]] void fail(const char* what)
{
    throw RuntimeError(5, QString::fromLatin1(what));
}

struct Fixture : ::testing::Test {
    fakes::RecordingErrorReporter reporter;
    ReportingRoutine routine{location::kForm1FormLoad, reporter};
    std::vector<int> ran;
};

TEST_F(Fixture, FailedStatementIsReportedWithItsNumberAndTheRoutineGoesOn)
{
    routine.run(100, [&] { fail("skin"); });
    routine.run(102, [&] { ran.push_back(102); });
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].line, 100);
    EXPECT_EQ(reporter.reports[0].location, location::kForm1FormLoad);
    EXPECT_EQ(reporter.reports[0].description, QStringLiteral("skin"));
    EXPECT_EQ(ran, std::vector<int>{102});
}

TEST_F(Fixture, WorkDoneBeforeTheErrorStaysDone)
{
    int steps = 0;
    const bool ok = routine.run(104, [&] {
        ++steps;
        fail("half way");
        ++steps;
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(steps, 1);
}

TEST_F(Fixture, ErrorInACalledRoutineCarriesTheCallersNumber)
{
    auto callee = [] { throw db::DbException(db::DbError::providerNotFound()); };
    routine.run(110, [&] { callee(); });
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].line, 110);
    EXPECT_EQ(reporter.reports[0].description, db::DbError::providerNotFound().description);
}

TEST_F(Fixture, UnnumberedPartKeepsTheCurrentNumber)
{
    routine.run(120, [] {});
    routine.run([&] { fail("part"); });
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].line, 120);
}

TEST_F(Fixture, FailedTestRunsTheGuardedBranch)
{
    if (routine.test(104, []() -> bool { fail("test"); }))
        ran.push_back(106);
    EXPECT_EQ(ran, std::vector<int>{106});
    EXPECT_EQ(reporter.lines(), std::vector<int>{104});
}

TEST_F(Fixture, TestResultIsHonouredWhenItRuns)
{
    EXPECT_FALSE(routine.test(104, [] { return false; }));
    EXPECT_TRUE(routine.test(104, [] { return true; }));
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(Fixture, FailingBodyStatementDoesNotStopTheLoop)
{
    for (int i = 0; i < 4; ++i) {
        routine.run(102, [&] {
            if (i % 2 == 0)
                fail("odd row");
            ran.push_back(i);
        });
        routine.run(104, [] {});
    }
    EXPECT_EQ(ran, (std::vector<int>{1, 3}));
    EXPECT_EQ(reporter.lines(), (std::vector<int>{102, 102}));
}

TEST_F(Fixture, LoopTestFailingOnEveryPassIsReportedOnceAndEnds)
{
    ReportingRoutine::Loop loop;
    int bodies = 0;
    int guard = 0;
    while (routine.loopTest(loop, 114, []() -> bool { fail("EOF of a closed record set"); }) && ++guard < 100)
        ++bodies;
    EXPECT_EQ(bodies, 1); // the body runs once after the failed test
    EXPECT_EQ(reporter.lines(), std::vector<int>{114});
}

TEST_F(Fixture, LoopTestThatRecoversGoesOn)
{
    ReportingRoutine::Loop loop;
    int pass = 0;
    // Fails on the first pass only, then counts three more passes.
    while (routine.loopTest(loop, 114, [&]() -> bool {
        if (pass == 0)
            fail("once");
        return pass < 4;
    }))
        ++pass;
    EXPECT_EQ(pass, 4);
    EXPECT_EQ(reporter.reports.size(), 1u);
}

TEST_F(Fixture, ValueStatementGivesNothingWhenItFails)
{
    EXPECT_EQ(routine.value(114, [] { return 7; }), std::optional<int>(7));
    EXPECT_EQ(routine.value(116, []() -> int { fail("count"); }), std::nullopt);
    EXPECT_EQ(reporter.lines(), std::vector<int>{116});
}

// Whatever is thrown becomes a report with a description; nothing escapes.
struct ThrownCase {
    const char* name;
    std::function<void()> thrower;
    QString description;
};

class Thrown : public ::testing::TestWithParam<ThrownCase> {};

TEST_P(Thrown, BecomesAReport)
{
    fakes::RecordingErrorReporter reporter;
    ReportingRoutine routine(location::kForm2FormLoad, reporter);
    EXPECT_FALSE(routine.run(124, GetParam().thrower));
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].description, GetParam().description);
    EXPECT_EQ(routine.reportCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Thrown,
    ::testing::Values(
        ThrownCase{"runtime", [] { throw RuntimeError(13, QStringLiteral("Type mismatch")); }, QStringLiteral("Type mismatch")},
        ThrownCase{"provider", [] { throw db::DbException(3078, QStringLiteral("Ünknown täble")); },
                   QStringLiteral("Ünknown täble")},
        ThrownCase{"memory", [] { throw std::bad_alloc(); }, QStringLiteral("Out of memory")},
        ThrownCase{"std", [] { throw std::runtime_error("plain"); }, QStringLiteral("plain")},
        ThrownCase{"other", [] { throw 42; }, QStringLiteral("Application-defined or object-defined error")}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
