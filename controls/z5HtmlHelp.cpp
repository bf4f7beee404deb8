#include "controls/z5HtmlHelp.h"
#include "core/uAccRecord.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

QString OnlineManualPath(const QString& Page) {
    QString folder = SystemDef.HelpDir;
    if (TavrinoEdition == 1 || TavrinoEdition == 2)
        folder += QStringLiteral("/zaimu");
    if (Page.compare(QStringLiteral("olm.html"), Qt::CaseInsensitive) != 0)
        folder += QStringLiteral("/olm.files");
    return folder + u'/' + Page;
}

int OpenOnlineManual(const QString& Page) {
    if (Page.isEmpty())
        return 0;
    const QString path = OnlineManualPath(Page);
    if (!QFileInfo(path).isFile())
        return kManualNotFound;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? 0 : kManualOpenFailed;
}
