#include "model/PageDoc.h"

#include "model/ModelStrings.h"
#include "terminal/PixelConvert.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace kdx {
namespace {

// The index key of a send-data block: its tag and its bytes.
std::string SendDataKey(uint32_t tag, const uint8_t* bytes, size_t n)
{
    std::string key(4 + n, '\0');
    std::memcpy(key.data(), &tag, 4);
    std::memcpy(key.data() + 4, bytes, n);
    return key;
}

// The bitmap as the terminal will show it: converted to the project's pixel
// format at its own size (transparent pixels over black), kept in a form
// that can be drawn.
QImage ToProjectPixels(const QImage& image, uint32_t colorDepth)
{
    const int depth = int(colorDepth);
    return PixelsToImage(ConvertImageToPixels(image, depth), image.width(), image.height(), depth);
}

} // namespace

// ---------------------------------------------------------------- CPage

CPage::~CPage()
{
    objects.clear(); // objects release their references first
    if (backgroundImage)
        m_doc->ReleaseImage(backgroundImage);
    if (loadSend)
        m_doc->ReleaseSendData(loadSend);
    if (unloadSend)
        m_doc->ReleaseSendData(unloadSend);
}

int CPage::IndexOfObject(const CDrawObj* object) const
{
    for (size_t i = 0; i < objects.size(); ++i)
        if (objects[i].get() == object)
            return int(i);
    return -1;
}

// ---------------------------------------------------------------- CPageDoc: reporting

CPageDoc::CPageDoc() = default;

CPageDoc::~CPageDoc()
{
    m_currentPage = nullptr;
    m_pages.clear(); // before the tables the pages refer to
}

