#pragma once
#include "edit/CMyEdit.h"
#include "terminal/ViewScale.h"
#include "model/DocObserver.h"

#include <QPoint>
#include <QPointer>
#include <string>

namespace kdx {

class CDrawText;
class CPageDoc;

// The borderless text control that lies over a text object while it is
// edited on the page. It shows the object's text in the object's font,
// colour, line spacing and tab size and wraps it at the object's width. The
// object keeps its text with CR LF where the user broke a line and a lone LF
// at each point where the text wraps.
class CDrawTextEdit : public CMyEdit {
    Q_OBJECT
public:
    static constexpr int kMenuId = 143;
    // A text object's text holds at most 1023 units besides its zero.
    static constexpr int kMaxTextUnits = 1023;

    explicit CDrawTextEdit(QWidget* parent);

    // Takes the object's font, line spacing, tab size and text colour.
    void TakeStyleFrom(const CDrawText& object);
    // Lies exactly over `rect` (parent coordinates) and wraps at its width now.
    void PlaceOver(const QRect& rect);
    // Lies over `shown`, the object's rectangle `page` on a page drawn at
    // `scale`, and lays the text out in the page pixels of `page`, so that it
    // wraps exactly where the page and the terminal wrap it; a point of the
    // window stands for the page pixel it shows.
    void PlaceOver(const QRect& shown, const QRect& page, const ViewScale& scale);

    // Shows the object's text: CR LF breaks lines, a lone LF (a wrap point)
    // joins its neighbours. Loading cannot be undone.
    void LoadFromObject(const CDrawText& object);
    // Stores the rows in the object as the page shows them.
    void SaveToObject(CDrawText& object) const;
    // The rows in order: CR LF after a row that ends a line, LF after a row
    // the next one continues; nothing after the last row.
    std::u16string ObjectText() const;


signals:
    // Escape with no text selected: the user is done with the text.
    void FinishRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    std::vector<int> MenuItems() const override;
    void Layout() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The event with its position in unscaled pixels.
    QMouseEvent Unscaled(const QMouseEvent& event) const;

    QSize m_textSize; // invalid: the window's own size
};

// Edits the text objects of one document in place. The editor window is
// made when first needed as a hidden child of the page window. The session
// begins and ends editing when the page view asks, keeps the editor on its
// object while that object changes, writes the text back whenever the
// project is about to be saved or compiled.
class CTextEditSession : public IDocObserver {
public:
    // `host` shows the page with its page point (0, 0) at `origin`.
    CTextEditSession(CPageDoc& doc, QWidget* host, QPoint origin);
    ~CTextEditSession() override;
    CTextEditSession(const CTextEditSession&) = delete;
    CTextEditSession& operator=(const CTextEditSession&) = delete;

    // The editor window; null until a text was first edited.
    CDrawTextEdit* Editor() const { return m_editor; }
    CDrawText* EditedObject() const { return m_object; }
    // Shows the editor over the object, ending the edit of another text
    // first; false when there is no window to show it in.
    bool Begin(CDrawText& object);
    // Hides the editor and writes the text back into its object.
    void EndCurrent();
    // Writes what was typed into the object; editing goes on.
    void WriteBack();
    // The page's scale; the editor follows it at once.
    void SetScale(const ViewScale& scale);

    // IDocObserver
    void OnObjectChanged(CDrawObj* object, uint32_t flags) override;
    void OnUpdate(UpdateHint hint, CDrawObj* object) override;
    void OnCurrentPageChanged(CPage* oldPage, CPage* newPage) override;
    bool OnCommitEdits() override;
    bool HasPendingEdits() const override;

private:
    CDrawTextEdit* EnsureEditor();
    QRect Displayed(const CDrawText& object) const;
    void PlaceOn(const CDrawText& object);

    // The undo step of a text written back into its object.
    static constexpr const char16_t* kStepName = u"修改文本";

    CPageDoc& m_doc;
    QPointer<QWidget> m_host;
    QPoint m_origin;
    ViewScale m_scale;
    QPointer<CDrawTextEdit> m_editor;
    CDrawText* m_object = nullptr;
};

} // namespace kdx
