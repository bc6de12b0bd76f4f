#pragma once
#include "terminal/FontTable.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace kdx::render {

// A bytes block the terminal sends: a page's load or unload bytes, or an
// object's custom bytes.
struct SendBlock {
    uint32_t offset = 0; // in the memory image, for the log
    uint8_t tag = 0;
    QByteArray bytes;
};

// A picture block. Its frames are converted for drawing when first asked
// for: a simulator showing one page of hundreds converts only what it shows.
// Converting is safe from several threads at once.
class Picture {
public:
    int width = 0;
    int height = 0;
    int depth = 0;

    bool HasPressedFrame() const { return m_frameCount == 2; }
    // The frames as RGB32; null when the pixels cannot be allocated. The
    // pressed frame is the normal one when the block has a single frame.
    const QImage& Normal() const { return Frame(0); }
    const QImage& Pressed() const { return Frame(HasPressedFrame() ? 1 : 0); }

private:
    friend class ImageReader;
    const QImage& Frame(int index) const;

    struct Converted {
        std::once_flag once[2];
        QImage frame[2];
    };
    std::shared_ptr<const std::vector<uint8_t>> m_bytes; // the whole memory image
    size_t m_frameAt[2] = {};
    int m_frameCount = 0;
    std::shared_ptr<Converted> m_converted = std::make_shared<Converted>();
};

struct Text {
    const TerminalFont* font = nullptr;
    int charSpacing = 0;
    int lineSpacing = 0;
    std::u16string text; // decoded from code page 936, without the terminating zero
};

// One drawing record with its references resolved to indexes.
struct Record {
    uint16_t drawType = 0;
    int condition = 0;    // execution condition, 0-15
    int jumpPage = -1;    // page index, -1 = no jump
    int send = -1;        // index into Sends(), -1 = none
    uint32_t value = 0;   // radius, custom id, or the colour bytes
    int picture = -1;     // index into Pictures() for picture records
    int text = -1;        // index into Texts() for text records
    QColor color;         // for colour records
    // Coordinates as stored, taken as signed 16-bit values (an object that
    // starts left of or above the screen has a negative edge); right and
    // bottom are inclusive. Lines: x1, y1, x2, y2.
    int left = 0, top = 0, right = 0, bottom = 0;

    bool HasTouchBehaviour(const std::vector<Picture>& pictures) const;
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

struct Page {
    uint16_t id = 0;
    int loadSend = -1;   // index into Sends(), -1 = none
    int unloadSend = -1;
    std::vector<Record> records;
};

// The terminal's memory image, read with every count and offset checked
// before use. It keeps the bytes, for pictures converted when first drawn.
class TerminalImage {
public:
    // Reads a compiled file (header, seal, then the memory image). On
    // failure returns null and sets 'error' to one readable line.
    static std::shared_ptr<const TerminalImage> FromCompiledFile(std::span<const uint8_t> file, QString* error);
    static std::shared_ptr<const TerminalImage> LoadFile(const QString& path, QString* error);
    // Reads a memory image as a terminal receives it. The colour depth a
    // terminal knows of itself: its picture blocks tell it, 'depth' is used
    // when there are none.
    static std::shared_ptr<const TerminalImage> FromMemoryImage(std::span<const uint8_t> image, int depth,
                                                                QString* error);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Depth() const { return m_depth; }
    const std::vector<Page>& Pages() const { return m_pages; }
    const std::vector<Picture>& Pictures() const { return m_pictures; }
    const std::vector<Text>& Texts() const { return m_texts; }
    const std::vector<SendBlock>& Sends() const { return m_sends; }

private:
    friend class ImageReader;
    int m_width = 0;
    int m_height = 0;
    int m_depth = 16;
    std::vector<Page> m_pages;
    std::vector<Picture> m_pictures;
    std::vector<Text> m_texts;
    std::vector<SendBlock> m_sends;
};

} // namespace kdx::render