void CPageDoc::AddObserver(IDocObserver* observer)
{
    if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void CPageDoc::RemoveObserver(IDocObserver* observer)
{
    std::erase(m_observers, observer);
}

void CPageDoc::SetModifiedFlag(bool modified)
{
    if (modified == m_modified)
        return;
    m_modified = modified;
    for (IDocObserver* o : m_observers)
        o->OnModifiedChanged(modified);
}

void CPageDoc::UpdateAllViews(UpdateHint hint, CDrawObj* object)
{
    for (IDocObserver* o : m_observers)
        o->OnUpdate(hint, object);
}

void CPageDoc::NotifyObjectChanged(CDrawObj* object, uint32_t flags)
{
    for (IDocObserver* o : m_observers)
        o->OnObjectChanged(object, flags);
}

void CPageDoc::NotifyPagesChanged()
{
    for (IDocObserver* o : m_observers)
        o->OnPagesChanged();
}

void CPageDoc::ReportUnreadablePicture(const QString& path)
{
    for (IDocObserver* o : m_observers)
        o->OnPictureUnreadable(path);
}

void CPageDoc::BeginStep(const UndoStep& step)
{
    if (m_stepDepth++ > 0)
        return;
    const std::vector<IDocObserver*> observers = m_observers;
    for (IDocObserver* o : observers)
        o->OnStepBegin(step);
}

void CPageDoc::EndStep()
{
    if (m_stepDepth == 0 || --m_stepDepth > 0)
        return;
    const std::vector<IDocObserver*> observers = m_observers;
    for (IDocObserver* o : observers)
        o->OnStepEnd();
}

bool CPageDoc::CommitEdits()
{
    if (m_changeDepth > 0)
        return false;
    // An observer may add or remove observers while it commits.
    const std::vector<IDocObserver*> observers = m_observers;
    bool committed = true;
    for (IDocObserver* o : observers)
        committed = o->OnCommitEdits() && committed;
    return committed;
}

bool CPageDoc::HasPendingEdits() const
{
    return std::any_of(m_observers.begin(), m_observers.end(), [](const IDocObserver* o) { return o->HasPendingEdits(); });
}

// ---------------------------------------------------------------- tables

void CPageDoc::DeleteContents()
{
    ChangeScope changing(*this);
    ++m_pictureGeneration;
    SetCurrentPage(nullptr);
    view = ViewSettings();
    m_pages.clear();
    m_imageIndex.clear();
    m_textIndex.clear();
    m_sendDataIndex.clear();
    m_images.clear();
    m_texts.clear();
    m_sendData.clear();
    NotifyPagesChanged();
}

QString CPageDoc::ImageFile(const QString& path) const
{
    // A relative path is taken from the project's folder, so that a project
    // folder can be moved with its pictures.
    if (QFileInfo(path).isRelative() && !m_folder.isEmpty())
        return QDir(m_folder).filePath(path);
    return path;
}

QImage CPageDoc::DecodeImage(const QString& path, PictureSource& source) const
{
    const QString file = ImageFile(path);
    // Only regular files: a path naming a pipe or a device must not block
    // or stream endlessly.
    const QFileInfo info(file);
    if (!info.isFile())
        return QImage();
    source = {file, info.lastModified(), info.size(), header.colorDepth};
    if (auto reusable = m_reusablePictures.constFind(path);
        reusable != m_reusablePictures.cend() && reusable->source == source && !reusable->bitmap.isNull())
        return reusable->bitmap;
    QImageReader reader(file);
    PreferSignatureFormat(reader);
    QImage image = reader.read();
    return image.isNull() ? QImage() : ToProjectPixels(image, header.colorDepth);
}

// Takes over the decoded picture of the project state this one replaces
// when its file has not changed since.
bool CPageDoc::TakeReusablePicture(const QString& path, ImageEntry& entry) const
{
    auto reusable = m_reusablePictures.constFind(path);
    if (reusable == m_reusablePictures.cend() || reusable->bitmap.isNull())
        return false;
    const QFileInfo info(ImageFile(path));
    const PictureSource source{info.filePath(), info.lastModified(), info.size(), header.colorDepth};
    if (!info.isFile() || !(reusable->source == source))
        return false;
    entry.bitmap = reusable->bitmap;
    entry.source = source;
    return true;
}

ImageEntry* CPageDoc::LoadImage(const QString& path)
{
    if (path.isEmpty())
        return nullptr;
    if (auto found = m_imageIndex.find(path); found != m_imageIndex.end()) {
        ImageEntry& e = **found;
        if (e.bitmap.isNull() && m_decodeImages && e.decoding == ImageEntry::Decoding::Done)
            e.bitmap = DecodeImage(path, e.source);
        ++e.refs;
        return &e;
    }
    ImageEntry entry{1, path, QImage(), PictureSource()};
    if (m_decodeImages && m_loading && m_pictureLoader) {
        if (!TakeReusablePicture(path, entry))
            entry.decoding = ImageEntry::Decoding::Waiting;
    } else if (m_decodeImages) {
        entry.bitmap = DecodeImage(path, entry.source);
        if (entry.bitmap.isNull()) {
            ReportUnreadablePicture(path);
            // A project being read keeps the path, so that saving it again
            // does not lose the reference; the editor shows a placeholder.
            if (!m_loading)
                return nullptr;
        }
    }
    m_images.push_front(std::move(entry));
    m_imageIndex.insert(path, m_images.begin());
    return &m_images.front();
}

void CPageDoc::RequestPictures(const CPage& page)
{
    if (!m_pictureLoader)
        return;
    std::vector<PictureRequest> requests;
    bool sizesOnly = false;
    auto ask = [&](const ImageEntry* image, int width, int height) {
        if (!image || width < 1 || height < 1)
            return;
        auto found = m_imageIndex.find(image->path);
        if (found == m_imageIndex.end())
            return;
        ImageEntry& entry = **found;
        if (entry.decoding == ImageEntry::Decoding::Done)
            return;
        // One request per picture, at the largest size the page draws it.
        for (PictureRequest& request : requests)
            if (request.path == entry.path) {
                request.size = request.size.expandedTo(QSize(width, height));
                return;
            }
        if (entry.decoding == ImageEntry::Decoding::Waiting && !sizesOnly) {
            entry.decoding = ImageEntry::Decoding::Asked;
            requests.push_back({entry.path, ImageFile(entry.path), QSize(width, height), header.colorDepth,
                                m_pictureGeneration});
        }
    };
    auto askPage = [&](const CPage& shown) {
        ask(shown.BackgroundImage(), header.width, header.height);
        for (const auto& object : shown.Objects())
            if (const auto* picture = dynamic_cast<const CDrawImage*>(object.get())) {
                const PageRect& bounds = picture->Bounds();
                ask(picture->NormalImage(), bounds.Width(), bounds.Height());
                ask(picture->PressedImage(), bounds.Width(), bounds.Height());
            }
    };
    askPage(page);
    if (requests.empty())
        return;
    // A picture is decoded once, at the largest size any page draws it.
    sizesOnly = true;
    for (const auto& other : m_pages)
        if (other.get() != &page)
            askPage(*other);
    m_pictureLoader(std::move(requests));
}

void CPageDoc::TakeDecodedPicture(const PictureRequest& request, const QImage& bitmap, const PictureSource& source)
{
    auto found = m_imageIndex.find(request.path);
    if (request.generation != m_pictureGeneration || found == m_imageIndex.end())
        return; // another project, or a picture no longer used
    ImageEntry& entry = **found;
    if (entry.decoding != ImageEntry::Decoding::Asked)
        return;
    entry.decoding = ImageEntry::Decoding::Done;
    entry.bitmap = bitmap;
    entry.source = source;
    if (bitmap.isNull())
        ReportUnreadablePicture(request.path);
    UpdateAllViews(UpdateHint::RepaintPage);
}

void CPageDoc::ReleaseImage(ImageEntry* entry)
{
    if (!entry || --entry->refs > 0)
        return;
    auto found = m_imageIndex.find(entry->path);
    if (found == m_imageIndex.end())
        return;
    m_images.erase(*found);
    m_imageIndex.erase(found);
}

TextEntry* CPageDoc::InternText(const char16_t* text, int units, bool fromFile)
{
    if (!text || units <= 0 || (units > kMaxTextUnits && !fromFile))
        return nullptr;
    std::u16string key(text, size_t(units));
    if (auto found = m_textIndex.find(key); found != m_textIndex.end()) {
        ++found->second->refs;
        return &*found->second;
    }
    m_texts.push_back(TextEntry{1, key});
    m_textIndex.emplace(std::move(key), std::prev(m_texts.end()));
    return &m_texts.back();
}

void CPageDoc::ReleaseText(TextEntry* entry)
{
    if (!entry || --entry->refs > 0)
        return;
    auto found = m_textIndex.find(entry->text);
    if (found == m_textIndex.end())
        return;
    m_texts.erase(found->second);
    m_textIndex.erase(found);
}

SendDataEntry* CPageDoc::InternSendData(const uint8_t* bytes, int length, uint32_t tag)
{
    if (!bytes || length <= 0)
        return nullptr;
    const size_t n = std::min(size_t(length), kMaxSendDataBytes);
    std::string key = SendDataKey(tag, bytes, n);
    if (auto found = m_sendDataIndex.find(key); found != m_sendDataIndex.end()) {
        ++found->second->refs;
        return &*found->second;
    }
    m_sendData.push_back(SendDataEntry{1, tag, std::vector<uint8_t>(bytes, bytes + n)});
    m_sendDataIndex.emplace(std::move(key), std::prev(m_sendData.end()));
    return &m_sendData.back();
}

void CPageDoc::ReleaseSendData(SendDataEntry* entry)
{
    if (!entry || --entry->refs > 0)
        return;
    auto found = m_sendDataIndex.find(SendDataKey(entry->tag, entry->bytes.data(), entry->bytes.size()));
    if (found == m_sendDataIndex.end())
        return;
    m_sendData.erase(found->second);
    m_sendDataIndex.erase(found);
}

void CPageDoc::SetGridSize(int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0 || (uint32_t(width) == view.gridWidth && uint32_t(height) == view.gridHeight))
        return;
    view.gridWidth = uint32_t(width);
    view.gridHeight = uint32_t(height);
    UpdateAllViews(UpdateHint::RepaintPage);
    SetModifiedFlag(true);
}

