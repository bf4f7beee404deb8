#pragma once
// Records the addresses handed to the desktop's URL opener; install it with
// QDesktopServices::setUrlHandler(scheme, &catcher, "open").

#include <QList>
#include <QObject>
#include <QUrl>

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};
