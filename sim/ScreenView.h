#pragma once
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

namespace kdx::render {
class TerminalSession;
}

namespace kdx::sim {

// The terminal's screen at a whole-number zoom. A mouse press is a touch on
// the screen; the touch rules run on a real clock.
class ScreenView : public QWidget {
    Q_OBJECT
public:
    explicit ScreenView(QWidget* parent = nullptr);

    // The session to show and touch; null shows an empty black screen.
    void SetSession(render::TerminalSession* session);
    void SetZoom(int zoom);
    int Zoom() const { return m_zoom; }
    // Draws the current page again (after a page change or a press).
    void Refresh();
    // The screen as last drawn, at 1:1.
    const QImage& Screen() const { return m_screen; }

    QSize sizeHint() const override;

    // The terminal's pixels and the widget at a whole zoom, by the page
    // views' one mapping: pixel (x, y) covers the widget square from
    // (x, y) * zoom to (x + 1, y + 1) * zoom exclusive, so a point of the
    // widget lies on the pixel it is drawn with.
    static QPoint ToPixel(const QPointF& widgetPoint, int zoom);
    static QRect ToWidget(const QRect& pixels, int zoom);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int64_t Now() const { return m_clock.elapsed(); }

    render::TerminalSession* m_session = nullptr;
    QImage m_screen;
    int m_zoom = 1;
    QElapsedTimer m_clock;
    QTimer m_holdTimer; // lets touches that act while held act on time
};

} // namespace kdx::sim
