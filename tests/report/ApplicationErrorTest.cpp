#include "report/ApplicationError.h"
#include "report/Locations.h"

#include "RecordingErrorReporter.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::report;

namespace {

class SupportAddress : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = supportAddress();
        setSupportAddress(QStringLiteral("help@example.org"));
    }
    void TearDown() override { setSupportAddress(m_saved); }

private:
    QString m_saved;
};

TEST_F(SupportAddress, MessageIsBuiltPieceByPiece)
{
    const QString message = buildApplicationErrorMessage(QStringLiteral("Provider cannot be found."),
                                                         location::kForm1PushButton3Click, 110);
    EXPECT_EQ(message, QStringLiteral("Provider cannot be found.\r\n"
                                      "in Kestrine2018/12/03.Form1.PushButton3_Click at line 110\r\r"
                                      "Please email screenshot of this message to help@example.org"));
}

TEST_F(SupportAddress, HandlerWithoutNumbersLeavesOutTheLine)
{
    EXPECT_EQ(buildApplicationErrorMessage(QStringLiteral("Oops"), QStringLiteral("in Kestrine.Form2.Text1_Change "), 0),
              QStringLiteral("Oops\r\nin Kestrine.Form2.Text1_Change \r\r"
                             "Please email screenshot of this message to help@example.org"));
}

TEST_F(SupportAddress, ReporterReceivesThePieces)
{
    fakes::RecordingErrorReporter reporter;
    ShowApplicationError(reporter, QStringLiteral("Disk full"), location::kForm2PushButton5Click, 218);
    ASSERT_EQ(reporter.reports.size(), 1u);
    const ApplicationError& e = reporter.reports.front();
    EXPECT_EQ(e.description, QStringLiteral("Disk full"));
    EXPECT_EQ(e.location, location::kForm2PushButton5Click);
    EXPECT_EQ(e.line, 218);
    EXPECT_EQ(e.message, buildApplicationErrorMessage(e.description, e.location, 218));
}

TEST_F(SupportAddress, ProgramWideReporterCanBeReplacedAndRestored)
{
    fakes::RecordingErrorReporter reporter;
    setErrorReporter(&reporter);
    ShowApplicationError(QStringLiteral("x"), location::kForm1FormLoad, 100);
    setErrorReporter(nullptr);
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_NE(&errorReporter(), &reporter);
}

// Each routine's fixed text: "in ", "Kestrine", the stamp, module, routine, one blank;
// NonSystemTables alone without the stamp.
struct LocationCase {
    const QString* text;
    const char* module;
    const char* routine;
    bool stamped;
};

class LocationText : public ::testing::TestWithParam<LocationCase> {};

TEST_P(LocationText, FollowsTheOneShape)
{
    const LocationCase& c = GetParam();
    const QString expected = QStringLiteral("in Kestrine") + (c.stamped ? QStringLiteral("2018/12/03") : QString())
        + QLatin1Char('.') + QLatin1String(c.module) + QLatin1Char('.') + QLatin1String(c.routine) + QLatin1Char(' ');
    EXPECT_EQ(*c.text, expected);
}

INSTANTIATE_TEST_SUITE_P(
    AllRoutines, LocationText,
    ::testing::Values(LocationCase{&location::kForm1FormLoad, "Form1", "Form_Load", true},
                      LocationCase{&location::kForm1PushButton1Click, "Form1", "PushButton1_Click", true},
                      LocationCase{&location::kForm1PushButton3Click, "Form1", "PushButton3_Click", true},
                      LocationCase{&location::kForm1PushButton5Click, "Form1", "PushButton5_Click", true},
                      LocationCase{&location::kForm2FormLoad, "Form2", "Form_Load", true},
                      LocationCase{&location::kForm2PushButton1Click, "Form2", "PushButton1_Click", true},
                      LocationCase{&location::kForm2PushButton2Click, "Form2", "PushButton2_Click", true},
                      LocationCase{&location::kForm2PushButton3Click, "Form2", "PushButton3_Click", true},
                      LocationCase{&location::kForm2PushButton4Click, "Form2", "PushButton4_Click", true},
                      LocationCase{&location::kForm2PushButton5Click, "Form2", "PushButton5_Click", true},
                      LocationCase{&location::kAccessNonSystemTables, "Access", "NonSystemTables", false},
                      LocationCase{&location::kAccessAddTablesToAccessListbox, "Access", "AddTablesToAccessListbox",
                                   true}));

} // namespace
