#include "TextProgressBar.h"

#include <algorithm>
#include <cmath>

namespace quorvane::exporter {

namespace {
constexpr int kSteps = 10000; // hundredths of a percent
}

TextProgressBar::TextProgressBar(QWidget* parent)
    : QProgressBar(parent)
{
    setRange(0, kSteps);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
}

void TextProgressBar::setProgress(double value)
{
    if (!(value > 0.0)) { // also NaN
        value = 0.0;
    }
    setValue(static_cast<int>(std::lround(std::min(value, 100.0) * (kSteps / 100))));
}

double TextProgressBar::progress() const
{
    return value() / double(kSteps / 100);
}

void TextProgressBar::setProgressText(const QString& text)
{
    if (text != m_text) {
        m_text = text;
        update();
        emit textChanged(m_text);
    }
}

} // namespace quorvane::exporter
