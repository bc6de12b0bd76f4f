// kdx_examplegen OUTDIR: writes the example project demo.kdp and the
// pictures it uses into OUTDIR. Picture paths are stored as bare file names,
// which the model resolves against the project's folder, so the folder can
// be moved as a whole.
#include "model/ModelStrings.h"
#include "model/PageDoc.h"

#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

using namespace kdx;

constexpr int kWidth = 480;
constexpr int kHeight = 272;

// Colours in the project's 0x00BBGGRR form.
constexpr Color Rgb(int r, int g, int b) { return Color(r | (g << 8) | (b << 16)); }

bool SavePicture(const QImage& image, const QDir& dir, const char* name)
{
    if (image.save(dir.filePath(name), "PNG"))
        return true;
    std::fprintf(stderr, "kdx_examplegen: cannot write %s\n", qPrintable(dir.filePath(name)));
    return false;
}

QImage Background()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0, QColor(24, 60, 120));
    sky.setColorAt(1, QColor(8, 20, 48));
    p.fillRect(image.rect(), sky);
    // soft rings in the corner and a title band
    p.setPen(QPen(QColor(255, 255, 255, 40), 2));
    for (int r = 40; r <= 200; r += 40)
        p.drawEllipse(QPoint(kWidth - 40, kHeight - 20), r, r);
    p.fillRect(QRect(0, 0, kWidth, 48), QColor(255, 255, 255, 30));
    p.fillRect(QRect(0, 48, kWidth, 2), QColor(120, 200, 255));
    return image;
}

// Opaque, since the terminal shows transparent pixels as black.
QImage Button(bool pressed)
{
    QImage image(120, 40, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(0, 0, 0, 40);
    face.setColorAt(0, pressed ? QColor(20, 90, 160) : QColor(90, 170, 240));
    face.setColorAt(1, pressed ? QColor(40, 130, 210) : QColor(30, 110, 200));
    p.fillRect(image.rect(), face);
    // a bevel: light above and left, dark below and right (swapped when pressed)
    const QColor light(200, 230, 255), dark(10, 50, 100);
    p.setPen(QPen(pressed ? dark : light, 2));
    p.drawLine(1, 1, 118, 1);
    p.drawLine(1, 1, 1, 38);
    p.setPen(QPen(pressed ? light : dark, 2));
    p.drawLine(1, 39, 119, 39);
    p.drawLine(119, 1, 119, 39);
    // an arrow pointing right
    QPainterPath arrow;
    arrow.moveTo(92, 12);
    arrow.lineTo(104, 20);
    arrow.lineTo(92, 28);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arrow);
    return image;
}

QImage Lamp(bool on)
{
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(20, 18), 24);
    glow.setColorAt(0, on ? QColor(255, 255, 200) : QColor(160, 160, 160));
    glow.setColorAt(1, on ? QColor(240, 170, 0) : QColor(70, 70, 70));
    p.setBrush(glow);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.drawEllipse(QRectF(4, 4, 40, 40));
    return image;
}

template <typename T>
T* Add(CPageDoc& doc, PageRect rect)
{
    return static_cast<T*>(doc.AddObject(std::make_unique<T>(rect)));
}

CDrawImage* AddButton(CPageDoc& doc, PageRect rect, uint32_t jumpTo)
{
    auto* button = Add<CDrawImage>(doc, rect);
    button->SetNormalImage("button_normal.png");
    button->SetPressedImage("button_pressed.png");
    button->SetJumpTarget(jumpTo);
    return button;
}

// The text is set last, so that it keeps its line breaks and wrap points
// as written here.
CDrawText* AddText(CPageDoc& doc, PageRect rect, uint32_t font, Color color, std::u16string_view text,
                   int32_t charSpacing = 0)
{
    auto* item = Add<CDrawText>(doc, rect);
    item->SetLineColor(color);
    item->SetFontId(font);
    item->SetCharSpacing(charSpacing);
    item->SetText(text);
    return item;
}

CPage* AddPage(CPageDoc& doc, uint32_t id, const char16_t* name)
{
    CPage* page = doc.AddPage();
    doc.SetPageId(page, id);
    doc.RenamePage(page, QString::fromUtf16(name));
    doc.SetCurrentPage(page);
    return page;
}

