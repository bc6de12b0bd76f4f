#pragma once
#include "common/FileHeader.h"
#include "model/DocObserver.h"
#include "model/DrawObj.h"
#include "terminal/FontTable.h"
#include "model/ModelTypes.h"
#include "model/PicturePaths.h"
#include "model/ProjectError.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace kdx {

struct ObjectRecord;
struct PageRecord;
struct ProjectRecord;

// Raised by AddObject when a page already holds 65534 objects.
class NotSupportedError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A page: its identifier and name, background, the data sent when it is
// loaded and left, and its objects in drawing order (first = bottom). Changed
// only through the document's operations, which keep identifiers, names and
// jumps consistent.
class CPage {
public:
    explicit CPage(CPageDoc* doc) : m_doc(doc) {}
    ~CPage();
    CPage(const CPage&) = delete;
    CPage& operator=(const CPage&) = delete;

    CPageDoc* Document() const { return m_doc; }
    uint32_t PageId() const { return pageId; }
    const QString& Name() const { return name; }
    Color BackgroundColor() const { return backgroundColor; }
    const ImageEntry* BackgroundImage() const { return backgroundImage; }
    const SendDataEntry* LoadSend() const { return loadSend; }
    const SendDataEntry* UnloadSend() const { return unloadSend; }
    const std::vector<std::unique_ptr<CDrawObj>>& Objects() const { return objects; }
    int IndexOfObject(const CDrawObj* object) const;

private:
    friend class CPageDoc;
    CPageDoc* m_doc;
    uint32_t pageId = 0;
    QString name;
    Color backgroundColor = kNoColor;
    ImageEntry* backgroundImage = nullptr;
    SendDataEntry* loadSend = nullptr;
    SendDataEntry* unloadSend = nullptr;
    std::vector<std::unique_ptr<CDrawObj>> objects;
};

// The project: header, view settings, pages and the shared tables that pages
// and objects refer to. Changes are reported to the registered observers.
class CPageDoc {
public:
    CPageDoc();
    ~CPageDoc();
    CPageDoc(const CPageDoc&) = delete;
    CPageDoc& operator=(const CPageDoc&) = delete;

    FileHeader header;
    ViewSettings view;
    Color currentLineColor = 0x00000000; // the editor sets its window-text colour
    Color currentFillColor = 0x00000000;

    // --- observers and change reporting
    void AddObserver(IDocObserver* observer);
    void RemoveObserver(IDocObserver* observer);
    const std::vector<IDocObserver*>& Observers() const { return m_observers; }
    void SetModifiedFlag(bool modified = true);
    bool IsModified() const { return m_modified; }
    void UpdateAllViews(UpdateHint hint, CDrawObj* object = nullptr);
    void NotifyObjectChanged(CDrawObj* object, uint32_t flags);
    void NotifyPagesChanged();
    // Asks the observers to put edits in progress into the model, so that
    // what a command works on, and what is saved or compiled, is what the
    // user sees. False when a value was refused (its message is shown), and
    // while a change of the pages is half done: no edit starts then.
    bool CommitEdits();
    bool HasPendingEdits() const;
    // Marks the changes until the matching EndStep as one user action for
    // the observers that keep an undo history. A step opened inside another
    // is part of the outer one; only the outermost is reported.
    void BeginStep(const UndoStep& step);
    void EndStep();
    bool InStep() const { return m_stepDepth > 0; }
    class StepScope {
    public:
        StepScope(CPageDoc& doc, const UndoStep& step) : m_doc(doc) { m_doc.BeginStep(step); }
        StepScope(CPageDoc& doc, const QString& name) : StepScope(doc, UndoStep{name}) {}
        ~StepScope() { m_doc.EndStep(); }
        StepScope(const StepScope&) = delete;
        StepScope& operator=(const StepScope&) = delete;

    private:
        CPageDoc& m_doc;
    };
    // The stored title, and the shown one with a trailing "*" while modified.
    void SetTitle(const QString& title) { m_title = title; }
    const QString& Title() const { return m_title; }
    QString ShownTitle() const { return m_modified ? m_title + u'*' : m_title; }

    // --- contents and tables
    // Empties the project: no current page, default view settings, no pages,
    // empty tables. The header is kept.
    void DeleteContents();
    // The folder against which relative image paths are resolved.
    void SetProjectFolder(const QString& folder) { m_folder = folder; }
    const QString& ProjectFolder() const { return m_folder; }
    // Whether LoadImage decodes files; without decoding every image is kept
    // by its path only (listing and converting projects need no pixels).
    void SetImageDecoding(bool decode) { m_decodeImages = decode; }
    bool ImageDecoding() const { return m_decodeImages; }

