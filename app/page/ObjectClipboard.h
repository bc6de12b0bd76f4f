#pragma once
#include <QObject>
#include <QString>

#include <vector>

class QMimeData;

namespace kdx {

class CDrawObj;
class CPageDoc;

// Copies page objects to the system clipboard and pastes them from it, so
// that objects move within a page, between pages and between editors. The
// clipboard carries the objects in the project file's own form under a
// private type, and a plain-text description for other programs.
class CObjectClipboard : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kMimeType = "application/x-kdx-page-objects";

    explicit CObjectClipboard(CPageDoc& doc, QObject* parent = nullptr);

    // A new or opened project is a new session: its pages are not the pages
    // that objects copied before came from.
    void NewSession();
    const QString& SessionToken() const { return m_token; }

    // Puts the objects of the current page on the clipboard; false when
    // there are none.
    bool Copy(const std::vector<CDrawObj*>& objects);
    // Whether the clipboard holds objects and a page is there to take them.
    bool CanPaste() const;
    // Pastes onto the current page; the objects placed, none when the
    // clipboard holds none or its data is damaged (then a status message
    // says why).
    std::vector<CDrawObj*> Paste();
    // The same from given data (the clipboard's, or a drop's).
    std::vector<CDrawObj*> PasteFrom(const QMimeData* data);

    // The description other programs see.
    static QString Describe(const std::vector<CDrawObj*>& objects);

private:
    void OnClipboardChanged();

    CPageDoc& m_doc;
    QString m_token;
    bool m_hasObjects = false;
};

} // namespace kdx
