#pragma once
#include <QRect>
#include <QSize>

class QPainter;

namespace kdx {

class CPage;
struct DrawStyle;

// The page's background: its picture scaled to the page, or its colour over
// 'area'; nothing when it has neither.
void PaintPageBackground(QPainter& p, const CPage& page, QSize pageSize, const QRect& area);

enum class PageMarks {
    Shown,  // custom touch areas show their corner marks, as while editing
    Hidden, // only what the terminal shows
};

// The page as the editor's page view draws it, without grid, selection
// handles and band: background, then each object in list order.
void PaintPageContent(QPainter& p, const CPage& page, QSize pageSize, const DrawStyle& style, PageMarks marks);

} // namespace kdx