// ---------------------------------------------------------------- pages

bool CPageDoc::Contains(const CPage* page) const
{
    return page && std::any_of(m_pages.begin(), m_pages.end(), [page](const auto& p) { return p.get() == page; });
}

CPage* CPageDoc::AddPage()
{
    if (m_pages.size() >= kMaxPages)
        return nullptr;
    auto page = std::make_unique<CPage>(this);
    page->pageId = FirstFreePageId();
    QSet<QString> names;
    for (const auto& p : m_pages)
        names.insert(p->name);
    for (int n = 1;; ++n) {
        QString name = QStringLiteral("%1 %2").arg(m_newPageName).arg(n);
        if (!names.contains(name)) {
            page->name = name;
            break;
        }
    }
    m_pages.push_back(std::move(page));
    SetModifiedFlag(true);
    NotifyPagesChanged();
    return m_pages.back().get();
}

uint32_t CPageDoc::FirstFreePageId() const
{
    std::vector<bool> used(kMaxPageId + 1, false);
    for (const auto& p : m_pages)
        if (p->pageId <= kMaxPageId)
            used[p->pageId] = true;
    for (uint32_t id = 0; id <= kMaxPageId; ++id)
        if (!used[id])
            return id;
    return kNoPage;
}

CPage* CPageDoc::FindPage(uint32_t id) const
{
    int index = IndexOfPage(id);
    return index < 0 ? nullptr : m_pages[size_t(index)].get();
}

