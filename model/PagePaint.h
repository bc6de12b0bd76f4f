#pragma once
#include <QColor>
#include <QRect>
#include <QSize>

class QPainter;

namespace kdx {

class CPage;
struct DrawStyle;

// The page's background as the terminal shows it: its picture scaled to the
// page, else its colour over 'area', else black.
void PaintPageBackground(QPainter& p, const CPage& page, QSize pageSize, const QRect& area);
// The colour under the page's objects where its picture does not cover them:
// black for a page without background colour or with a picture.
QColor PageBackgroundColor(const CPage& page);

enum class PageMarks {
    Shown,  // custom touch areas show their corner marks, as while editing
    Hidden, // only what the terminal shows
};

// The page as the editor's page view draws it, without grid, selection
// handles and band: background, then each object in list order.
void PaintPageContent(QPainter& p, const CPage& page, QSize pageSize, const DrawStyle& style, PageMarks marks);

} // namespace kdx
