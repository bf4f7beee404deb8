#pragma once
// The management-analysis copy of the open accounting dataset: an SQL script ("placc.sql") that drops and
// recreates one MariaDB/MySQL database, creates its tables from the table-definition file, refills 46
// tables from the Firebird dataset and adds the index definitions. The whole file is UTF-8.

#include "core/TDateTime.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <vector>

namespace fb {
class Field;
class Query;
} // namespace fb

// The program's own version triple written into the copy's ACCVERSION row; nothing sets it, so the row
// reads 0,0,0.
extern std::array<int, 3> WebSolvarnetVersion;

// A MySQL string literal body: backslash, quote, NUL, CR, LF and Ctrl-Z escaped. Works on characters, so
// the second byte of a double-byte character is never taken for a backslash.
QString EscapeSqlText(const QString& text);
// A quoted, escaped MySQL string literal.
QString QuotedSqlText(const QString& text);
QByteArray EncodeDumpText(const QString& text);
// A $BBGGRR colour (system colours resolved) as the decimal text of R*65536 + G*256 + B.
QString ColorToRgbInt(qint32 color);
// "DATE": 'yyyy-mm-dd', "DATETIME": 'yyyy-mm-dd hh:nn:ss', clamped to 1970-01-02 .. 2038-01-01; any other
// kind '0000-00-00'.
QString DumpDateText(const QString& kind, TDateTime value);

class TWebDbSqlDump {
public:
    TWebDbSqlDump();
    ~TWebDbSqlDump();
    TWebDbSqlDump(const TWebDbSqlDump&) = delete;
    TWebDbSqlDump& operator=(const TWebDbSqlDump&) = delete;

    // Writes the file at DumpPath: true when all of it was written. False when DatabaseName is empty
    // (nothing touched) or after the failure has been shown; a partly written file is deleted. A
    // transaction the dump started is ended on every path; the caller's stays open and uncommitted.
    bool WriteDump();

    // The literal of the named column of the current row for a kind word (STR, DATETIME, DATE, INT,
    // DOUBLE, FLOAT, CURR; compared without regard to case).
    QString DumpFieldText(const QString& column, const QString& kind) const;

    QString VersionText;
    QString DumpFileName;
    QString DataDdlPath;
    QString IndexDdlPath;
    QString DumpPath;
    QString DatabaseName;
    quint16 JobLevel = 200;
    qint32 RowsPerInsert = 100;
    // The last failure's detail (also shown to the operator).
    QString LastError;

    // One value of a row. Kinds: N plain, Q quoted text, S "STR", T "DATETIME", I/D/F/C numbers, R colour,
    // M chart type, K text read as an integer; not read: P row position, E empty text, Y/Z the starts of
    // the two previous fiscal years.
    struct Column {
        const char* name;
        char kind;
    };
    struct Block {
        Block(const char* table, std::vector<Column> columns, const char* order = nullptr, bool split = false,
              std::vector<const char*> header = {}, const char* where = nullptr,
              std::vector<const char*> extra = {}, std::vector<const char*> overrides = {})
            : table(table), columns(std::move(columns)), order(order), split(split),
              header(std::move(header)), where(where), extra(std::move(extra)),
              overrides(std::move(overrides)) {}
        const char* table;
        std::vector<Column> columns;
        const char* order = nullptr;
        bool split = false;
        std::vector<const char*> header;    // empty: "INSERT INTO <table> VALUES"
        const char* where = nullptr;        // AGROUP is bound by the writer
        std::vector<const char*> extra;     // further columns read but not written
        std::vector<const char*> overrides; // "X:COLUMN=expression": A always, M not medical, V below 8.0.2
    };
    // The blocks written row by row from a query (the rest are written by their own routines).
    static const std::vector<Block>& Blocks();
    static const Block& BlockOf(const char* table);
    // The block's SELECT for the open dataset's kind and version.
    QString selectOf(const Block& block, const QString& where = {}) const;

private:
    class Output;
    // A DATETIME literal of a date or time-stamp column: clamped, a midnight time left out, NULL the
    // zero date.
    static QString DateTimeFieldText(const fb::Field& field);
    static void AppendDateTimeField(QByteArray& out, const fb::Field& field);

    void writeBody();
    // DELETE line, rows, line end; gated blocks of older data write the DELETE line and a line end.
    void writeBlock(const char* table, bool gate = true);
    // The rows of a block (header before the first); the last row ends with ";" and no line end. At
    // most limit rows (0: all); FID-like positions continue from position.
    qint64 writeRows(const Block& block, const QString& where = {}, qint64 limit = 0, qint64 position = 0);
    void writeAccRegSettings();
    void writeAccVersion();
    void writeJobControl();
    void writeKihonRule();
    void writeKoseiGroup();
    void appendValue(QByteArray& line, const Column& column, int& index, qint64 position) const;
    void write(const QByteArray& bytes);
    // Rows are built in the output's own buffer: rowWritten() after each.
    QByteArray& rowBuffer();
    void rowWritten();
    void line(const QString& text);
    void lines(std::initializer_list<const char*> texts);
    void banner(const char* title);
    void copyDdl(const QString& path);
    bool version802() const;
    bool medical() const;

    std::unique_ptr<fb::Query> Query;
    std::unique_ptr<Output> m_out;
    bool WasInTransaction = false;
};
