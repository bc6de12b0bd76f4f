#pragma once
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

namespace kdx {

class CPageDoc;

// The undo step a field makes when its value is committed or chosen: the
// document it edits and the step's name. Without a document it makes none.
struct FieldStep {
    CPageDoc* doc = nullptr;
    QString name;
};

// A value field of a property page. It commits when the user presses Enter
// (on key release) or leaves it, and only when its text was changed since
// it was last set: setting a value never counts as a change. Escape puts
// the value last set back.
class CPropCtrlEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CPropCtrlEdit(QWidget* parent = nullptr);

    // Shows a value from the model; the field is then unchanged.
    void SetValue(const QString& text);
    // Whether a typed value waits to be committed.
    bool IsPending() const { return isModified() && !isReadOnly(); }
    // Tells the page about a pending change, as leaving the field does.
    void Commit();
    void SetStep(FieldStep step) { m_step = std::move(step); }

signals:
    void Committed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString m_value; // the model's value as last set
    FieldStep m_step;
};

// A drop-down list field. Unlike a plain list, whose accessible name on
// this desktop is its current item, it is named by its label; the item
// chosen is its value.
class CPropCtrlList : public QComboBox {
    Q_OBJECT
public:
    explicit CPropCtrlList(QWidget* parent = nullptr);
    void SetStep(FieldStep step) { m_step = std::move(step); }

signals:
    // An item was chosen by the user (activated), inside the field's step.
    void Chosen(int index);

private:
    FieldStep m_step;
};

// A link field: either a single "Link" link showing the value, or the
// "Link" link followed by a "Clear" link. An empty value shows "设置..."
// as the only link, so "Clear" never stands where a link stood before a
// value was set. Choosing a link, by mouse, keyboard or through the
// accessibility interface (each link is an action), reports its id.
class CPropCtrlLink : public QLabel {
    Q_OBJECT
public:
    static constexpr const char* kLinkId = "Link";
    static constexpr const char* kClearId = "Clear";

    explicit CPropCtrlLink(bool withClear, QWidget* parent = nullptr);

    bool HasClear() const { return m_withClear; }
    void SetValue(const QString& valueText);
    const QString& Value() const { return m_value; }
    // The ids of the links shown, in order, and the text of each.
    QStringList LinkIds() const;
    QString LinkText(const QString& id) const;
    // Chooses a shown link as a click does; false for an id not shown.
    bool Activate(const QString& id);
    void SetStep(FieldStep step) { m_step = std::move(step); }

signals:
    void LinkChosen(const QString& id);

private:
    bool m_withClear;
    QString m_value;
    FieldStep m_step;
};

} // namespace kdx
