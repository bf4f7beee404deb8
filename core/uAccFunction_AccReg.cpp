#include "core/uAccFunction_AccReg.h"

#include "core/DataModule.h"
#include "core/DateTimeFormat.h"
#include "core/Money.h"
#include "core/TDateTime.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "platform/SpecialFolders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace {

const QString kPicture = QStringLiteral("画像");
const QString kBmp = QStringLiteral("BMP");
const QString kJpg = QStringLiteral("JPG");
const QString kMemo = QStringLiteral("メモ");

bool isPictureWord(const QString& word) {
    return word == kPicture || word == kBmp || word == kJpg;
}

TDateTime dateTimeOf(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<TDateTime>())
        return value.value<TDateTime>();
    switch (value.metaType().id()) {
    case QMetaType::QDate:
        return TDateTime::fromDate(value.toDate());
    case QMetaType::QDateTime:
        return TDateTime::fromDateTime(value.toDateTime());
    case QMetaType::QString:
        return TryStrToDateTime(value.toString()).value_or(TDateTime());
    default:
        return TDateTime(value.toDouble());
    }
}

Money moneyOf(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<Money>())
        return value.value<Money>();
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return Money(value.toLongLong());
    case QMetaType::QString:
        return Money::parse(value.toString()).value_or(Money());
    default:
        return Money::fromDouble(value.toDouble());
    }
}

QString textOf(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<Money>())
        return value.value<Money>().toString();
    if (value.metaType() == QMetaType::fromType<TDateTime>())
        return FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn:ss"), value.value<TDateTime>());
    return value.toString();
}

// The text form written for a type word (the word is known to be valid).
QString toStoredText(const QString& word, const QVariant& value) {
    if (word == typeword::Text)
        return textOf(value);
    if (word == typeword::Bool)
        return value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (word == typeword::Date) {
        const TDateTime d = dateTimeOf(value);
        return d.isNull() ? QString() : FormatDateTime(QStringLiteral("yyyy/mm/dd"), d);
    }
    if (word == typeword::Integer)
        return QString::number(value.toInt());
    if (word == typeword::Amount)
        return moneyOf(value).toString();
    if (word == typeword::Real)
        return QString::number(value.toDouble(), 'g', 15);
    return FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn:ss"), dateTimeOf(value));
}

QVariant fromStoredText(const QString& word, const QString& text) {
    if (word == typeword::Text)
        return text;
    if (word == typeword::Bool)
        return text.toUpper() == QStringLiteral("TRUE");
    if (word == typeword::Date)
        return QVariant::fromValue(TryStrToDate(text).value_or(TDateTime()));
    if (word == typeword::Integer) {
        bool ok = false;
        const int v = text.trimmed().toInt(&ok);
        return ok ? v : 0;
    }
    if (word == typeword::Amount)
        return QVariant::fromValue(Money::parse(text).value_or(Money()));
    if (word == typeword::Real) {
        bool ok = false;
        const double v = text.trimmed().toDouble(&ok);
        return ok ? v : 0.0;
    }
    return QVariant::fromValue(TryStrToDateTime(text).value_or(TDateTime()));
}

void checkTypeWord(const QString& word) {
    if (!IsAccRegTypeWord(word))
        throw EAccRegTypeError(word);
}

// The accounting statement and transaction of one store operation.
struct StoreCall {
    std::unique_ptr<fb::Query> query;
    std::unique_ptr<OwnTransaction> own;

    StoreCall() {
        query = CreateAccQuery(QStringLiteral("ACCDAT"), false);
        if (!query)
            throw std::runtime_error("The accounting database is not available.");
        own = std::make_unique<OwnTransaction>(query->transaction());
    }
    void finish() {
        query->close();
        own->commit();
    }
};

// Whether the row of a group and key exists (a count statement over the two parameters).
bool hasRow(fb::Query& q, const QStringList& sql, const char* groupParam, const QString& group,
            const char* keyParam, const QString& key) {
    q.setSql(sql);
    q.setString(groupParam, group);
    q.setString(keyParam, key);
    return q.openInt("RECCNT") != 0;
}

