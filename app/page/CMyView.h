#pragma once
#include <QAbstractScrollArea>

namespace kdx {

// A scrolling view whose scrollable size is set by its owner; the view
// shows the part of that area the scroll bars select. The mouse wheel
// scrolls it unless Ctrl or Shift is held (those belong to the owner).
class CMyView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CMyView(QWidget* parent = nullptr);

    void SetTotalSize(const QSize& size);
    QSize TotalSize() const { return totalSize_; }
    // The top-left corner of the visible part, in total-area coordinates.
    QPoint ScrollPosition() const;

signals:
    void Scrolled(const QPoint& position);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateScrollBars();

    QSize totalSize_;
};

} // namespace kdx
