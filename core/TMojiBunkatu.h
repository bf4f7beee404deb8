#pragma once
// Cuts a text into numbered parts, at a separator or into byte-width pieces that never halve a
// double-byte character. After any split there is at least one part, so part 0 can be read untested.

#include <QString>
#include <QStringList>

using TMojiArray = QStringList;

class TMojiBunkatu {
public:
    QChar Separator = u',';
    TMojiArray Parts;
    qint32 Count = 0;
    quint8 ListMode = 0;

    // Splits at Separator as delimited text: blanks and control characters around values are skipped,
    // a blank ends an unquoted value, a value in double quotes may hold separators and blanks ("" stands
    // for one quote), a separator at the very end adds an empty value, NUL ends the text.
    void Bunkatu(const QString& text);
    // Pieces of at most width CP932 bytes, a double-byte character never cut in two. A width below 2
    // cannot hold every character: it is refused with false and one empty part.
    bool BunkatuByte(const QString& text, qint32 width);
    // The part with that index; empty outside 0 .. Count - 1.
    QString GetMoji(qint32 index) const;
    void Clear();

private:
    void finish();
};
