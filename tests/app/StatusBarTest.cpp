#include "StatusBarTest.h"

#include "AppTestSupport.h"
#include "app/frame/CMyStatusBar.h"
#include "app/page/CMyView.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/Messages.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace kdx::test {
namespace {

// A status bar on a clock the test moves by hand.
struct ClockedBar {
    CMyStatusBar bar;
    qint64 now = 100000;
    ClockedBar()
    {
        bar.SetClock([this] { return now; });
        bar.SetPanes({0, 22000});
        bar.resize(600, 24);
        SetStatusMessageTarget(&bar);
    }
    ~ClockedBar() { SetStatusMessageTarget(nullptr); }
};

} // namespace

void StatusBarTest::highlightFallsBackBetweenFiveAndSevenAndHalfSeconds()
{
    ClockedBar clocked;
    CMyStatusBar& bar = clocked.bar;
    QVERIFY(!bar.IsTimerRunning());
    ShowStatusMessage(kStatusSuccess, QStringLiteral("完成"));
    QVERIFY(bar.IsTimerRunning());
    QCOMPARE(bar.TimerInterval(), 2500);

    // The timer's ticks at 2.5 s and 5 s: the first keeps the message, the
    // second (older than 4999 ms) clears it and stops the timer.
    clocked.now += 2500;
    bar.CheckHighlights();
    QCOMPARE(bar.PaneAt(0).text, QStringLiteral("完成"));
    QVERIFY(bar.IsTimerRunning());
    clocked.now += 2499;
    bar.CheckHighlights();
    QVERIFY(bar.PaneAt(0).style & CMyStatusBar::Highlighted);
    clocked.now += 1;
    bar.CheckHighlights();
    QCOMPARE(bar.PaneAt(0).text, QStringLiteral("就绪"));
    QVERIFY(!(bar.PaneAt(0).style & CMyStatusBar::Highlighted));
    QVERIFY(!bar.IsTimerRunning());

    // A highlighted indicator pane loses only its highlight, not its text.
    bar.SetHighlightedText(1, QStringLiteral(" 版本：1.0 "), Qt::white, Qt::red, Qt::blue);
    ShowStatusMessage(kStatusInfo, QStringLiteral("a"));
    clocked.now += 3000;
    ShowStatusMessage(kStatusInfo, QStringLiteral("b")); // restamps the message pane
    clocked.now += 2500;
    bar.CheckHighlights();
    QCOMPARE(bar.PaneAt(1).text, QStringLiteral(" 版本：1.0 "));
    QVERIFY(!(bar.PaneAt(1).style & CMyStatusBar::Highlighted));
    QCOMPARE(bar.PaneAt(0).text, QStringLiteral("b"));
    QVERIFY(bar.IsTimerRunning());
}

void StatusBarTest::kindsPaintTheirGradients()
{
    ClockedBar clocked;
    const struct {
        int kind;
        QColor dark;
        QColor light;
    } kinds[] = {
        {1, QColor(0, 84, 227), QColor(61, 149, 255)},
        {2, QColor(25, 100, 25), QColor(120, 220, 150)},
        {3, QColor(180, 0, 30), QColor(250, 130, 150)},
    };
    for (const auto& k : kinds) {
        ShowStatusMessage(k.kind, QStringLiteral("x"));
        const auto& pane = clocked.bar.PaneAt(0);
        QCOMPARE(pane.leftColor, k.dark);
        QCOMPARE(pane.rightColor, k.light);
        QCOMPARE(pane.textColor, QColor(Qt::white));
        // The painted pane runs from the dark colour to the light one.
        const QImage image = clocked.bar.grab().toImage();
        const int y = 3; // above the text
        const QColor left = image.pixelColor(3, y);
        const QColor right = image.pixelColor(300, y);
        QVERIFY2(qAbs(left.red() - k.dark.red()) < 12 && qAbs(left.blue() - k.dark.blue()) < 12,
                 qPrintable(left.name()));
        QVERIFY(right != left);
        QVERIFY(qAbs(right.green() - k.light.green()) < qAbs(left.green() - k.light.green()) + 1);
    }
}

