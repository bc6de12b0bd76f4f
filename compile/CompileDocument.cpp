#include "compile/CompileDocument.h"

#include "compile/CompileProject.h"

#include "common/ByteOrder.h"
#include "common/Crc32.h"
#include "terminal/ColorDepth.h"
#include "terminal/MemoryImageLayout.h"
#include "terminal/PixelConvert.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <numeric>
#include <sys/resource.h>
#include <system_error>
#include <thread>

namespace kdx {

void CompilePage::SetColor(CompileDocument& doc, uint32_t color)
{
    if (color == kNoColor || color == currentColor)
        return;
    currentColor = color;
    uint8_t record[image_layout::kRecordSize] = {};
    StoreLE16(record + image_layout::kRecordType, image_layout::kDrawColor);
    StoreLE16(record + image_layout::kRecordJump, image_layout::kNoPage);
    ColorRecordBytes(color, doc.header.colorDepth, record + image_layout::kRecordValue);
    AddRecord(doc, record);
}

void CompilePage::AddRecord(CompileDocument& doc, const uint8_t (&record)[20])
{
    doc.image.Append(record, sizeof record);
    ++recordCount;
}

uint32_t CompileDocument::RegisterSendData(const std::optional<SendBlockRecord>& block)
{
    if (!block)
        return 0;
    auto entry = std::make_unique<SendDataPoolEntry>();
    entry->tag = block->tag;
    // The terminal's length field has 16 bits.
    entry->bytes.assign(block->bytes.begin(), block->bytes.begin() + std::min<size_t>(block->bytes.size(), 0xFFFF));
    if (uint32_t id = sendPool.Share([&](const SendDataPoolEntry& e) {
            return e.tag == entry->tag && e.bytes == entry->bytes;
        }))
        return id;
    return sendPool.Add(std::move(entry));
}

uint32_t CompileDocument::RegisterText(const std::u16string& text, uint32_t fontId, uint32_t lineSpacing,
                                       uint32_t charSpacing)
{
    if (uint32_t id = textPool.Share([&](const TextPoolEntry& e) {
            return e.text == text && e.fontId == fontId && e.lineSpacing == lineSpacing &&
                   e.charSpacing == charSpacing;
        }))
        return id;
    auto entry = std::make_unique<TextPoolEntry>();
    entry->text = text;
    entry->fontId = fontId;
    entry->lineSpacing = lineSpacing;
    entry->charSpacing = charSpacing;
    return textPool.Add(std::move(entry));
}

QString CompileDocument::ResolveImagePath(const std::u16string& path) const
{
    const QString text = QString::fromStdU16String(path);
    if (QDir::isRelativePath(text) && !projectFolder.isEmpty())
        return QDir(projectFolder).filePath(text);
    return text;
}

namespace {

// Image files kept open from registration to decoding; more are opened again.
constexpr size_t kMaxOpenSources = 256;

// A path as a message shows it: a NUL unit, which would end the message on
// the channel, is spelled "\0".
std::u16string ShownPath(std::u16string_view path)
{
    std::u16string shown;
    for (char16_t unit : path)
        shown += unit == u'\0' ? std::u16string_view(u"\\0") : std::u16string_view(&unit, 1);
    return shown;
}

} // namespace

std::u16string CompileDocument::ImageProblem(const std::u16string& path)
{
    const QString name = ResolveImagePath(path);
    if (m_sources.count(name))
        return {};
    const QFileInfo info(name);
    if (path.find(u'\0') != std::u16string::npos || !info.exists())
        return u"文件不存在";
    if (!info.isFile())
        return u"不是普通文件";
    auto file = std::make_unique<QFile>(name);
    if (!file->open(QIODevice::ReadOnly))
        return u"无法打开：" + file->errorString().toStdU16String();
    std::optional<FileIdentity> identity = frameCache ? FileIdentity::Of(file->handle()) : std::nullopt;
    file->seek(0);
    // Reads only the file's header; the pixels are decoded in ConvertPictures.
    {
        QImageReader reader(file.get());
        PreferSignatureFormat(reader);
        if (!reader.canRead())
            return u"不是图象文件";
        const QSize size = reader.size();
        if (size.isValid() && size.isEmpty())
            return u"图象已经损坏";
    }
    if (m_sources.size() >= kMaxOpenSources)
        file.reset();
    m_sources[name] = {std::move(file), std::move(identity)};
    return {};
}

bool CompileDocument::IsPictureSizeSupported(int64_t width, int64_t height) const
{
    if (width < 1 || height < 1)
        return true; // no picture at all
    return width <= 0xFFFF && height <= 0xFFFF &&
           uint64_t(width) * uint64_t(height) * uint64_t(BytesPerPixel(int(header.colorDepth))) <= kMaxFrameBytes;
}

uint32_t CompileDocument::RegisterPicture(const std::u16string& normalPath, const std::u16string& pressedPath,
                                          int64_t width, int64_t height)
{
    if ((normalPath.empty() && pressedPath.empty()) || width < 1 || height < 1)
        return 0;
    if (uint32_t id = picturePool.Share([&](const PicturePoolEntry& e) {
            return e.width == width && e.height == height && e.normalPath == normalPath &&
                   e.pressedPath == pressedPath;
        }))
        return id;
    for (const std::u16string* path : {&normalPath, &pressedPath}) {
        if (path->empty())
            continue;
        if (const std::u16string problem = ImageProblem(*path); !problem.empty())
            reporter.FailFormatted(u"*未能加载图象文件“%s”：%s\r\n", {ShownPath(*path), std::u16string_view(problem)});
    }
    auto entry = std::make_unique<PicturePoolEntry>();
    entry->normalPath = normalPath;
    entry->pressedPath = pressedPath;
    entry->width = int(width);
    entry->height = int(height);
    entry->depth = uint8_t(header.colorDepth);
    entry->frameSize = size_t(width) * size_t(height) * size_t(BytesPerPixel(int(header.colorDepth)));
    return picturePool.Add(std::move(entry));
}

namespace {

// Decoded pictures take at most this much memory, the same as one frame may:
// the image library's own default refuses pictures of about 5,800 x 5,800
// pixels and more, which the terminal's pictures are often cut from.
constexpr uint64_t kMaxDecodeBytes = CompileDocument::kMaxFrameBytes;
constexpr uint64_t kDecodedBytesPerPixel = 4;

bool TooLargeToDecode(const QSize& size)
{
    return size.isValid() && uint64_t(size.width()) * uint64_t(size.height()) * kDecodedBytesPerPixel > kMaxDecodeBytes;
}

// Decodes an image file for frames of at most the given size. JPEG files
// are decoded at 1/2, 1/4 or 1/8 of their size in the DCT domain when that
// still covers every frame: much faster, and a clean area reduction that
// the smooth scaling then finishes. 'decodeSize' receives the size decoded
// at (invalid when the file does not tell).
QImage DecodeForSize(QIODevice* file, int largestWidth, int largestHeight, QSize* decodeSize)
{
    QImageReader reader(file);
    PreferSignatureFormat(reader);
    const QSize size = reader.size();
    *decodeSize = size;
    if (reader.format() == "jpeg" && size.isValid()) {
        for (int factor : {8, 4, 2}) {
            const QSize reduced((size.width() + factor - 1) / factor, (size.height() + factor - 1) / factor);
            if (reduced.width() >= largestWidth && reduced.height() >= largestHeight) {
                reader.setScaledSize(reduced);
                *decodeSize = reduced;
                break;
            }
        }
    }
    if (TooLargeToDecode(*decodeSize))
        return {};
    return reader.read();
}

} // namespace

// One frame wanted from an image file.
struct FrameUse {
    PicturePoolEntry* entry;
    bool pressed;
    uint64_t storeAt;
};

namespace {

// The order in which the frames of one file are made: largest first, so
// that smaller ones can be made from them.
std::vector<size_t> LargestFirst(const std::vector<FrameUse>& uses)
{
    std::vector<size_t> order(uses.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return int64_t(uses[a].entry->width) * uses[a].entry->height >
               int64_t(uses[b].entry->width) * uses[b].entry->height;
    });
    return order;
}

// The sizes one image file is needed at, made from the decoded image or,
// for a small size, from an earlier result at least twice as large in both
// directions: much less to read, with the same smooth area reduction.
class ScaleCascade {
public:
    explicit ScaleCascade(const QImage& decoded) : m_decoded(decoded) {}

