// Batches come back in the order they went in, whatever the workers' speed, and a
// record whose line cannot be built ends its batch there with the lines before it.
// Parts read by the workers come back in order too, in pieces when their text is long,
// and a row that cannot be read ends its part there.

#include "export/LinePipeline.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace quorvane;
using namespace quorvane::exporter;

namespace {

// "<n>\n" for each record; throws for the value -1.
class NumberLines : public LineFormatter {
public:
    void appendLine(LineBuffer& out, const std::vector<db::Value>& row) override
    {
        if (row.at(0).asLong() < 0)
            throw std::runtime_error("cannot format");
        out.append(std::to_string(row.at(0).asLong()) + '\n');
    }
};

std::vector<std::unique_ptr<LineFormatter>> formatters(int n)
{
    std::vector<std::unique_ptr<LineFormatter>> f;
    for (int i = 0; i < n; ++i)
        f.push_back(std::make_unique<NumberLines>());
    return f;
}

class Pipeline : public ::testing::TestWithParam<int> {};

TEST_P(Pipeline, BatchesComeBackInOrderAndStopAtAFailure)
{
    LinePipeline pipeline(formatters(std::max(GetParam(), 1)), GetParam());
    // 40 batches of 1 to 40 records; batch 30 fails at its third record, batch 35's
    // last record is cut (a value could not be read) and holds -1 before the cut.
    for (int b = 0; b < 40; ++b) {
        auto batch = pipeline.freshBatch(b);
        for (int r = 0; r <= b; ++r)
            batch->nextRow() = {db::Value::longInt((b == 30 && r == 2) || (b == 35 && r == b) ? -1 : b * 100 + r)};
        batch->lastRowCut = b == 35;
        pipeline.submit(std::move(batch));
    }
    for (int b = 0; b < 40; ++b) {
        std::unique_ptr<RecordBatch> batch;
        while (!batch)
            batch = pipeline.takeFormatted(std::chrono::milliseconds(100));
        ASSERT_EQ(batch->firstRecord, b);
        std::string lines;
        const int good = b == 30 ? 2 : b == 35 ? b : b + 1;
        for (int r = 0; r < good; ++r)
            lines += std::to_string(b * 100 + r) + '\n';
        EXPECT_EQ(batch->lines.view(), lines) << "batch " << b;
        EXPECT_EQ(batch->formatted, std::size_t(good));
        ASSERT_EQ(batch->lineEnds.size(), std::size_t(good));
        EXPECT_EQ(batch->failure != nullptr, b == 30 || b == 35) << "batch " << b;
        pipeline.recycle(std::move(batch));
    }
    EXPECT_EQ(pipeline.inFlight(), 0u);
}

// Part p holds 100 + 900 * (p % 3) rows numbered p * 10000 + r, each padded with a
// kilobyte of text; part 5 cannot read its row 700.
class PaddedRows : public db::RowPartReader {
public:
    void start(std::size_t index) override
    {
        m_part = static_cast<int>(index);
        m_row = 0;
    }
    bool next(std::vector<db::Value>& row) override
    {
        if (m_row == 100 + 900 * (m_part % 3))
            return false;
        if (m_part == 5 && m_row == 700)
            throw std::runtime_error("damaged");
        row = {db::Value::longInt(m_part * 10000 + m_row++)};
        return true;
    }

private:
    int m_part = 0;
    int m_row = 0;
};

class PaddedLines : public LineFormatter {
public:
    void appendLine(LineBuffer& out, const std::vector<db::Value>& row) override
    {
        out.append(std::to_string(row.at(0).asLong()) + std::string(1000, '.') + '\n');
    }
};

TEST_P(Pipeline, PartsComeBackInOrderInPiecesAndStopWhereARowCannotBeRead)
{
    const int workers = GetParam();
    std::vector<std::unique_ptr<LineFormatter>> lines;
    std::vector<std::unique_ptr<db::RowPartReader>> readers;
    for (int i = 0; i < std::max(workers, 1); ++i) {
        lines.push_back(std::make_unique<PaddedLines>());
        readers.push_back(std::make_unique<PaddedRows>());
    }
    LinePipeline pipeline(std::move(lines), workers, std::move(readers));
    // Never more than two parts out, so that workers wait for theirs to be taken.
    constexpr int kParts = 8;
    int submitted = 0;
    std::vector<std::string> text(kParts);
    std::vector<int> pieces(kParts);
    for (int part = 0; part < kParts; ++part) {
        while (submitted < kParts && pipeline.inFlight() < 2)
            pipeline.submitPart(static_cast<std::size_t>(submitted++));
        const std::size_t before = pipeline.inFlight();
        for (;;) {
            std::unique_ptr<RecordBatch> piece;
            while (!piece)
                piece = pipeline.takeFormatted(std::chrono::milliseconds(100));
            ASSERT_TRUE(piece->follows);
            EXPECT_LE(piece->lines.size(), LinePipeline::kPieceBytes + 1100);
            EXPECT_EQ(piece->lineEnds.size(), piece->formatted);
            EXPECT_EQ(piece->notes.empty(), !(part == 5 && pipeline.inFlight() < before)) << "part " << part;
            if (!piece->notes.empty()) {
                EXPECT_EQ(piece->notes.front().position, piece->formatted);
            }
            text[part] += piece->lines.view();
            ++pieces[part];
            pipeline.recycle(std::move(piece));
            if (pipeline.inFlight() < before)
                break;
        }
    }
    EXPECT_EQ(pipeline.inFlight(), 0u);
    for (int part = 0; part < kParts; ++part) {
        const int rows = part == 5 ? 700 : 100 + 900 * (part % 3);
        std::string expected;
        for (int r = 0; r < rows; ++r)
            expected += std::to_string(part * 10000 + r) + std::string(1000, '.') + '\n';
        EXPECT_EQ(text[part], expected) << "part " << part;
        EXPECT_EQ(pieces[part], rows * 1006 / int(LinePipeline::kPieceBytes) + 1) << "part " << part;
    }
}

INSTANTIATE_TEST_SUITE_P(Workers, Pipeline, ::testing::Values(0, 1, 3));

} // namespace