// Picture files handed out live in one folder that only this user can read; each gets a new name.
QString pictureFolder() {
    static std::unique_ptr<QTemporaryDir> dir;
    if (!dir || !dir->isValid()) {
        QString base = SystemDef.WinTempDir.isEmpty() ? specialfolders::temp() : SystemDef.WinTempDir;
        QDir().mkpath(base);
        dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/accreg-XXXXXX"));
        if (!dir->isValid())
            throw std::runtime_error(
                QStringLiteral("一時フォルダを作成できません: %1").arg(dir->errorString()).toStdString());
        QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return dir->path();
}

QString writePictureFile(const QByteArray& bytes, const QString& extension) {
    QTemporaryFile file(pictureFolder() + QStringLiteral("/accreg-XXXXXX") + extension);
    file.setAutoRemove(false);
    if (!file.open())
        throw std::runtime_error(file.errorString().toStdString());
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString error = file.errorString();
        file.remove();
        throw std::runtime_error(error.toStdString());
    }
    return file.fileName();
}

QStringList linesOf(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QStringList lines = t.split(u'\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

QString memoText(const QString& text) {
    QString out;
    for (const QString& line : linesOf(text))
        out += line + QStringLiteral("\r\n");
    return out;
}

} // namespace

EAccRegTypeError::EAccRegTypeError(const QString& typeWord)
    : std::invalid_argument(QStringLiteral("設定の型\"%1\"は扱えません。").arg(typeWord).toStdString()),
      m_typeWord(typeWord) {}

std::unique_ptr<fb::Query> CreateAccQuery(const QString& word, bool snapshot) {
    try {
        if (!DM)
            return nullptr;
        if (word == QStringLiteral("ACCDEF"))
            return std::make_unique<fb::Query>(DM->IBTransactionDEF);
        return std::make_unique<fb::Query>(snapshot ? DM->IBTransactionDATSS : DM->IBTransactionDAT);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::unique_ptr<fb::Query> CreateAccSQL(const QString& word, int snapshot) {
    return CreateAccQuery(word, snapshot == 1);
}

bool IsAccRegTypeWord(const QString& typeWord) {
    return typeWord == typeword::Text || typeWord == typeword::Bool || typeWord == typeword::Date ||
           typeWord == typeword::Integer || typeWord == typeword::Amount || typeWord == typeword::Real ||
           typeWord == typeword::DateTime;
}

QVariant GetAccReg(const QString& group, const QString& key, const QString& typeWord,
                   const QString& defText) {
    checkTypeWord(typeWord);
    StoreCall call;
    fb::Query& q = *call.query;
    q.setSql(QStringLiteral("SELECT ATYPE,ATEXT FROM ACCREG WHERE AGROUP=:AGROUP AND ACODE=:ACODE "));
    q.setString("AGROUP", group);
    q.setString("ACODE", key);
    q.open();
    QString text;
    if (!q.eof()) {
        text = q.field("ATEXT").asString();
    } else {
        text = defText;
        q.close();
        q.setSql(QStringLiteral(
            "INSERT INTO ACCREG(AGROUP,ACODE,ATYPE,ATEXT) VALUES(:AGROUP,:ACODE,:ATYPE,:ATEXT)"));
        q.setString("AGROUP", group);
        q.setString("ACODE", key);
        q.setString("ATYPE", typeWord);
        q.setString("ATEXT", defText);
        q.execute();
    }
    call.finish();
    if (text.isEmpty())
        text = QStringLiteral(" ");
    return fromStoredText(typeWord, text);
}

void PutAccReg(const QString& group, const QString& key, const QString& typeWord, const QVariant& value) {
    checkTypeWord(typeWord);
    const QString text = toStoredText(typeWord, value);
    StoreCall call;
    fb::Query& q = *call.query;
    if (hasRow(q,
               {QStringLiteral("SELECT COUNT(AGROUP) AS RECCNT FROM ACCREG"),
                QStringLiteral("WHERE (AGROUP=:AGROUP) AND (ACODE=:ACODE)")},
               "AGROUP", group, "ACODE", key)) {
        q.setSql(QStringList{QStringLiteral("UPDATE ACCREG SET ATEXT=:ATEXT"),
                             QStringLiteral("WHERE AGROUP=:AGROUP AND ACODE=:ACODE")});
    } else {
        q.setSql(QStringList{QStringLiteral("INSERT INTO ACCREG(AGROUP,ACODE,ATYPE,ATEXT)"),
                             QStringLiteral("VALUES(:AGROUP,:ACODE,:ATYPE,:ATEXT)")});
        q.setString("ATYPE", typeWord);
    }
    q.setString("AGROUP", group);
    q.setString("ACODE", key);
    q.setString("ATEXT", text);
    q.execute();
    call.finish();
}

void DeleteAccReg(const QString& group, const QString& key) {
    StoreCall call;
    fb::Query& q = *call.query;
    q.setSql(QStringList{QStringLiteral("DELETE FROM ACCREG"),
                         QStringLiteral("WHERE (AGROUP=:AGROUP) AND (ACODE=:ACODE)")});
    q.setString("AGROUP", group);
    q.setString("ACODE", key);
    q.execute();
    call.finish();
}

QString GetAccRegBlob(const QString& group, const QString& key, const QString& typeWord) {
    Q_UNUSED(typeWord); // the stored FTYPE decides
    StoreCall call;
    fb::Query& q = *call.query;
    q.setSql(QStringList{QStringLiteral("SELECT FGROUP,FKEY,FTYPE,FVALUE FROM ACCREG_BLOB_BINARY"),
                         QStringLiteral("WHERE FGROUP=:FGROUP AND FKEY=:FKEY")});
    q.setString("FGROUP", group);
    q.setString("FKEY", key);
    q.open();
    QString result;
    if (!q.eof()) {
        const QString type = q.field("FTYPE").asString();
        const QByteArray bytes = q.field("FVALUE").asBytes();
        if (isPictureWord(type))
            result = writePictureFile(bytes, type == kJpg ? QStringLiteral(".jpg") : QStringLiteral(".bmp"));
        else if (type == kMemo)
            result = memoText(cp932::decode(bytes));
    }
    call.finish();
    return result;
}

void PutAccRegBlob(const QString& group, const QString& key, const QString& typeWord, const QString& value) {
    QByteArray bytes;
    if (isPictureWord(typeWord)) {
        QFile file(value);
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error(QStringLiteral("%1: %2").arg(value, file.errorString()).toStdString());
        bytes = file.readAll();
    } else if (typeWord == kMemo) {
        bool ok = false;
        bytes = cp932::encode(memoText(value), &ok);
        if (!ok)
            throw std::runtime_error(
                QStringLiteral("メモにShift_JISで扱えない文字が含まれています。").toStdString());
    } else {
        throw EAccRegTypeError(typeWord);
    }
    StoreCall call;
    fb::Query& q = *call.query;
    if (hasRow(q,
               {QStringLiteral("SELECT COUNT(FGROUP) AS RECCNT FROM ACCREG_BLOB_BINARY"),
                QStringLiteral("WHERE (FGROUP=:FGROUP) AND (FKEY=:FKEY)")},
               "FGROUP", group, "FKEY", key))
        q.setSql(QStringList{QStringLiteral("UPDATE ACCREG_BLOB_BINARY SET FTYPE=:FTYPE,FVALUE=:FVALUE"),
                             QStringLiteral("WHERE FGROUP=:FGROUP AND FKEY=:FKEY")});
    else
        q.setSql(QStringList{QStringLiteral("INSERT INTO ACCREG_BLOB_BINARY(FGROUP,FKEY,FTYPE,FVALUE)"),
                             QStringLiteral("VALUES(:FGROUP,:FKEY,:FTYPE,:FVALUE)")});
    q.setString("FGROUP", group);
    q.setString("FKEY", key);
    q.setString("FTYPE", typeWord);
    q.setBytes("FVALUE", bytes);
    q.execute();
    call.finish();
}

QString AccRegTextOfValue(const QString& typeWord, const QVariant& value) {
    checkTypeWord(typeWord);
    return toStoredText(typeWord, value);
}

QVariant AccRegValueOfText(const QString& typeWord, const QString& text) {
    checkTypeWord(typeWord);
    return fromStoredText(typeWord, text);
}