    QImage Scaled(int width, int height)
    {
        const QImage* source = &m_decoded;
        for (const QImage& made : m_made)
            if (made.width() >= 2 * width && made.height() >= 2 * height &&
                int64_t(made.width()) * made.height() < int64_t(source->width()) * source->height())
                source = &made;
        QImage scaled = ScaleOpaque(*source, width, height);
        if (!scaled.isNull())
            m_made.push_back(scaled);
        return scaled;
    }

private:
    const QImage& m_decoded;
    std::vector<QImage> m_made;
};

// Bumped whenever the conversion changes what it makes of a file.
constexpr const char* kFrameRecipe = "kdx-frame-1";

// Cache keys of a file's frames. A frame depends on the file's contents, on
// the largest size the file is used at (which sets the decoding scale), on
// the frames made before it (its possible sources in the cascade) and on
// its own size and depth, so all of these name it: a cached frame is then
// exactly the one this compile would make.
std::vector<CacheKey> FrameKeys(const FileIdentity& identity, const std::vector<FrameUse>& uses,
                                const std::vector<size_t>& order, int largestWidth, int largestHeight)
{
    CacheKey key;
    key.Add(kFrameRecipe).Add(qVersion()).Add(identity.Text()).Add(largestWidth).Add(largestHeight);
    std::vector<CacheKey> keys(uses.size());
    for (size_t u : order) {
        const PicturePoolEntry& entry = *uses[u].entry;
        key.Add(entry.width).Add(entry.height).Add(entry.depth);
        keys[u] = key;
    }
    return keys;
}

} // namespace

