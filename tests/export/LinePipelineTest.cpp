// Batches come back in the order they went in, whatever the workers' speed, and a
// record whose line cannot be built ends its batch there with the lines before it.

#include "export/LinePipeline.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace quorvane;
using namespace quorvane::exporter;

namespace {

// "<n>\n" for each record; throws for the value -1.
class NumberLines : public LineFormatter {
public:
    void appendLine(std::string& out, const std::vector<db::Value>& row) override
    {
        if (row.at(0).asLong() < 0)
            throw std::runtime_error("cannot format");
        out += std::to_string(row.at(0).asLong()) + '\n';
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
        EXPECT_EQ(batch->lines, lines) << "batch " << b;
        EXPECT_EQ(batch->formatted, std::size_t(good));
        ASSERT_EQ(batch->lineEnds.size(), std::size_t(good));
        EXPECT_EQ(batch->failure != nullptr, b == 30 || b == 35) << "batch " << b;
        pipeline.recycle(std::move(batch));
    }
    EXPECT_EQ(pipeline.inFlight(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Workers, Pipeline, ::testing::Values(0, 1, 3));

} // namespace
