#include "app/props/CPropCtrls.h"

#include "model/PageDoc.h"

#include <QAccessible>
#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QKeyEvent>

#include <optional>

namespace kdx {
namespace {

std::optional<CPageDoc::StepScope> OpenStep(const FieldStep& step)
{
    if (!step.doc)
        return std::nullopt;
    return std::optional<CPageDoc::StepScope>(std::in_place, *step.doc, step.name);
}

QString EmptyValueText() { return QStringLiteral("设置..."); }
QString ClearText() { return QStringLiteral("清除"); }

QString Anchor(const QString& id, const QString& text)
{
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(id, text.toHtmlEscaped());
}

// Exposes each link of a link field as an action named by its id, with
// the link's text as the action's shown name.
class LinkAccessible : public QAccessibleWidget {
public:
    explicit LinkAccessible(CPropCtrlLink* link) : QAccessibleWidget(link, QAccessible::Link) {}

    CPropCtrlLink* Control() const { return static_cast<CPropCtrlLink*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value || t == QAccessible::Description) {
            QStringList texts;
            for (const QString& id : Control()->LinkIds())
                texts << Control()->LinkText(id);
            return texts.join(QStringLiteral("  "));
        }
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return Control()->LinkIds(); }
    QString localizedActionName(const QString& name) const override { return Control()->LinkText(name); }
    QString localizedActionDescription(const QString& name) const override { return Control()->LinkText(name); }
    void doAction(const QString& name) override { Control()->Activate(name); }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

// A list field named by its label, with its item as value and its popup
// list as only child.
class ListAccessible : public QAccessibleWidget {
public:
    explicit ListAccessible(CPropCtrlList* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    CPropCtrlList* Control() const { return static_cast<CPropCtrlList*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return Control()->currentText();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(Control()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && child->object() == Control()->view() ? 0 : -1;
    }
    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name == showMenuAction() || name == pressAction())
            Control()->showPopup();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

QAccessibleInterface* FieldAccessibleFactory(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("kdx::CPropCtrlLink"))
        return new LinkAccessible(static_cast<CPropCtrlLink*>(object));
    if (className == QLatin1String("kdx::CPropCtrlList"))
        return new ListAccessible(static_cast<CPropCtrlList*>(object));
    return nullptr;
}

void InstallAccessibleFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(FieldAccessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

// ------------------------------------------------------------ edit field

CPropCtrlEdit::CPropCtrlEdit(QWidget* parent) : QLineEdit(parent) {}

void CPropCtrlEdit::SetValue(const QString& text)
{
    m_value = text;
    // setText clears the changed state; the cursor stays where it was when
    // the text is the same, so a live refresh does not disturb typing.
    if (text != this->text())
        setText(text);
    setModified(false);
}

void CPropCtrlEdit::Commit()
{
    if (!isModified())
        return;
    setModified(false);
    const auto step = OpenStep(m_step);
    emit Committed();
}

void CPropCtrlEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && IsPending()) {
        SetValue(m_value);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CPropCtrlEdit::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Commit();
        event->accept();
        return;
    }
    QLineEdit::keyReleaseEvent(event);
}

void CPropCtrlEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // The field's own context menu takes the focus only for a while.
    if (event->reason() != Qt::PopupFocusReason)
        Commit();
}

// ------------------------------------------------------------ list field

CPropCtrlList::CPropCtrlList(QWidget* parent) : QComboBox(parent)
{
    InstallAccessibleFactory();
    connect(this, &QComboBox::activated, this, [this](int index) {
        const auto step = OpenStep(m_step);
        emit Chosen(index);
    });
}

// ------------------------------------------------------------ link field

CPropCtrlLink::CPropCtrlLink(bool withClear, QWidget* parent) : QLabel(parent), m_withClear(withClear)
{
    InstallAccessibleFactory();
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    setOpenExternalLinks(false);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    connect(this, &QLabel::linkActivated, this, [this](const QString& id) { Activate(id); });
    SetValue(QString());
}

void CPropCtrlLink::SetValue(const QString& valueText)
{
    m_value = valueText;
    if (m_withClear && !valueText.isEmpty())
        setText(Anchor(QLatin1String(kLinkId), valueText) + QStringLiteral("&nbsp;&nbsp;") +
                Anchor(QLatin1String(kClearId), ClearText()));
    else
        setText(Anchor(QLatin1String(kLinkId), valueText.isEmpty() ? EmptyValueText() : valueText));
    setToolTip(valueText);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, text());
        QAccessible::updateAccessibility(&event);
    }
}

QStringList CPropCtrlLink::LinkIds() const
{
    if (m_withClear && !m_value.isEmpty())
        return {QLatin1String(kLinkId), QLatin1String(kClearId)};
    return {QLatin1String(kLinkId)};
}

QString CPropCtrlLink::LinkText(const QString& id) const
{
    if (!LinkIds().contains(id))
        return {};
    if (id == QLatin1String(kClearId))
        return ClearText();
    return m_value.isEmpty() ? EmptyValueText() : m_value;
}

bool CPropCtrlLink::Activate(const QString& id)
{
    if (!LinkIds().contains(id))
        return false;
    const auto step = OpenStep(m_step);
    emit LinkChosen(id);
    return true;
}

} // namespace kdx