void StatusBarTest::plainAndEmptyMessages()
{
    ClockedBar clocked;
    ShowStatusMessage(kStatusPlain, QStringLiteral("plain"));
    QCOMPARE(clocked.bar.PaneAt(0).text, QStringLiteral("plain"));
    QCOMPARE(clocked.bar.PaneAt(0).style, int(CMyStatusBar::Normal));
    QVERIFY(!clocked.bar.IsTimerRunning());
    ShowStatusMessage(kStatusError, QString());
    QCOMPARE(clocked.bar.PaneAt(0).text, EditorString(IDS_IDLE_MESSAGE));
    QVERIFY(!(clocked.bar.PaneAt(0).style & CMyStatusBar::Highlighted));
}

void StatusBarTest::formattedMessagesAndBoxes()
{
    ClockedBar clocked;
    ShowStatusMessage(kStatusError, 20504, {QStringLiteral("/x/y.png")});
    QCOMPARE(clocked.bar.PaneAt(0).text, QStringLiteral("打开图象文件错误 /x/y.png"));
    ShowStatusMessage(kStatusError, IDS_BAD_GRID_HEIGHT);
    QCOMPARE(clocked.bar.PaneAt(0).text, QStringLiteral("无效网格高度"));

    QCOMPARE(FormatText(QStringLiteral("%d%% %X %s %1"), {50, 255, QStringLiteral("s")}),
             QStringLiteral("50% FF s 50"));
    QCOMPARE(FormatString(22001, {480, 272}), QStringLiteral(" 分辨率：480 x 272 "));
    // Missing arguments leave empty places rather than failing.
    QCOMPARE(FormatText(QStringLiteral("[%s|%d]"), {}), QStringLiteral("[|0]"));

    ModalDriver driver;
    driver.Answer(QMessageBox::Ok).Answer(QMessageBox::Ok);
    driver.Run([] {
        ShowMessageBox(nullptr, 20712, QMessageBox::Critical);
        ShowMessageBox(nullptr, 99999, QMessageBox::Warning); // no such text
    });
    QCOMPARE(driver.boxes.size(), size_t(2));
    QCOMPARE(driver.boxes[0].text, QStringLiteral("文件已经损坏\r\n"));
    QCOMPARE(driver.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(driver.boxes[1].text, QString());
}

void StatusBarTest::progressPaneClampsAndPaints()
{
    ClockedBar clocked;
    CMyStatusBar& bar = clocked.bar;
    bar.SetProgress(1, 150, 100);
    QCOMPARE(bar.PaneAt(1).position, 100);
    bar.SetProgress(1, 25, 0);
    QCOMPARE(bar.PaneAt(1).range, 1);
    QCOMPARE(bar.PaneAt(1).position, 1);
    bar.SetProgress(1, 50, 100);
    bar.show();
    const QImage image = bar.grab().toImage();
    // The filled half of the bar uses the highlight colour.
    const QColor highlight = bar.palette().color(QPalette::Highlight);
    int highlighted = 0;
    for (int x = 0; x < image.width(); ++x)
        highlighted += image.pixelColor(x, 4) == highlight; // the bar's top row, above the text
    QVERIFY2(highlighted >= 55 && highlighted <= 65, qPrintable(QString::number(highlighted)));
    bar.ClearProgress(1);
    QVERIFY(!(bar.PaneAt(1).style & CMyStatusBar::Progress));
}

void StatusBarTest::viewScrollsByWheelUnlessModified()
{
    CMyView view;
    view.resize(200, 100);
    view.show();
    view.SetTotalSize(QSize(490, 282));
    QCOMPARE(view.verticalScrollBar()->maximum(), 282 - view.viewport()->height());
    const auto wheel = [&](Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(QPointF(10, 10), view.mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.viewport(), &event);
    };
    wheel(Qt::ControlModifier);
    wheel(Qt::ShiftModifier);
    QCOMPARE(view.ScrollPosition(), QPoint(0, 0));
    wheel(Qt::NoModifier);
    QVERIFY(view.ScrollPosition().y() > 0);
    // A total size smaller than the window leaves nothing to scroll.
    view.SetTotalSize(QSize(50, 50));
    QCOMPARE(view.ScrollPosition(), QPoint(0, 0));
    QCOMPARE(view.verticalScrollBar()->maximum(), 0);
}

} // namespace kdx::test
