#include "clouddump/z5WebSolvarnetDataDump.h"

#include "core/DataModule.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cmath>
#include <cstdio>
#include <stdexcept>

std::array<int, 3> WebSolvarnetVersion{0, 0, 0};

namespace {

const QString kDumpFailed = QStringLiteral("SQLDumpファイルの作成に失敗しました。");
const QString kInUse = QStringLiteral("が使用中です。");
constexpr double kClampLow = 25569.0;  // 1970-01-01 00:00:00
constexpr double kClampHigh = 50406.0; // 2038-01-01 00:00:00

// The Windows classic defaults of the system colours (index in the low byte of a negative colour).
constexpr qint32 kSystemColors[] = {0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000,
                                    0x000000, 0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A,
                                    0xFFFFFF, 0xC8D0D4, 0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF,
                                    0x404040, 0xC8D0D4, 0x000000, 0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6,
                                    0xC0C0C0, 0xFF9933, 0xC8D0D4};

} // namespace

QString EscapeSqlText(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\'':
            out += QStringLiteral("\\'");
            break;
        case 0:
            out += QStringLiteral("\\0");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case 0x1A:
            out += QStringLiteral("\\Z");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString QuotedSqlText(const QString& text) {
    return u'\'' + EscapeSqlText(text) + u'\'';
}

QByteArray EncodeDumpText(const QString& text) {
    return text.toUtf8();
}

QString ColorToRgbInt(qint32 color) {
    if (color < 0) {
        const int index = color & 0xFF;
        color = index < int(std::size(kSystemColors)) ? kSystemColors[index] : 0;
    }
    const qint64 r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    return QString::number(r * 65536 + g * 256 + b);
}

QString DumpDateText(const QString& kind, TDateTime value) {
    const bool date = kind.compare(QLatin1String("DATE"), Qt::CaseInsensitive) == 0;
    const bool dateTime = kind.compare(QLatin1String("DATETIME"), Qt::CaseInsensitive) == 0;
    if (!date && !dateTime)
        return QStringLiteral("'0000-00-00'");
    const QString time = dateTime ? QStringLiteral(" 00:00:00") : QString();
    if (value.value() <= kClampLow)
        return QStringLiteral("'1970-01-02") + time + u'\'';
    if (value.value() >= kClampHigh)
        return QStringLiteral("'2038-01-01") + time + u'\'';
    const QDateTime dt = value.toDateTime();
    return u'\'' +
           dt.toString(dateTime ? QStringLiteral("yyyy-MM-dd hh:mm:ss") : QStringLiteral("yyyy-MM-dd")) +
           u'\'';
}

// Buffered writing that checks every write; a failure throws with the file's error text.
class TWebDbSqlDump::Output {
public:
    explicit Output(const QString& path) : m_file(path) {}
    // The copy holds the dataset's passwords: readable by the owner only.
    bool open() {
        return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               m_file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    QString errorString() const { return m_file.errorString(); }
    void write(const QByteArray& bytes) {
        buffer().append(bytes);
        settle();
    }
    // The buffer to build a piece in place; settle() once the piece is whole.
    QByteArray& buffer() {
        // The buffer keeps its capacity: no allocation per flush.
        if (m_buffer.capacity() < kBufferSize)
            m_buffer.reserve(kBufferSize);
        return m_buffer;
    }
    void settle() {
        if (m_buffer.size() >= kBufferSize - 4096)
            flush();
    }
    void flush() {
        if (!m_buffer.isEmpty() && m_file.write(m_buffer) != m_buffer.size())
            throw std::runtime_error(m_file.errorString().toStdString());
        m_buffer.resize(0);
        if (!m_file.flush())
            throw std::runtime_error(m_file.errorString().toStdString());
    }
    void close() {
        flush();
        m_file.close();
        if (m_file.error() != QFileDevice::NoError)
            throw std::runtime_error(m_file.errorString().toStdString());
    }
    void discard() {
        m_buffer.clear();
        m_file.close();
        m_file.remove();
    }

private:
    static constexpr qsizetype kBufferSize = 1 << 20;
    QFile m_file;
    QByteArray m_buffer;
};

TWebDbSqlDump::TWebDbSqlDump() {
    VersionText = !SystemDef.DataVersionText.isEmpty()
                      ? SystemDef.DataVersionText
                      : QStringLiteral("%1.%2.%3").arg(AccInf.MAJOR).arg(AccInf.MINOR1).arg(AccInf.MINOR2);
    DumpFileName = QStringLiteral("placc.sql");
    DataDdlPath = SystemDef.BaseDir + QStringLiteral("/init/solvarnet_empty_data.sql");
    IndexDdlPath = SystemDef.BaseDir + QStringLiteral("/init/solvarnet_empty_index.sql");
    DumpPath = SystemDef.TempDir + QStringLiteral("/PellanSolvarnet_Sql/") + DumpFileName;
    JobLevel = AccInf.DATATYPE == 3 ? 1200 : 200;
    Query = std::make_unique<fb::Query>(DM->IBTransactionDAT);
}

TWebDbSqlDump::~TWebDbSqlDump() = default;

bool TWebDbSqlDump::version802() const {
    return !(AccInf.MAJOR < 8 || (AccInf.MAJOR == 8 && AccInf.MINOR1 == 0 && AccInf.MINOR2 < 2));
}

bool TWebDbSqlDump::medical() const {
    return AccInf.DATATYPE == 3;
}

void TWebDbSqlDump::write(const QByteArray& bytes) {
    m_out->write(bytes);
}

QByteArray& TWebDbSqlDump::rowBuffer() {
    return m_out->buffer();
}

void TWebDbSqlDump::rowWritten() {
    m_out->settle();
}

void TWebDbSqlDump::line(const QString& text) {
    m_out->write(EncodeDumpText(text) + "\r\n");
}

void TWebDbSqlDump::lines(std::initializer_list<const char*> texts) {
    for (const char* t : texts)
        line(QString::fromUtf8(t));
}

void TWebDbSqlDump::banner(const char* title) {
    lines({"-- ==============================================", title,
           "-- ==============================================", ""});
}

void TWebDbSqlDump::copyDdl(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("\"%1\": %2").arg(path, f.errorString()).toStdString());
    // Line ends become CR LF; the text is UTF-8 as the rest of the file.
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw std::runtime_error(QStringLiteral("\"%1\": %2").arg(path, f.errorString()).toStdString());
    QList<QByteArray> parts = bytes.split('\n');
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    for (QByteArray& p : parts) {
        if (p.endsWith('\r'))
            p.chop(1);
        m_out->write(p + "\r\n");
    }
    m_out->write("\r\n");
}

bool TWebDbSqlDump::WriteDump() {
    LastError.clear();
    if (DatabaseName.isEmpty())
        return false;
    // Only a regular file of an earlier dump is replaced, never a folder, device or pipe of that name.
    const QFileInfo existing(DumpPath);
    if (existing.exists() || existing.isSymLink()) {
        if (!existing.isFile() || existing.isSymLink()) {
            LastError = QStringLiteral("\"") + DumpPath + u'"' + kInUse;
            ShowErrDetail(kDumpFailed, LastError, ui::MsgKind::Error);
            return false;
        }
        QFile::remove(DumpPath);
    }
    ForceFolder(QFileInfo(DumpPath).absolutePath());
    m_out = std::make_unique<Output>(DumpPath);
    if (!m_out->open()) {
        LastError = m_out->errorString() + QStringLiteral("\r\n\"") + DumpPath + u'"' + kInUse;
        m_out.reset();
        ShowErrDetail(kDumpFailed, LastError, ui::MsgKind::Error);
        return false;
    }
    const QDateTime started = QDateTime::currentDateTime();
    QElapsedTimer elapsed;
    elapsed.start();
    try {
        lines({"-- ", "-- Web Solvarn DataBase Dump"});
        line(QStringLiteral("--   Application     : %1 (%2)").arg(SystemDef.AppName, SystemDef.AppVer));
        line(QStringLiteral("--   DataBase Version: ") + VersionText);
        line(QStringLiteral("--   Creation File   : ") + DumpPath);
        line(QStringLiteral("--   Creation Date   : ") +
             started.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")));
        line(QStringLiteral("--   mysql importline: mysql.exe -u root < \"%1\"").arg(DumpPath));
        lines({"-- ", ""});
        line(QStringLiteral("DROP DATABASE /*!32312 IF EXISTS*/ `%1`;").arg(DatabaseName));
        line(QStringLiteral(
                 "CREATE DATABASE /*!32312 IF NOT EXISTS*/ `%1` /*!40100 DEFAULT CHARACTER SET utf8 "
                 "COLLATE utf8_unicode_ci */;")
                 .arg(DatabaseName));
        line(QStringLiteral("USE `%1`;").arg(DatabaseName));
        line(QString());
        banner("--  Table Create");
        copyDdl(DataDdlPath);
        banner("--  ZaimuData Area");
        {
            OwnTransaction own(DM->IBTransactionDAT);
            WasInTransaction = !own.started();
            writeBody();
            Query->close();
            own.commit();
        }
        banner("--  Index Create");
        copyDdl(IndexDdlPath);
        line(QString());
        const qint64 secs = elapsed.elapsed() / 1000;
        line(QStringLiteral("--   Created Time: %1:%2:%3")
                 .arg(secs / 3600, 2, 10, QChar(u'0'))
                 .arg(secs / 60 % 60, 2, 10, QChar(u'0'))
                 .arg(secs % 60, 2, 10, QChar(u'0')));
        m_out->close();
        m_out.reset();
        return true;
    } catch (const fb::Error& e) {
        LastError = e.message();
    } catch (const std::exception& e) {
        LastError = QString::fromStdString(e.what());
    }
    if (Query->isOpen())
        Query->close();
    m_out->discard();
    m_out.reset();
    ShowErrDetail(kDumpFailed, LastError, ui::MsgKind::Error);
    return false;
}

QString TWebDbSqlDump::DumpFieldText(const QString& column, const QString& kind) const {
    const fb::Field f = Query->field(column);
    const QString k = kind.toUpper();
    if (k == QLatin1String("STR"))
        return f.isNull() ? QStringLiteral("null") : QuotedSqlText(f.asString());
    if (k == QLatin1String("DATETIME"))
        return DateTimeFieldText(f);
    if (k == QLatin1String("DATE")) {
        if (f.isNull())
            return QStringLiteral("'0000-00-00'");
        const double days = f.asDayCount();
        return days <= kClampLow || days >= kClampHigh ? DumpDateText(k, TDateTime(days))
                                                       : QuotedSqlText(f.asString());
    }
    return f.isNull() ? QStringLiteral("null") : f.asString();
}

QString TWebDbSqlDump::DateTimeFieldText(const fb::Field& f) {
    QByteArray text;
    AppendDateTimeField(text, f);
    return QString::fromUtf8(text);
}

namespace {

// Writes n as width decimal digits, zeros in front.
char* putDigits(char* out, int n, int width) {
    for (int i = width - 1; i >= 0; --i, n /= 10)
        out[i] = char('0' + n % 10);
    return out + width;
}

} // namespace

void TWebDbSqlDump::AppendDateTimeField(QByteArray& out, const fb::Field& f) {
    if (f.isNull()) {
        out += "'0000-00-00 00:00:00'";
        return;
    }
    const double days = f.asDayCount();
    if (days <= kClampLow || days >= kClampHigh) {
        out += DumpDateText(QStringLiteral("DATETIME"), TDateTime(days)).toUtf8();
        return;
    }
    // Formatted by hand: the date-time classes consult the time zone on every value.
    qint64 ms = qint64(std::llround(days * 86400000.0));
    const qint64 day = ms / 86400000;
    ms %= 86400000;
    int y = 0, m = 0, d = 0;
    QDate(1899, 12, 30).addDays(day).getDate(&y, &m, &d);
    const int secs = int(ms / 1000);
    // 'yyyy/mm/dd' and, unless at midnight, ' hh:mm:ss'
    char text[24];
    char* e = text;
    *e++ = '\'';
    e = putDigits(e, y, 4);
    *e++ = '/';
    e = putDigits(e, m, 2);
    *e++ = '/';
    e = putDigits(e, d, 2);
    if (secs != 0) {
        *e++ = ' ';
        e = putDigits(e, secs / 3600, 2);
        *e++ = ':';
        e = putDigits(e, secs / 60 % 60, 2);
        *e++ = ':';
        e = putDigits(e, secs % 60, 2);
    }
    *e++ = '\'';
    out.append(text, e - text);
}
