#pragma once
#include "common/FileHeader.h"
#include "common/FrameCache.h"
#include "compile/CompileObjects.h"
#include "compile/CompilePools.h"
#include "compile/FrameStore.h"
#include "compile/CompileReporter.h"
#include "compile/ImageWriter.h"
#include "model/ProjectRecord.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kdx {

// A page in the compiler's form: its objects (a background first, if any)
// and the state used while its drawing records are written.
struct CompilePage {
    uint32_t pageId = 0;
    std::u16string name;
    uint32_t loadSend = 0;   // send-data pool ids, 0 = none
    uint32_t unloadSend = 0;
    std::vector<std::unique_ptr<compiler::CDrawObj>> objects;

    uint32_t currentColor = kNoColor;
    uint32_t recordCount = 0;
    uint32_t firstRecord = 0;

    void SetColor(CompileDocument& doc, uint32_t color);
    void AddRecord(CompileDocument& doc, const uint8_t (&record)[20]);
};

// An image file named by the project: open from the reading of its header
// until its pixels are decoded (or closed, to be opened again then, beyond
// a number of files), and the version of it that was opened.
struct ImageSourceFile {
    std::unique_ptr<QFile> file;
    std::optional<FileIdentity> identity;
};

struct PictureJob; // the frames wanted from one image file

// Everything one compilation holds: the project header, the pages, the
// pools of shared pictures, texts and send data, and the memory image.
class CompileDocument {
public:
    explicit CompileDocument(CompileReporter& reporter)
        : reporter(reporter), frameCache(FrameCache::OpenDefault()) {}

    CompileReporter& reporter;
    FileHeader header;
    QString projectFolder; // relative image paths are taken from here
    std::vector<CompilePage> pages;
    SendDataPool sendPool;
    TextPool textPool;
    PicturePool picturePool;
    FrameStore frames;
    // The memory image is the head (header, tables, drawing records), then
    // the picture blocks, whose frames wait in 'frames' until the file is
    // written, then the tail (text and send blocks).
    ImageWriter image;
    uint64_t picturesSize = 0;
    ImageWriter tail;
    uint64_t ImageSize() const { return image.Size() + picturesSize + tail.Size(); }

    // What is being read, for the description of an unexpected failure.
    std::u16string readingContext;

    // Registers a send-data block; the pool id (0 = no data).
    uint32_t RegisterSendData(const std::optional<SendBlockRecord>& block);
    uint32_t RegisterText(const std::u16string& text, uint32_t fontId, uint32_t lineSpacing,
                          uint32_t charSpacing);
    // Enters a picture of this size once; the frames are converted later,
    // each distinct image file decoded once (ConvertPictures, which decodes
    // several files at a time).
    uint32_t RegisterPicture(const std::u16string& normalPath, const std::u16string& pressedPath,
                             int64_t width, int64_t height);
    void ConvertPictures();
    // Makes again, without the cache, the frames of every image file one of
    // these frames (picture, pressed) comes from: their cached bytes turned
    // out damaged when they were read.
    void RemakeFrames(const std::set<FrameOfPicture>& damaged);
    // Picture blocks carry their size in 16 bits, and a frame must stay
    // small enough to be converted in memory.
    static constexpr uint64_t kMaxFrameBytes = 256u << 20;
    bool IsPictureSizeSupported(int64_t width, int64_t height) const;

    // The file an image path names: relative paths from the project's folder.
    QString ResolveImagePath(const std::u16string& path) const;

    int ScreenWidth() const { return header.width; }
    int ScreenHeight() const { return header.height; }

    // The cache of converted frames; none makes every frame anew.
    std::unique_ptr<FrameCache> frameCache;

private:
    // Image files whose header was read successfully, so that a missing or
    // unreadable image fails where it is first named. Each stays open until
    // its pixels are decoded, so that it is opened once (beyond a number of
    // files, it is opened again then).
    std::map<QString, ImageSourceFile> m_sources;
    // Why a picture file cannot be used ("文件不存在", "不是普通文件", ...);
    // empty when its header was read.
    std::u16string ImageProblem(const std::u16string& path);
    std::vector<PictureJob> GroupByFile(bool reserve);
    void ConvertFiles(std::vector<PictureJob>& jobs, bool lookUp);
};

} // namespace kdx