    ImageEntry* LoadImage(const QString& path);
    void ReleaseImage(ImageEntry* entry);
    // Replaces every picture path of pages and objects by map(path); the
    // number of references changed.
    int RewritePicturePaths(const std::function<QString(const QString&)>& map);
    // Copies the pictures lying outside the project's folder into its
    // collection folder and points their references there.
    CollectedPictures CollectPictures();

    // With a picture loader, the pictures of a project being read are not
    // decoded while it is read (so that it opens at once) but when a page
    // that shows them is drawn: RequestPictures hands the loader what the
    // page needs, at the size it is drawn, and the loader hands each
    // decoded bitmap back to TakeDecodedPicture (on this thread). The
    // stored paths do not depend on it, so saving never waits for it.
    struct PictureRequest {
        QString path; // as stored
        QString file; // resolved against the project folder
        QSize size;   // drawn at
        uint32_t colorDepth = 16;
        uint64_t generation = 0;
    };
    using PictureLoader = std::function<void(std::vector<PictureRequest>)>;
    void SetPictureLoader(PictureLoader loader) { m_pictureLoader = std::move(loader); }
    void RequestPictures(const CPage& page);
    void TakeDecodedPicture(const PictureRequest& request, const QImage& bitmap, const PictureSource& source);
    // Texts read from a file are kept whatever their length (fromFile).
    TextEntry* InternText(const char16_t* text, int units, bool fromFile = false);
    void ReleaseText(TextEntry* entry);
    SendDataEntry* InternSendData(const uint8_t* bytes, int length, uint32_t tag);
    void ReleaseSendData(SendDataEntry* entry);
    const TerminalFont* GetFont(uint32_t id) const { return FindTerminalFont(id); }
    const std::list<ImageEntry>& ImageTable() const { return m_images; }
    const std::list<TextEntry>& TextTable() const { return m_texts; }
    const std::list<SendDataEntry>& SendDataTable() const { return m_sendData; }

    void SetGridSize(int32_t width, int32_t height);

    // How the editor asks the user for an image file: given the path now
    // held, the chosen path, or nothing when the user cancels. Without a
    // chooser nothing is ever chosen.
    using ImageChooser = std::function<std::optional<QString>(const QString& currentPath)>;
    void SetImageChooser(ImageChooser chooser) { m_imageChooser = std::move(chooser); }
    std::optional<QString> ChooseImageFile(const QString& currentPath) const
    {
        return m_imageChooser ? m_imageChooser(currentPath) : std::nullopt;
    }

    // --- pages
    size_t PageCount() const { return m_pages.size(); }
    const std::vector<std::unique_ptr<CPage>>& Pages() const { return m_pages; }
    CPage* AddPage();
    uint32_t FirstFreePageId() const;
    CPage* FindPage(uint32_t id) const;
    CPage* PageAt(int index) const;
    int IndexOfPage(uint32_t id) const;
    CPage* FindPageByName(const QString& name) const;
    int IndexOfPageName(const QString& name) const;
    CPage* CurrentPage() const { return m_currentPage; }
    void SetCurrentPage(CPage* page);
    bool SetPageId(CPage* page, uint32_t id);
    bool RenamePage(CPage* page, const QString& name);
    // A colour replaces a background image: true when one was removed.
    bool SetPageBackgroundColor(CPage* page, Color color);
    bool SetPageBackgroundImage(CPage* page, const QString& path);
    void SetPageLoadSend(CPage* page, const uint8_t* bytes, int length, uint32_t tag = 0);
    void SetPageUnloadSend(CPage* page, const uint8_t* bytes, int length, uint32_t tag = 0);
    enum MoveHow { kMoveForward = 0, kMoveBackward = 1, kMoveToFront = 2, kMoveToEnd = 3 };
    void MovePage(CPage* page, int how);
    // Moves the page to position 'index' of the page list.
    void MovePageTo(CPage* page, int index);
    // New pages are called "<name> N" with the first free N ("Page" unless
    // the user interface says otherwise).
    void SetNewPageName(const QString& name) { m_newPageName = name; }
    // Removes the page and clears the jumps to it; returns how many objects
    // lost their jump target.
    int DeletePage(CPage* page);
    void DeleteAllPages();