CPage* CPageDoc::PageAt(int index) const
{
    return index >= 0 && size_t(index) < m_pages.size() ? m_pages[size_t(index)].get() : nullptr;
}

int CPageDoc::IndexOfPage(uint32_t id) const
{
    if (id == kNoPage)
        return -1;
    for (size_t i = 0; i < m_pages.size(); ++i)
        if (m_pages[i]->pageId == id)
            return int(i);
    return -1;
}

CPage* CPageDoc::FindPageByName(const QString& name) const
{
    int index = IndexOfPageName(name);
    return index < 0 ? nullptr : m_pages[size_t(index)].get();
}

int CPageDoc::IndexOfPageName(const QString& name) const
{
    if (name.isNull())
        return -1;
    for (size_t i = 0; i < m_pages.size(); ++i)
        if (m_pages[i]->name == name)
            return int(i);
    return -1;
}

void CPageDoc::SetCurrentPage(CPage* page)
{
    if (!Contains(page))
        page = nullptr;
    if (page == m_currentPage)
        return;
    // A value typed for the page or object shown so far belongs to it: it
    // is committed while that is still shown.
    CommitEdits();
    if (!Contains(page))
        page = nullptr;
    if (page == m_currentPage)
        return;
    CPage* old = m_currentPage;
    m_currentPage = page;
    UpdateAllViews(UpdateHint::CurrentPage);
    for (IDocObserver* o : m_observers)
        o->OnCurrentPageChanged(old, page);
}

bool CPageDoc::SetPageId(CPage* page, uint32_t id)
{
    if (!Contains(page) || id > kMaxPageId)
        return false;
    if (id == page->pageId)
        return true;
    if (FindPage(id))
        return false;
    RetargetJumps(page->pageId, id);
    page->pageId = id;
    SetModifiedFlag(true);
    NotifyPagesChanged();
    return true;
}

bool CPageDoc::RenamePage(CPage* page, const QString& name)
{
    if (!Contains(page) || name.isEmpty())
        return false;
    if (name == page->name)
        return true;
    if (FindPageByName(name))
        return false;
    page->name = name;
    SetModifiedFlag(true);
    NotifyPagesChanged();
    return true;
}

bool CPageDoc::SetPageBackgroundColor(CPage* page, Color color)
{
    if (!Contains(page) || color == page->backgroundColor)
        return false;
    const bool imageRemoved = page->backgroundImage != nullptr;
    if (imageRemoved) {
        ReleaseImage(page->backgroundImage);
        page->backgroundImage = nullptr;
    }
    page->backgroundColor = color;
    UpdateAllViews(UpdateHint::RepaintPage);
    SetModifiedFlag(true);
    NotifyPagesChanged();
    return imageRemoved;
}