// The frames wanted from one image file and how their making went.
struct PictureJob {
    QString file;
    ImageSourceFile* source = nullptr;
    std::vector<FrameUse> uses;
    int failedUse = -1; // first use whose frame could not be made
    QSize tooLarge;     // the size, when the file was too large to decode
    bool stored = false; // whether frames were added to the cache
};

namespace {

// Cached frames stay open from their lookup until the file is written. So
// many may be open at once, leaving room for the image files and the
// outputs the compile still opens; beyond that, frames are made anew.
int64_t OpenFrameBudget()
{
    constexpr rlim_t kReserved = kMaxOpenSources + 64;
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur <= kReserved)
        return 0;
    return int64_t(std::min<rlim_t>(limit.rlim_cur - kReserved, rlim_t(1) << 30));
}

// Takes every frame of a file from the cache, or none: the frames of a file
// are made together. 'openBudget' counts the frames that may still be held.
std::vector<std::shared_ptr<const CachedBytes>> FindAll(const FrameCache& cache, const std::vector<FrameUse>& uses,
                                                        const std::vector<CacheKey>& keys,
                                                        std::atomic<int64_t>& openBudget)
{
    std::vector<std::shared_ptr<const CachedBytes>> found;
    for (size_t u = 0; u < uses.size(); ++u) {
        if (openBudget.fetch_sub(1) <= 0)
            break;
        std::shared_ptr<const CachedBytes> cached = cache.Find(keys[u]);
        if (!cached || cached->Size() != uses[u].entry->frameSize)
            break;
        found.push_back(std::move(cached));
    }
    if (found.size() == uses.size())
        return found;
    openBudget += int64_t(found.size()) + 1; // the ones let go, and the one that stopped the search
    return {};
}

