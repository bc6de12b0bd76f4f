#include "sim/ScreenView.h"

#include "render/PageRenderer.h"
#include "render/TerminalSession.h"
#include "terminal/ViewScale.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace kdx::sim {

namespace {
constexpr int kHoldTickMs = 10;
constexpr QSize kEmptyScreen(480, 272);

ViewScale ScaleOf(int zoom)
{
    ViewScale scale;
    scale.SetPercent(zoom * ViewScale::kFullPercent);
    return scale;
}
} // namespace

ScreenView::ScreenView(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("终端屏幕"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_clock.start();
    m_holdTimer.setInterval(kHoldTickMs);
    connect(&m_holdTimer, &QTimer::timeout, this, [this] {
        if (m_session)
            m_session->Tick(Now());
        if (!m_session || !m_session->IsTouching())
            m_holdTimer.stop();
    });
    Refresh();
}

void ScreenView::SetSession(render::TerminalSession* session)
{
    m_holdTimer.stop();
    m_session = session;
    Refresh();
}

void ScreenView::SetZoom(int zoom)
{
    m_zoom = std::clamp(zoom, 1, 3);
    setFixedSize(sizeHint());
    update();
}

void ScreenView::Refresh()
{
    if (m_session && m_session->CurrentPage() >= 0) {
        m_screen = render::RenderPage(m_session->Image(), m_session->CurrentPage(), m_session->PressedRecord());
    } else {
        const QSize size = m_session ? QSize(m_session->Image().Width(), m_session->Image().Height()) : kEmptyScreen;
        m_screen = QImage(size, QImage::Format_RGB32);
        m_screen.fill(Qt::black);
    }
    setFixedSize(sizeHint());
    update();
}

QSize ScreenView::sizeHint() const { return ToWidget(m_screen.rect(), m_zoom).size(); }

QPoint ScreenView::ToPixel(const QPointF& widgetPoint, int zoom)
{
    // The widget pixel the point lies in, then the terminal pixel it shows.
    const QPoint widgetPixel(int(std::floor(widgetPoint.x())), int(std::floor(widgetPoint.y())));
    return ScaleOf(zoom).ToPage(widgetPixel);
}

QRect ScreenView::ToWidget(const QRect& pixels, int zoom)
{
    return ScaleOf(zoom).ToScreen(pixels);
}

void ScreenView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Whole pixels, so that zoomed pixels stay sharp squares.
    painter.drawImage(ToWidget(m_screen.rect(), m_zoom), m_screen);
}

void ScreenView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_session)
        return;
    const QPoint at = ToPixel(event->position(), m_zoom);
    m_session->Press(at.x(), at.y(), Now());
    if (m_session->IsTouching())
        m_holdTimer.start();
}

void ScreenView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_session)
        return;
    m_holdTimer.stop();
    m_session->Release(Now());
}

} // namespace kdx::sim