bool CPageDoc::SetPageBackgroundImage(CPage* page, const QString& path)
{
    if (!Contains(page))
        return false;
    if (!path.isEmpty()) {
        ImageEntry* entry = LoadImage(path);
        if (entry == page->backgroundImage) {
            if (entry)
                ReleaseImage(entry); // the reference the page already holds
            return true;
        }
        if (page->backgroundImage)
            ReleaseImage(page->backgroundImage);
        page->backgroundImage = entry;
        page->backgroundColor = kNoColor;
    } else {
        if (!page->backgroundImage)
            return true;
        ReleaseImage(page->backgroundImage);
        page->backgroundImage = nullptr;
    }
    UpdateAllViews(UpdateHint::RepaintPage);
    SetModifiedFlag(true);
    NotifyPagesChanged();
    return true;
}

void CPageDoc::SetPageSend(SendDataEntry*& slot, const uint8_t* bytes, int length, uint32_t tag)
{
    SendDataEntry* entry = InternSendData(bytes, length, tag);
    if (entry == slot) {
        if (entry)
            ReleaseSendData(entry);
        return;
    }
    if (slot)
        ReleaseSendData(slot);
    slot = entry;
    UpdateAllViews(UpdateHint::RepaintPage);
    SetModifiedFlag(true);
    NotifyPagesChanged();
}

void CPageDoc::SetPageLoadSend(CPage* page, const uint8_t* bytes, int length, uint32_t tag)
{
    if (Contains(page))
        SetPageSend(page->loadSend, bytes, length, tag);
}

void CPageDoc::SetPageUnloadSend(CPage* page, const uint8_t* bytes, int length, uint32_t tag)
{
    if (Contains(page))
        SetPageSend(page->unloadSend, bytes, length, tag);
}

void CPageDoc::MovePage(CPage* page, int how)
{
    if (!Contains(page))
        return;
    const auto first = m_pages.begin();
    const auto at = std::find_if(first, m_pages.end(), [page](const auto& p) { return p.get() == page; });
    const bool isFirst = at == first;
    const bool isLast = at + 1 == m_pages.end();
    switch (how) {
    case kMoveForward:
        if (isFirst)
            return;
        std::iter_swap(at, at - 1);
        break;
    case kMoveBackward:
        if (isLast)
            return;
        std::iter_swap(at, at + 1);
        break;
    case kMoveToFront:
        if (isFirst)
            return;
        std::rotate(first, at, at + 1);
        break;
    case kMoveToEnd:
        if (isLast)
            return;
        std::rotate(at, at + 1, m_pages.end());
        break;
    default:
        return;
    }
    SetModifiedFlag(true);
    NotifyPagesChanged();
}

void CPageDoc::MovePageTo(CPage* page, int index)
{
    if (!Contains(page) || index < 0 || size_t(index) >= m_pages.size())
        return;
    const auto at = std::find_if(m_pages.begin(), m_pages.end(), [page](const auto& p) { return p.get() == page; });
    const auto to = m_pages.begin() + index;
    if (at == to)
        return;
    if (at < to)
        std::rotate(at, at + 1, to + 1);
    else
        std::rotate(to, at, at + 1);
    SetModifiedFlag(true);
    NotifyPagesChanged();
}

int CPageDoc::DeletePage(CPage* page)
{
    if (!Contains(page))
        return 0;
    // What was typed for the page goes into it before it goes.
    CommitEdits();
    if (!Contains(page))
        return 0;
    ChangeScope changing(*this);
    // Out of the project before anyone is told: nothing said in between
    // can make it current again. It is freed once everyone has let go.
    const auto at = std::find_if(m_pages.begin(), m_pages.end(), [page](const auto& p) { return p.get() == page; });
    const std::unique_ptr<CPage> removed = std::move(*at);
    m_pages.erase(at);
    if (page == m_currentPage)
        SetCurrentPage(nullptr);
    // A file may hold two pages with one identifier; jumps then still lead
    // to the one that is left.
    const uint32_t id = page->pageId;
    const int cleared = FindPage(id) ? 0 : RetargetJumps(id, kNoPage);
    SetModifiedFlag(true);
    NotifyPagesChanged();
    return cleared;
}

