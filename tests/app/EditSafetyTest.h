#pragma once
#include <QObject>
#include <QTemporaryDir>

namespace kdx::test {

// Nothing the user typed is lost and no key reaches the wrong place: a
// value typed into a property field is committed (or refused with its
// message) before any command, click or close acts; editing keys in a text
// field stay in it; Escape puts a field back; changes made on their own
// are said in the status bar.
class EditSafetyTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void deletingThePageWhoseNameIsBeingTyped();
    void typedValueIsCommittedBeforeSaveCompileAndClose();
    void refusedValueStopsTheCommandAndTheClick();
    void editingKeysStayInTheFocusedField();
    void escapeRestoresTheFieldAndEndsTextEditing();
    void jumpsClearedByDeletingOrPastingAreSaid();

private:
    QTemporaryDir m_dir;
};

} // namespace kdx::test