// Converts the frames of one image file, or takes them from the cache when
// every one of them is there (and 'lookUp' allows it).
void ConvertFile(PictureJob& job, const FrameCache* frameCache, bool lookUp, std::atomic<int64_t>& openBudget,
                 const FrameStore& frames, const std::atomic<bool>& stop, std::atomic<int>& storeError)
{
    std::vector<FrameUse>& uses = job.uses;
    int largestWidth = 0, largestHeight = 0;
    for (const FrameUse& use : uses) {
        largestWidth = std::max(largestWidth, use.entry->width);
        largestHeight = std::max(largestHeight, use.entry->height);
    }
    const std::vector<size_t> order = LargestFirst(uses);
    ImageSourceFile& source = *job.source;
    std::vector<CacheKey> keys;
    if (frameCache && source.identity) {
        keys = FrameKeys(*source.identity, uses, order, largestWidth, largestHeight);
        std::vector<std::shared_ptr<const CachedBytes>> found;
        if (lookUp)
            found = FindAll(*frameCache, uses, keys, openBudget);
        if (!found.empty()) {
            for (size_t u = 0; u < uses.size(); ++u) {
                PicturePoolEntry::Frame& frame = uses[u].entry->FrameOf(uses[u].pressed);
                frame.crc = found[u]->Crc();
                frame.cached = std::move(found[u]);
            }
            return;
        }
    }

    if (!source.file) {
        source.file = std::make_unique<QFile>(job.file);
        if (!source.file->open(QIODevice::ReadOnly)) {
            job.failedUse = 0;
            return;
        }
    }
    source.file->seek(0);
    QSize decodeSize;
    const QImage decoded = DecodeForSize(source.file.get(), largestWidth, largestHeight, &decodeSize);
    if (decoded.isNull() && TooLargeToDecode(decodeSize))
        job.tooLarge = decodeSize;
    // Frames go to the cache only when the file is still the version the
    // keys name, so that a file rewritten meanwhile cannot poison them.
    const std::optional<FileIdentity> after = keys.empty() ? std::nullopt : FileIdentity::Of(source.file->handle());
    const bool cacheable = after && after->Text() == source.identity->Text();
    source.file.reset();
    ScaleCascade cascade(decoded);
    for (size_t u : order) {
        if (stop)
            break;
        const FrameUse& use = uses[u];
        const QByteArray frame = decoded.isNull()
            ? QByteArray()
            : ConvertImageToPixels(cascade.Scaled(use.entry->width, use.entry->height), use.entry->depth);
        if (frame.isEmpty()) {
            if (job.failedUse < 0 || int(u) < job.failedUse)
                job.failedUse = int(u);
            continue;
        }
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(frame.constData()), size_t(frame.size()));
        PicturePoolEntry::Frame& slot = use.entry->FrameOf(use.pressed);
        slot.crc = ComputeCrc32(bytes);
        int writeError = 0;
        if (!frames.Write(use.storeAt, frame.constData(), size_t(frame.size()), &writeError))
            storeError = writeError;
        if (cacheable)
            job.stored |= frameCache->Store(keys[u], bytes, slot.crc);
    }
}

} // namespace

// The frames wanted from each image file, in order of first use, so that
// each file is decoded once however many sizes it is used at. 'reserve'
// gives each frame its slot in the frame store (done once).
std::vector<PictureJob> CompileDocument::GroupByFile(bool reserve)
{
    std::vector<PictureJob> jobs;
    std::map<QString, size_t> jobOfFile;
    for (const auto& entry : picturePool.Entries())
        for (bool pressed : {false, true}) {
            const std::u16string& path = pressed ? entry->pressedPath : entry->normalPath;
            if (path.empty())
                continue;
            const QString file = ResolveImagePath(path);
            auto [found, added] = jobOfFile.emplace(file, jobs.size());
            if (added) {
                PictureJob& job = jobs.emplace_back();
                job.file = file;
                job.source = &m_sources[file]; // registered (and checked) while loading
            }
            if (reserve)
                entry->FrameOf(pressed).storeAt = frames.Reserve(entry->frameSize);
            jobs[found->second].uses.push_back({entry.get(), pressed, entry->FrameOf(pressed).storeAt});
        }
    return jobs;
}

void CompileDocument::ConvertPictures()
{
    std::vector<PictureJob> jobs = GroupByFile(true);
    if (jobs.empty())
        return;
    int error = 0;
    if (!frames.Open(&error))
        throw CompileFailure{u"无法创建存放图象数据的临时文件：" + QString::fromLocal8Bit(std::strerror(error)).toStdU16String()};
    ConvertFiles(jobs, true);
}