    // --- objects (add, remove and restack work on the current page)
    CDrawObj* AddObject(std::unique_ptr<CDrawObj> object);
    uint32_t NextObjectId();
    void RemoveObject(CDrawObj* object);
    enum RestackHow { kRestackUp = 0, kRestackDown = 1, kRestackToTop = 2, kRestackToBottom = 3 };
    void RestackObject(CDrawObj* object, int how);
    CDrawObj* ObjectAt(int32_t x, int32_t y) const;
    bool FindObject(uint32_t objectId, CDrawObj** object = nullptr, CPage** page = nullptr) const;
    // Points every jump to oldId at newId; returns how many objects changed.
    int RetargetJumps(uint32_t oldId, uint32_t newId);

    // --- project files
    // The project's stored values: what its file holds.
    ProjectRecord ToRecord() const;
    // The whole project file, sealed.
    std::vector<uint8_t> SaveToBytes();
    // Writes the file through a temporary file in the same folder, so that a
    // failure leaves an existing file untouched. Clears the modified flag.
    std::optional<ProjectError> SaveProject(const QString& path);
    // Replaces the contents with the project in the file. On failure the
    // contents are empty. An empty file opens as a project without pages.
    std::optional<ProjectError> OpenProject(const QString& path);
    std::optional<ProjectError> LoadFromBytes(std::span<const uint8_t> bytes);
    // Objects of stored values for `page`, without adding them to it; image
    // paths that do not decode are kept, as when a file is read.
    std::vector<std::unique_ptr<CDrawObj>> MakeObjects(CPage* page, std::span<const ObjectRecord> records);

private:
    void MakePages(const std::vector<PageRecord>& pages);
    void ReportUnreadablePicture(const QString& path);
    ImageEntry* LoadImageEntry(const QString& path, bool keepUndecodable);
    QImage DecodeImage(const QString& path, PictureSource& source) const;
    QString ImageFile(const QString& path) const;
    bool TakeReusablePicture(const QString& path, ImageEntry& entry) const;
    std::optional<ProjectError> ReadFromBytes(std::span<const uint8_t> bytes);
    bool Contains(const CPage* page) const;
    void SetPageSend(SendDataEntry*& slot, const uint8_t* bytes, int length, uint32_t tag);
    void RenumberAllObjects();

    std::vector<std::unique_ptr<CPage>> m_pages;
    CPage* m_currentPage = nullptr;
    // The tables keep their entries in lists (stable addresses) and find
    // them through hash indices, so that large projects intern in constant time.
    std::list<ImageEntry> m_images;
    std::list<TextEntry> m_texts;
    std::list<SendDataEntry> m_sendData;
    QHash<QString, std::list<ImageEntry>::iterator> m_imageIndex;
    std::unordered_map<std::u16string, std::list<TextEntry>::iterator> m_textIndex;
    std::unordered_map<std::string, std::list<SendDataEntry>::iterator> m_sendDataIndex;
    std::vector<IDocObserver*> m_observers;
    // Marks a change of the pages that observers are told about before it
    // is complete (deleting pages, emptying the project): edits held by the
    // observers are not committed into a half-changed project.
    class ChangeScope {
    public:
        explicit ChangeScope(CPageDoc& doc) : m_doc(doc) { ++m_doc.m_changeDepth; }
        ~ChangeScope() { --m_doc.m_changeDepth; }
        ChangeScope(const ChangeScope&) = delete;
        ChangeScope& operator=(const ChangeScope&) = delete;

    private:
        CPageDoc& m_doc;
    };
    int m_changeDepth = 0;
    int m_stepDepth = 0;
    bool m_modified = false;
    // While stored values are taken in: pictures then go to the picture loader.
    bool m_loading = false;
    class LoadingScope {
    public:
        explicit LoadingScope(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
        ~LoadingScope() { m_flag = m_was; }
        LoadingScope(const LoadingScope&) = delete;
        LoadingScope& operator=(const LoadingScope&) = delete;

    private:
        bool& m_flag;
        bool m_was;
    };
    bool m_decodeImages = true;
    // While a project is read from bytes, the pictures of the one it
    // replaces, by stored path: a state read back (undo, redo) decodes only
    // the files that changed since.
    QHash<QString, ImageEntry> m_reusablePictures;
    QString m_title;
    QString m_newPageName = QStringLiteral("Page");
    QString m_folder;
    ImageChooser m_imageChooser;
    PictureLoader m_pictureLoader;
    uint64_t m_pictureGeneration = 0; // a new project makes late pictures stale
};

} // namespace kdx
