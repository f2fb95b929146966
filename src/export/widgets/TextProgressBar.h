#pragma once

// A progress bar that shows any text: the export writes table names into it, and a name
// may hold "%p" or "%v", which the plain bar would take for its placeholders. The text is
// shown as it was given.

#include <QProgressBar>

namespace quorvane::exporter {

class TextProgressBar : public QProgressBar {
    Q_OBJECT

public:
    explicit TextProgressBar(QWidget* parent = nullptr);

    // A value from 0 to 100, fractions kept to a hundredth; out-of-range values are clamped.
    void setProgress(double value);
    double progress() const;

    void setProgressText(const QString& text);
    QString text() const override { return m_text; }

signals:
    void textChanged(const QString& text);

private:
    QString m_text;
};

} // namespace quorvane::exporter
