#pragma once

// The skin of the main window: a Qt style sheet read from a file beside the program and
// applied to a window. Driven by six calls at start-up, in this order: load the skin,
// read the apply options, switch on kApplyToWindow, switch on hover highlighting, switch
// on rounded frames, apply to the window.
//
// The sheet can address the two switches through properties of the skinned window:
//   QWidget[skinHover="true"] QPushButton:hover { ... }
//   QWidget[skinRounded="true"] QGroupBox { border-radius: 4px; }

#include <QString>

class QWidget;

namespace quorvane::app {

class SkinFramework {
public:
    // Apply options: the style sheet reaches the window and everything in it.
    static constexpr int kApplyToWindow = 1;

    // Reads the style sheet from `path` (UTF-8). `iniName` would pick a variant of a skin
    // that holds several; a plain sheet has one, so it is ignored. Raises
    // report::RuntimeError when the file cannot be read.
    void LoadSkin(const QString& path, const QString& iniName);

    int ApplyOptions() const { return m_applyOptions; }
    void setApplyOptions(int options) { m_applyOptions = options; }

    bool hoverHighlight() const { return m_hoverHighlight; }
    void setHoverHighlight(bool on) { m_hoverHighlight = on; }

    bool roundedFrames() const { return m_roundedFrames; }
    void setRoundedFrames(bool on) { m_roundedFrames = on; }

    // Gives `window` the loaded sheet (with kApplyToWindow set) and the two switches.
    void ApplyWindow(QWidget* window) const;

    const QString& styleSheet() const { return m_styleSheet; }

private:
    QString m_styleSheet;
    int m_applyOptions = 0;
    bool m_hoverHighlight = false;
    bool m_roundedFrames = false;
};

} // namespace quorvane::app
