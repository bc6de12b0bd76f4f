#include "app/frame/CEditorApp.h"

#include "app/frame/CAppFrame.h"
#include "app/frame/CommandIcons.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/Messages.h"
#include "common/QtTranslations.h"

#include <QApplication>
#include <QImageReader>
#include <QTimer>
#include <QProxyStyle>
#include <clocale>

namespace kdx {
namespace {

// Alt alone puts the menu bar into keyboard mode on every platform, as
// users of this editor expect.
class EditorStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

void CEditorApp::InitProcess()
{
    std::setlocale(LC_ALL, "");
}

void CEditorApp::InitApplication(QApplication& app)
{
    app.setOrganizationName(QStringLiteral("ZOV"));
    app.setApplicationName(EditorString(IDS_APP_TITLE));
    app.setDesktopFileName(QStringLiteral("kdx-te"));
    app.setWindowIcon(ApplicationIcon());
    app.setStyle(new EditorStyle(QStringLiteral("Fusion")));
    InstallQtTranslations(app);
}

bool CEditorApp::CheckImageLibrary()
{
    if (!QImageReader::supportedImageFormats().isEmpty())
        return true;
    ShowMessageBox(nullptr, IDS_GDI_INIT_FAILED, QMessageBox::Critical);
    return false;
}

QString CEditorApp::ProjectArgument(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (!arguments[i].startsWith(u'-'))
            return arguments[i];
    return {};
}

void CEditorApp::ProcessCommandLine(CAppFrame& frame, const QStringList& arguments)
{
    const QString path = ProjectArgument(arguments);
    if (!path.isEmpty())
        frame.OpenDocumentFile(path);
}

void CEditorApp::ShowAndOpen(CAppFrame& frame, const QStringList& arguments)
{
    frame.show();
    if (!ProjectArgument(arguments).isEmpty())
        QTimer::singleShot(0, &frame, [&frame, arguments] { ProcessCommandLine(frame, arguments); });
}

} // namespace kdx