void CPageDoc::DeleteAllPages()
{
    CommitEdits();
    ChangeScope changing(*this);
    SetCurrentPage(nullptr);
    const std::vector<std::unique_ptr<CPage>> removed = std::move(m_pages);
    m_pages.clear();
    SetModifiedFlag(true);
    NotifyPagesChanged();
}

// ---------------------------------------------------------------- objects

CDrawObj* CPageDoc::AddObject(std::unique_ptr<CDrawObj> object)
{
    if (!object)
        throw std::invalid_argument("AddObject: no object");
    if (!m_currentPage)
        return nullptr;
    if (m_currentPage->objects.size() >= kMaxObjectsPerPage)
        throw NotSupportedError("a page holds at most 65534 objects");
    CDrawObj* added = object.get();
    added->AttachToPage(m_currentPage);
    added->SetObjectId(NextObjectId());
    m_currentPage->objects.push_back(std::move(object));
    if (auto* custom = dynamic_cast<CDrawCustom*>(added))
        custom->SetCustomId(uint32_t(custom->FindFreeCustomId()));
    SetModifiedFlag(true);
    return added;
}

void CPageDoc::RenumberAllObjects()
{
    uint32_t n = 0;
    for (const auto& page : m_pages)
        for (const auto& obj : page->objects)
            obj->SetObjectId(++n);
    view.lastObjectId = n;
}

uint32_t CPageDoc::NextObjectId()
{
    if (view.lastObjectId >= 0x7FFFFFFFu)
        RenumberAllObjects();
    return ++view.lastObjectId;
}

void CPageDoc::RemoveObject(CDrawObj* object)
{
    if (!m_currentPage)
        return;
    const int index = m_currentPage->IndexOfObject(object);
    if (index < 0)
        return;
    UpdateAllViews(UpdateHint::RemoveObject, object);
    m_currentPage->objects.erase(m_currentPage->objects.begin() + index);
    SetModifiedFlag(true);
}

void CPageDoc::RestackObject(CDrawObj* object, int how)
{
    if (!m_currentPage)
        return;
    auto& list = m_currentPage->objects;
    const int index = m_currentPage->IndexOfObject(object);
    if (index < 0)
        return;
    const auto at = list.begin() + index;
    const bool isBottom = index == 0;
    const bool isTop = size_t(index) + 1 == list.size();
    switch (how) {
    case kRestackUp:
        if (isTop)
            return;
        std::iter_swap(at, at + 1);
        break;
    case kRestackDown:
        if (isBottom)
            return;
        std::iter_swap(at, at - 1);
        break;
    case kRestackToTop:
        if (isTop)
            return;
        std::rotate(at, at + 1, list.end());
        break;
    case kRestackToBottom:
        if (isBottom)
            return;
        std::rotate(list.begin(), at, at + 1);
        break;
    default:
        return;
    }
    UpdateAllViews(UpdateHint::RepaintObject, object);
    SetModifiedFlag(true);
}

CDrawObj* CPageDoc::ObjectAt(int32_t x, int32_t y) const
{
    if (!m_currentPage)
        return nullptr;
    const PageRect point{x, y, x + 1, y + 1};
    const auto& list = m_currentPage->objects;
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if ((*it)->Intersects(point))
            return it->get();
    return nullptr;
}

bool CPageDoc::FindObject(uint32_t objectId, CDrawObj** object, CPage** page) const
{
    for (const auto& p : m_pages) {
        for (const auto& obj : p->objects) {
            if (obj->ObjectId() == objectId) {
                if (object)
                    *object = obj.get();
                if (page)
                    *page = p.get();
                return true;
            }
        }
    }
    return false;
}

int CPageDoc::RetargetJumps(uint32_t oldId, uint32_t newId)
{
    int changed = 0;
    for (const auto& p : m_pages)
        for (const auto& obj : p->objects)
            if (obj->JumpTarget() == oldId) {
                obj->SetJumpTarget(newId);
                ++changed;
            }
    return changed;
}

} // namespace kdx
