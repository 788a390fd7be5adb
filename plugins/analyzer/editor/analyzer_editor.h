#pragma once
// The analyzer's editor: three lists choosing what the red and green traces and the white
// noise curve show, the plot, the decay control with its figure in milliseconds, the status
// line, the "log" box, the two scale controls on the right, the two frequency controls at the
// bottom and Help. The window is resizable; its controls are placed for a usable width of
// 300 .. 1000 pixels and a height of at least 220.
//
// It changes the analysis only through AnalyzerEffect's operations. Window thread only.

#include "plugin_common/ui/plugin_editor.h"
#include "plugins/analyzer/analyzer_effect.h"

#include <QTimer>

#include <array>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace lumisett::analyzer {

class SpectrumPlot;

// Two small arrow buttons; `step(true)` for up (or right), `step(false)` for down (or left).
class UpDown : public QWidget {
public:
    UpDown(QWidget* parent, const QString& name, Qt::Orientation orientation, std::function<void(bool)> step);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Qt::Orientation orientation_;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
};

class AnalyzerEditor : public plugin::PluginEditor {
public:
    AnalyzerEditor(QWidget* owner, plugin::EditorSetup setup, AnalyzerEffect& effect, std::string statusText);

    // Shows the status text again at the next tick (after each CloseEffect).
    void RefreshStatus() { statusPending_ = true; }
    // Refills the three lists from the position list and the loaded noise sources.
    void RefillLists();
    // The 100 ms tick: status line and decay figure.
    void Tick();

    // The controls' actions, for the buttons and for tests.
    void StepDecay(bool up);
    void StepTop(bool up);
    void StepDepth(bool up);
    void StepLow(bool up);
    void StepHigh(bool up);
    void SetLog(bool decibel);
    SpectrumPlot* plot() const { return plot_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void MakePlotAndLists();
    void MakeControls();
    void StartWatching();
    void ChangeSettings(const DisplaySettings& settings);
    void ShowDecayFigure();
    void ListClosed(TraceId which, int index);
    void Relayout();
    void StopOwnTimers() override;

    AnalyzerEffect& effect_;
    std::string statusText_;
    QTimer editorTimer_;
    std::array<QComboBox*, 3> lists_{};
    std::array<QLabel*, 3> legends_{};
    std::array<std::vector<std::string>, 3> entries_;
    SpectrumPlot* plot_ = nullptr;
    QFrame* plotEdge_ = nullptr;
    QLabel* decayLabel_ = nullptr;
    QLineEdit* decayField_ = nullptr;
    UpDown* decay_ = nullptr;
    QCheckBox* log_ = nullptr;
    UpDown* top_ = nullptr;
    UpDown* depth_ = nullptr;
    UpDown* low_ = nullptr;
    UpDown* high_ = nullptr;
    QPushButton* help_ = nullptr;
    std::string shownDecay_;
    bool statusPending_ = true;
};

// The plug-in icon: a spectrum over a grid.
QIcon AnalyzerIcon();

} // namespace lumisett::analyzer
