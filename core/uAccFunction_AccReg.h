#pragma once
// The query factory ("ACCDEF" names the system database, every other word the accounting database of the
// open dataset) and the typed settings store of the open dataset: table ACCREG holds each setting as text
// with a type word, ACCREG_BLOB_BINARY pictures and memo texts.
//
// Type words and the value each gives and takes (a QVariant):
//   "文字" QString, "論理" bool, "日付" TDateTime (date), "整数" qint32, "金額" Money, "実数" double,
//   "日時" TDateTime (date and time).
// The store operations start the accounting transaction only when none is active and end only what they
// started; a database error (fb::Error) or any other failure reaches the caller after that rollback.

#include "platform/firebird/FbQuery.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <stdexcept>

// The seven type words (SYSREG knows the first five).
namespace typeword {
inline const QString Text = QStringLiteral("文字");
inline const QString Bool = QStringLiteral("論理");
inline const QString Date = QStringLiteral("日付");
inline const QString Integer = QStringLiteral("整数");
inline const QString Amount = QStringLiteral("金額");
inline const QString Real = QStringLiteral("実数");
inline const QString DateTime = QStringLiteral("日時");
} // namespace typeword

// A type word outside the seven (or outside the blob words).
class EAccRegTypeError : public std::invalid_argument {
public:
    explicit EAccRegTypeError(const QString& typeWord);
    const QString& typeWord() const { return m_typeWord; }

private:
    QString m_typeWord;
};

// A new statement on the named database with its default transaction (the accounting one with the
// snapshot flag: DM.IBTransactionDATSS); nothing when it cannot be made.
std::unique_ptr<fb::Query> CreateAccQuery(const QString& word, bool snapshot);
std::unique_ptr<fb::Query> CreateAccSQL(const QString& word, int snapshot);

bool IsAccRegTypeWord(const QString& typeWord);
// The text form of a value and the value of a text, by type word as the store converts them (the
// system settings of SYSREG use the same forms). Throw EAccRegTypeError for an unknown type word.
QString AccRegTextOfValue(const QString& typeWord, const QVariant& value);
QVariant AccRegValueOfText(const QString& typeWord, const QString& text);

// The setting converted by the type word; a missing row is inserted with the type word and the default
// text first. Unreadable dates and numbers give 0. Throws EAccRegTypeError for an unknown type word
// before touching the database.
QVariant GetAccReg(const QString& group, const QString& key, const QString& typeWord, const QString& defText);
// Inserts the row with the type word, or changes only the text of an existing row.
void PutAccReg(const QString& group, const QString& key, const QString& typeWord, const QVariant& value);
void DeleteAccReg(const QString& group, const QString& key);

// A picture ("画像", "BMP", "JPG") comes back as the path of a new file of its own in a folder private to
// this process; a memo ("メモ") as its text, every line ended by CR LF. Empty without a row.
QString GetAccRegBlob(const QString& group, const QString& key, const QString& typeWord);
// A picture is read from the file named by the value, a memo is the value's text.
void PutAccRegBlob(const QString& group, const QString& key, const QString& typeWord, const QString& value);
