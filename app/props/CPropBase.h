#pragma once
#include "app/props/PropIds.h"

#include <QVariant>
#include <QWidget>

#include <initializer_list>
#include <vector>

class QComboBox;
class QLabel;

namespace kdx {

class CPageDoc;
class CPropCtrlEdit;
class CPropCtrlLink;
class CPropCtrlList;
class CPropList;

// The base of the property pages: a column of labelled value controls on
// the window background. Each control is named by its id and has its label
// as buddy (and so as its accessible name). On every resize of a page at
// least kMinWidenWidth pixels wide the value controls reach its right edge.
class CPropBase : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinWidenWidth = 120;
    static constexpr int kMargin = 4;
    static constexpr int kNaturalControlWidth = 90;

    CPropBase(int dialogId, CPropList* list);

    int DialogId() const { return m_dialogId; }
    CPropList* List() const { return m_list; }
    CPageDoc* Document() const;
    const std::vector<QWidget*>& ValueControls() const { return m_controls; }
    // The value control with the id, or nullptr.
    QWidget* Control(PropId id) const;
    QLabel* Label(PropId id) const;

    // Shows the values of whatever the page is attached to.
    virtual void Load() = 0;
    // Whether the page is attached to an object or a page.
    virtual bool IsAttached() const = 0;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    CPropCtrlEdit* AddEdit(PropId id, const QString& label, bool readOnly = false);
    // An edit box that takes digits only.
    CPropCtrlEdit* AddNumberEdit(PropId id, const QString& label);
    CPropCtrlLink* AddLink(PropId id, const QString& label, bool withClear);
    CPropCtrlList* AddList(PropId id, const QString& label);

    // A refused value: the fields show the model again and the status bar
    // shows the message of the string id as an error.
    void Refuse(int stringId, std::initializer_list<QVariant> args = {});
    // Says in the status bar that the link field's value is being cleared
    // (its label and the value it had), before the page clears it.
    void AnnounceClear(const CPropCtrlLink* link) const;

    void resizeEvent(QResizeEvent* event) override;

private:
    void AddRow(PropId id, const QString& label, QWidget* control);
    void LayoutRows();

    struct Row {
        QLabel* label;
        QWidget* control;
    };
    int m_dialogId;
    CPropList* m_list;
    std::vector<Row> m_rows;
    std::vector<QWidget*> m_controls;
};

} // namespace kdx
