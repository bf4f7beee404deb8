#pragma once
// The editions of the accounting product and their data versions: three built-in editions, one per
// major version up to the installed product, and every edition an installer registered on this computer
// (registry subkeys below the product's key). Translates a data version into the edition's name.

#include <QList>
#include <QString>
#include <QStringList>

struct TDataVersionRec {
    qint32 Major = 0;
    qint32 Minor = 0;
    qint32 Revision = 0;
    QString Name;
};

class TSeihinVersionList {
public:
    TSeihinVersionList();

    QString ProductWord;
    // When set, Execute puts the entry (0.0, this name) first, and sorting leaves it there.
    QString FirstEntryName;
    QList<TDataVersionRec> Versions;
    QStringList Names;
    qint32 Count = 0;

    // Rebuilds the list; sort 1 ends with Sort(1).
    void Execute(quint8 sort);
    // 0 ascending, 1 descending by Major and Minor; any other order moves nothing.
    void Sort(quint8 order);
    void Clear();
    // Every name followed by CR LF.
    void GetText(QString& text) const;
    // "%d.%d"; empty outside the list or for version 0.0.
    void GetVersionText(qint32 index, QString& text) const;
    void GetName(qint32 index, QString& text) const;
    qint32 IndexOfName(const QString& name) const;

private:
    void append(qint32 major, qint32 minor, const QString& name);
    bool listed(qint32 major, qint32 minor) const;
};
