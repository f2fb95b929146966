#pragma once

// Records every error report instead of showing it.

#include "report/ErrorReporter.h"

#include <functional>
#include <vector>

namespace quorvane::fakes {

class RecordingErrorReporter : public report::ErrorReporter {
public:
    void showApplicationError(const report::ApplicationError& error) override
    {
        reports.push_back(error);
        if (onReport)
            onReport(error);
    }

    std::vector<int> lines() const
    {
        std::vector<int> out;
        for (const auto& r : reports)
            out.push_back(r.line);
        return out;
    }

    std::vector<report::ApplicationError> reports;
    std::function<void(const report::ApplicationError&)> onReport;
};

} // namespace quorvane::fakes
