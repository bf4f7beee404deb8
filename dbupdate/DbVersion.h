#pragma once
// A schema version: three numbers "%d.%d.%d", ordered component by component as numbers (10.0.0 is
// newer than 9.0.5). 0.0.0 stands for no version and is older than every step.

#include <QString>
#include <compare>

struct TDbVersion {
    qint32 MAJOR = 0;
    qint32 MINOR1 = 0;
    qint32 MINOR2 = 0;

    auto operator<=>(const TDbVersion&) const = default;
    bool isEmpty() const { return *this == TDbVersion{}; }
    QString text() const;
    // Exactly three parts split at "." (double quote as quote character); anything else is 0.0.0, and
    // a part that is not an integer counts as 0.
    static TDbVersion fromText(const QString& text);
};