void CompileDocument::RemakeFrames(const std::set<FrameOfPicture>& damaged)
{
    std::vector<PictureJob> jobs = GroupByFile(false);
    std::erase_if(jobs, [&](const PictureJob& job) {
        return std::none_of(job.uses.begin(), job.uses.end(),
                            [&](const FrameUse& use) { return damaged.count({use.entry, use.pressed}); });
    });
    // The file's frames all go to their slots in the frame store now.
    for (const PictureJob& job : jobs)
        for (const FrameUse& use : job.uses)
            use.entry->FrameOf(use.pressed).cached.reset();
    ConvertFiles(jobs, false);
}

void CompileDocument::ConvertFiles(std::vector<PictureJob>& jobs, bool lookUp)
{
    QImageReader::setAllocationLimit(int(kMaxDecodeBytes >> 20));
    // Files are decoded on a few threads at once; this thread stays with the
    // reporter, which belongs to it, and watches for a cancel.
    std::atomic<size_t> nextJob{0};
    std::atomic<bool> stop{false};
    std::atomic<int> storeError{0};
    std::atomic<int64_t> openBudget{OpenFrameBudget()};
    std::exception_ptr thrown;
    std::mutex mutex;
    std::condition_variable finished;
    size_t running = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
    running = std::min(running, jobs.size());
    auto work = [&] {
        const QString* current = nullptr;
        try {
            for (size_t i; !stop && (i = nextJob++) < jobs.size();) {
                current = &jobs[i].file;
                ConvertFile(jobs[i], frameCache.get(), lookUp, openBudget, frames, stop, storeError);
                if (storeError)
                    stop = true;
            }
        } catch (const std::bad_alloc&) {
            std::lock_guard lock(mutex);
            if (!thrown)
                thrown = std::make_exception_ptr(CompileFailure{
                    u"转换图象文件“" + (current ? current->toStdU16String() : std::u16string()) + u"”时内存不足"});
            stop = true;
        } catch (...) {
            std::lock_guard lock(mutex);
            if (!thrown)
                thrown = std::current_exception();
            stop = true;
        }
        std::lock_guard lock(mutex);
        --running;
        finished.notify_all();
    };
    std::vector<std::thread> workers;
    auto joinAll = [&] {
        for (std::thread& worker : workers)
            worker.join();
    };
    const size_t wanted = running;
    try {
        while (workers.size() < wanted)
            workers.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads than wanted: the ones that started do all the work.
        std::lock_guard lock(mutex);
        running -= wanted - workers.size();
        if (workers.empty())
            throw CompileFailure{u"无法启动转换图象的线程"};
    }
    try {
        std::unique_lock lock(mutex);
        while (running > 0) {
            finished.wait_for(lock, std::chrono::milliseconds(20));
            lock.unlock();
            reporter.CheckCancel();
            lock.lock();
        }
    } catch (...) {
        stop = true;
        joinAll();
        throw;
    }
    joinAll();
    if (frameCache && std::any_of(jobs.begin(), jobs.end(), [](const PictureJob& job) { return job.stored; }))
        frameCache->Trim();

    if (thrown)
        std::rethrow_exception(thrown);
    if (storeError)
        throw CompileFailure{u"写入存放图象数据的临时文件失败：" +
                             QString::fromLocal8Bit(std::strerror(storeError)).toStdU16String()};
    // The message names the first picture, in registration order, that failed.
    const FrameUse* failed = nullptr;
    const PictureJob* failedJob = nullptr;
    for (const PictureJob& job : jobs)
        if (job.failedUse >= 0) {
            const FrameUse* use = &job.uses[size_t(job.failedUse)];
            if (!failed || use->storeAt < failed->storeAt) {
                failed = use;
                failedJob = &job;
            }
        }
    if (!failed)
        return;
    const std::u16string_view path = failed->pressed ? failed->entry->pressedPath : failed->entry->normalPath;
    if (failedJob->tooLarge.isValid())
        reporter.FailFormatted(u"*图象文件“%s”过大（%d x %d像素），无法加载\r\n",
                               {ShownPath(path), int64_t(failedJob->tooLarge.width()), int64_t(failedJob->tooLarge.height())});
    reporter.FailFormatted(u"*未能加载图象文件“%s”：图象已经损坏\r\n", {ShownPath(path)});
}

} // namespace kdx