void BuildProject(CPageDoc& doc)
{
    doc.header.width = kWidth;
    doc.header.height = kHeight;
    doc.header.colorDepth = 16;
    doc.header.SetRemark(u"示例工程");

    // Bytes shared by the two menu buttons and by page load/unload data.
    const uint8_t beep[] = {0xAA, 0x01, 0x55};
    const uint8_t enterMenu[] = {0xAA, 0x10, 0x01, 0x55};
    const uint8_t leaveMenu[] = {0xAA, 0x10, 0x00, 0x55};

    // Page 0: the home page on a background picture.
    CPage* home = AddPage(doc, 0, u"主页");
    doc.SetPageBackgroundImage(home, "background.png");
    AddText(doc, {16, 8, 464, 40}, 3, Rgb(255, 255, 255), u"触屏演示工程");
    AddText(doc, {24, 64, 300, 140}, 2, Rgb(220, 235, 255), u"欢迎使用\r\n请选择功能");
    CDrawImage* toShapes = AddButton(doc, {40, 170, 160, 210}, 1);
    CDrawImage* toTexts = AddButton(doc, {180, 170, 300, 210}, 2);
    toShapes->SetSendData(beep, sizeof beep);
    toTexts->SetSendData(beep, sizeof beep);
    AddButton(doc, {320, 170, 440, 210}, 3)->SetExecuteCondition(8);
    AddText(doc, {40, 214, 160, 232}, 1, Rgb(255, 255, 255), u"图形");
    AddText(doc, {180, 214, 300, 232}, 1, Rgb(255, 255, 255), u"文本");
    AddText(doc, {320, 214, 440, 232}, 1, Rgb(255, 255, 255), u"设置");

    // Page 1: every shape, outlined and filled, on a background colour.
    CPage* shapes = AddPage(doc, 1, u"图形");
    doc.SetPageBackgroundColor(shapes, Rgb(240, 240, 232));
    auto* rising = Add<CDrawLine>(doc, {0, 0, 0, 0});
    rising->SetRect({20, 60, 200, 20});
    rising->SetLineColor(Rgb(200, 0, 0));
    auto* falling = Add<CDrawLine>(doc, {0, 0, 0, 0});
    falling->SetRect({20, 20, 200, 60});
    falling->SetLineColor(Rgb(0, 0, 200));
    Add<CDrawRect>(doc, {20, 80, 120, 140})->SetLineColor(Rgb(0, 0, 160));
    auto* filledRect = Add<CDrawRect>(doc, {140, 80, 240, 140});
    filledRect->SetFillColor(Rgb(0, 128, 255));
    auto* round = Add<CDrawRoundRect>(doc, {260, 80, 360, 140});
    round->SetLineColor(Rgb(160, 0, 0));
    round->SetRadius(12);
    auto* filledRound = Add<CDrawRoundRect>(doc, {380, 80, 460, 140});
    filledRound->SetFillColor(Rgb(255, 96, 64));
    Add<CDrawEllipse>(doc, {20, 160, 120, 220})->SetLineColor(Rgb(0, 128, 0));
    auto* filledEllipse = Add<CDrawEllipse>(doc, {140, 160, 240, 220});
    filledEllipse->SetFillColor(Rgb(96, 200, 96));
    AddText(doc, {260, 160, 460, 220}, 1, Rgb(0, 0, 0), u"线条\t矩形\r\n圆角\t椭圆");
    AddButton(doc, {340, 226, 460, 266}, 0)->SetExecuteCondition(1);

    // Page 2: texts in the three fonts, with load and unload data.
    CPage* texts = AddPage(doc, 2, u"文本");
    doc.SetPageBackgroundColor(texts, Rgb(255, 255, 255));
    doc.SetPageLoadSend(texts, enterMenu, sizeof enterMenu);
    doc.SetPageUnloadSend(texts, leaveMenu, sizeof leaveMenu);
    AddText(doc, {10, 10, 470, 50}, 1, Rgb(0, 0, 0), u"16点阵：\t制表\t对齐\r\n第二行文字");
    auto* spaced =
        AddText(doc, {10, 60, 470, 150}, 2, Rgb(0, 0, 128), u"24点阵：\t一行很长的文字\n自动换行\r\n第三行", 1);
    spaced->SetLineSpacing(4);
    auto* tabbed = AddText(doc, {10, 150, 470, 226}, 3, Rgb(128, 0, 0), u"32点阵\t大字\r\n结束");
    tabbed->SetTabSize(4);
    AddButton(doc, {340, 226, 460, 266}, 0);

    // Page 3: touch areas without pictures of their own, and a lamp button.
    CPage* settings = AddPage(doc, 3, u"设置");
    doc.SetPageBackgroundColor(settings, Rgb(32, 32, 40));
    AddText(doc, {16, 8, 464, 40}, 2, Rgb(255, 255, 255), u"设置\t（触摸区域）");
    auto* lamp = Add<CDrawImage>(doc, {40, 60, 88, 108});
    lamp->SetNormalImage("lamp_off.png");
    lamp->SetPressedImage("lamp_on.png");
    lamp->SetSendData(enterMenu, sizeof enterMenu);
    auto* lampIcon = Add<CDrawImage>(doc, {120, 60, 168, 108});
    lampIcon->SetNormalImage("lamp_on.png");
    const uint8_t brighter[] = {0xAA, 0x20, 0x01, 0x55};
    const uint8_t darker[] = {0xAA, 0x20, 0xFF, 0x55};
    auto* up = Add<CDrawCustom>(doc, {40, 140, 200, 200});
    up->SetSendData(brighter, sizeof brighter);
    up->SetExecuteCondition(9);
    auto* down = Add<CDrawCustom>(doc, {220, 140, 380, 200});
    down->SetSendData(darker, sizeof darker);
    down->SetExecuteCondition(12);
    AddButton(doc, {340, 226, 460, 266}, 0);

    doc.SetCurrentPage(nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kdx_examplegen OUTDIR\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(".")) {
        std::fprintf(stderr, "kdx_examplegen: cannot create %s\n", argv[1]);
        return 1;
    }
    if (!SavePicture(Background(), dir, "background.png") || !SavePicture(Button(false), dir, "button_normal.png") ||
        !SavePicture(Button(true), dir, "button_pressed.png") || !SavePicture(Lamp(false), dir, "lamp_off.png") ||
        !SavePicture(Lamp(true), dir, "lamp_on.png"))
        return 1;

    CPageDoc doc;
    doc.SetProjectFolder(dir.absolutePath());
    struct FailOnNotice : IDocObserver {
        bool failed = false;
        void OnPictureUnreadable(const QString& path) override
        {
            std::fprintf(stderr, "kdx_examplegen: %s\n", qPrintable(PictureUnreadableText(path)));
            failed = true;
        }
    } notices;
    doc.AddObserver(&notices);
    BuildProject(doc);
    if (notices.failed)
        return 1;
    if (std::optional<ProjectError> error = doc.SaveProject(dir.filePath("demo.kdp"))) {
        std::fprintf(stderr, "kdx_examplegen: %s\n", qPrintable(error->Text()));
        return 1;
    }
    return 0;
}
