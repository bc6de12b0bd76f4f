#pragma once
#include <QColor>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <functional>
#include <vector>

namespace kdx {

// The editor's status bar: a message pane (id 0) and indicator panes, all
// painted by the bar itself. A highlighted pane shows its text on a
// horizontal gradient and falls back after 5 to 7.5 seconds; a progress pane
// shows a bar with its percentage.
class CMyStatusBar : public QStatusBar {
    Q_OBJECT
public:
    enum Style { Normal = 0, Disabled = 1, Highlighted = 2, Progress = 4 };
    static constexpr int kTimerInterval = 2500;
    static constexpr qint64 kMinimumHighlight = 4999;

    struct Pane {
        int id = 0;
        QString text;
        int style = Normal;
        QColor textColor;
        QColor leftColor;
        QColor rightColor;
        qint64 highlightStart = 0;
        int position = 0;
        int range = 100;
    };

    explicit CMyStatusBar(QWidget* parent = nullptr);

    // Pane ids in order; the first one is the message pane.
    void SetPanes(const std::vector<int>& ids);
    int PaneCount() const { return int(panes_.size()); }
    int IndexOf(int id) const;
    const Pane& PaneAt(int index) const { return panes_.at(size_t(index)); }

    void SetPaneText(int index, const QString& text);
    void SetPaneStyle(int index, int style);
    void SetHighlightedText(int index, const QString& text, const QColor& textColor,
                            const QColor& left, const QColor& right);
    void SetProgress(int index, int position, int range);
    void ClearProgress(int index);

    // The text shown in the message pane: the fly-by prompt of a hovered
    // command while there is one, else the pane's own text.
    QString MessageText() const;

    bool IsTimerRunning() const { return timer_.isActive(); }
    int TimerInterval() const { return timer_.interval(); }
    // The clock stamps highlights in milliseconds; tests replace it.
    void SetClock(std::function<qint64()> clock) { clock_ = std::move(clock); }
    // One tick of the highlight timer: expires highlights older than 4999 ms.
    void CheckHighlights();

    // A control at the right end of the bar, before the size grip (the
    // view's zoom box); the panes stand to its left.
    void SetTrailingWidget(QWidget* widget);
    QWidget* TrailingWidget() const { return trailing_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<QRect> PaneRects() const;
    void PlaceTrailingWidget();
    void PaintPane(QPainter& painter, const Pane& pane, const QRect& rect, bool messagePane);
    void PaintProgress(QPainter& painter, const Pane& pane, const QRect& rect);

    std::vector<Pane> panes_;
    QString flyBy_;
    QTimer timer_;
    std::function<qint64()> clock_;
    QPointer<QWidget> trailing_;
};

} // namespace kdx
