#include "app/frame/CMyStatusBar.h"

#include "app/frame/EditorStrings.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QStatusTipEvent>
#include <QStyleOption>
#include <algorithm>

namespace kdx {
namespace {

constexpr int kTextMargin = 3;
constexpr int kPaneGap = 2;
constexpr int kMinimumProgressWidth = 120;
constexpr int kGripWidth = 16;

qint64 MonotonicMilliseconds()
{
    static QElapsedTimer clock = [] { QElapsedTimer t; t.start(); return t; }();
    return clock.elapsed();
}

} // namespace

CMyStatusBar::CMyStatusBar(QWidget* parent)
    : QStatusBar(parent), clock_(MonotonicMilliseconds)
{
    timer_.setInterval(kTimerInterval);
    connect(&timer_, &QTimer::timeout, this, &CMyStatusBar::CheckHighlights);
    // The main window routes fly-by prompts of hovered commands here.
    connect(this, &QStatusBar::messageChanged, this, [this](const QString& text) {
        flyBy_ = text;
        update();
    });
    setSizeGripEnabled(true);
    SetPanes({0});
}

void CMyStatusBar::SetPanes(const std::vector<int>& ids)
{
    panes_.clear();
    for (int id : ids) {
        Pane pane;
        pane.id = id;
        panes_.push_back(pane);
    }
    if (!panes_.empty())
        panes_.front().text = EditorString(IDS_IDLE_MESSAGE);
    updateGeometry();
    update();
}

int CMyStatusBar::IndexOf(int id) const
{
    for (size_t i = 0; i < panes_.size(); ++i)
        if (panes_[i].id == id)
            return int(i);
    return -1;
}

void CMyStatusBar::SetPaneText(int index, const QString& text)
{
    if (index < 0 || index >= PaneCount())
        return;
    Pane& pane = panes_[size_t(index)];
    if (pane.text == text)
        return;
    pane.text = text;
    if (index > 0)
        updateGeometry();
    update();
}

void CMyStatusBar::SetPaneStyle(int index, int style)
{
    if (index < 0 || index >= PaneCount())
        return;
    panes_[size_t(index)].style = style;
    update();
}

void CMyStatusBar::SetHighlightedText(int index, const QString& text, const QColor& textColor,
                                      const QColor& left, const QColor& right)
{
    if (index < 0 || index >= PaneCount())
        return;
    Pane& pane = panes_[size_t(index)];
    pane.text = text;
    pane.textColor = textColor;
    pane.leftColor = left;
    pane.rightColor = right;
    pane.style |= Highlighted;
    pane.highlightStart = clock_();
    if (!timer_.isActive())
        timer_.start();
    repaint();
}

void CMyStatusBar::SetProgress(int index, int position, int range)
{
    if (index < 0 || index >= PaneCount())
        return;
    Pane& pane = panes_[size_t(index)];
    pane.style |= Progress;
    pane.range = std::max(range, 1);
    pane.position = std::clamp(position, 0, pane.range);
    update();
}

void CMyStatusBar::ClearProgress(int index)
{
    if (index < 0 || index >= PaneCount())
        return;
    panes_[size_t(index)].style &= ~Progress;
    update();
}

QString CMyStatusBar::MessageText() const
{
    if (!flyBy_.isEmpty())
        return flyBy_;
    return panes_.empty() ? QString() : panes_.front().text;
}

void CMyStatusBar::CheckHighlights()
{
    const qint64 now = clock_();
    bool anyHighlighted = false;
    for (size_t i = 0; i < panes_.size(); ++i) {
        Pane& pane = panes_[i];
        if (!(pane.style & Highlighted))
            continue;
        if (now - pane.highlightStart > kMinimumHighlight) {
            pane.style &= ~Highlighted;
            if (pane.id == 0 && !(pane.style & Progress))
                pane.text = EditorString(IDS_IDLE_MESSAGE);
        } else {
            anyHighlighted = true;
        }
    }
    if (!anyHighlighted)
        timer_.stop();
    update();
}

bool CMyStatusBar::event(QEvent* event)
{
    // Fly-by prompts of hovered commands overlay the message pane without
    // replacing its own text or highlight.
    if (event->type() == QEvent::StatusTip) {
        flyBy_ = static_cast<QStatusTipEvent*>(event)->tip();
        update();
        return true;
    }
    return QStatusBar::event(event);
}

void CMyStatusBar::SetTrailingWidget(QWidget* widget)
{
    if (trailing_ && trailing_ != widget)
        trailing_->hide();
    trailing_ = widget;
    if (widget) {
        widget->setParent(this);
        widget->show();
    }
    PlaceTrailingWidget();
    updateGeometry();
    update();
}

void CMyStatusBar::PlaceTrailingWidget()
{
    if (!trailing_)
        return;
    const QSize hint = trailing_->sizeHint();
    const int height = std::min(hint.height(), std::max(0, this->height() - 2));
    const int right = rect().right() - 2 - (isSizeGripEnabled() ? kGripWidth : 0);
    const QRect place(right - hint.width() + 1, (this->height() - height) / 2, hint.width(), height);
    if (trailing_->geometry() != place)
        trailing_->setGeometry(place);
}

void CMyStatusBar::resizeEvent(QResizeEvent* event)
{
    QStatusBar::resizeEvent(event);
    PlaceTrailingWidget();
}

QSize CMyStatusBar::sizeHint() const
{
    int height = fontMetrics().height() + 8;
    int width = 200;
    if (trailing_) {
        width += trailing_->sizeHint().width() + kPaneGap;
        height = std::max(height, trailing_->sizeHint().height() + 2);
    }
    for (size_t i = 1; i < panes_.size(); ++i)
        width += fontMetrics().horizontalAdvance(panes_[i].text) + 2 * kTextMargin + kPaneGap;
    return {width, height};
}

QSize CMyStatusBar::minimumSizeHint() const
{
    return {0, fontMetrics().height() + 8};
}

std::vector<QRect> CMyStatusBar::PaneRects() const
{
    // Indicator panes are as wide as their text, right-aligned before the
    // size grip; the message pane takes what is left.
    std::vector<QRect> rects(panes_.size());
    const QRect area = rect().adjusted(2, 2, -2, -1);
    int right = area.right() - (isSizeGripEnabled() ? kGripWidth : 0);
    if (trailing_)
        right = std::min(right, trailing_->geometry().left() - kPaneGap - 1);
    for (size_t i = panes_.size(); i-- > 1;) {
        int width = fontMetrics().horizontalAdvance(panes_[i].text) + 2 * kTextMargin;
        if (panes_[i].style & Progress)
            width += kMinimumProgressWidth;
        rects[i] = QRect(right - width + 1, area.top(), width, area.height());
        right -= width + kPaneGap;
    }
    if (!panes_.empty())
        rects[0] = QRect(area.left(), area.top(), std::max(0, right - area.left() + 1), area.height());
    return rects;
}

void CMyStatusBar::paintEvent(QPaintEvent*)
{
    PlaceTrailingWidget(); // its size hint may have changed since the last resize
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const auto rects = PaneRects();
    for (size_t i = 0; i < panes_.size(); ++i) {
        Pane shown = panes_[i];
        if (i == 0 && !flyBy_.isEmpty()) {
            shown.text = flyBy_;
            shown.style = Normal;
        }
        PaintPane(painter, shown, rects[i], i == 0);
        if (i > 0) {
            // Etched separator at the pane's left edge.
            const int x = rects[i].left() - kPaneGap / 2 - 1;
            painter.setPen(palette().color(QPalette::Dark));
            painter.drawLine(x, rects[i].top() + 1, x, rects[i].bottom() - 1);
            painter.setPen(palette().color(QPalette::Light));
            painter.drawLine(x + 1, rects[i].top() + 1, x + 1, rects[i].bottom() - 1);
        }
    }
}

void CMyStatusBar::PaintPane(QPainter& painter, const Pane& pane, const QRect& rect, bool)
{
    const QRect textRect = rect.adjusted(kTextMargin, 0, 0, 0);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    if (pane.style & Progress) {
        PaintProgress(painter, pane, rect);
        return;
    }
    if (pane.style & Highlighted) {
        QLinearGradient gradient(rect.topLeft(), rect.topRight());
        gradient.setColorAt(0, pane.leftColor);
        gradient.setColorAt(1, pane.rightColor);
        painter.fillRect(rect, gradient);
        painter.setPen(pane.textColor);
        painter.drawText(textRect, flags, pane.text);
        return;
    }
    if (pane.style & Disabled) {
        painter.setPen(palette().color(QPalette::HighlightedText));
        painter.drawText(textRect.translated(1, 1), flags, pane.text);
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
        painter.drawText(textRect, flags, pane.text);
        return;
    }
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(textRect, flags, pane.text);
}

void CMyStatusBar::PaintProgress(QPainter& painter, const Pane& pane, const QRect& rect)
{
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    const int textWidth = fontMetrics().horizontalAdvance(pane.text) + 2 * kTextMargin;
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(rect.adjusted(kTextMargin, 0, 0, 0), flags, pane.text);

    int barWidth = std::max(kMinimumProgressWidth, rect.width() - textWidth);
    barWidth = std::min(barWidth, rect.width());
    const QRect bar(rect.right() - barWidth + 1, rect.top() + 1, barWidth, rect.height() - 2);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(bar.adjusted(0, 0, -1, -1));
    const QRect inner = bar.adjusted(1, 1, -1, -1);
    const int filled = int(qint64(inner.width()) * pane.position / pane.range);
    const QRect done(inner.left(), inner.top(), filled, inner.height());
    painter.fillRect(done, palette().color(QPalette::Highlight));

    const QString percent = QString::number(qint64(pane.position) * 100 / pane.range) + u'%';
    painter.save();
    painter.setClipRect(done);
    painter.setPen(palette().color(QPalette::HighlightedText));
    painter.drawText(inner, Qt::AlignCenter, percent);
    painter.setClipRect(inner.adjusted(filled, 0, 0, 0));
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(inner, Qt::AlignCenter, percent);
    painter.restore();
}

} // namespace kdx
