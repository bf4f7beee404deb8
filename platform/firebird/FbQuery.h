#pragma once
// A statement with named parameters ":NAME" (a name may appear more than once; all its places take the
// same value) run in a transaction. Values are always bound as parameters, never pasted into the text.
// Text crosses the boundary as CP932 (the connection's SJIS_0208); a character CP932 cannot hold is an
// error. Dates are day counts since 1899-12-30 (the fraction the time of day, 0 = no date) and exact
// decimals travel as scaled integers; core/FbValues.h adds the Money and TDateTime forms.
//
// Select statements and selectable procedures: open(), then read the current row until eof(), next().
// Other statements, "EXECUTE PROCEDURE" included: execute(); a procedure's output values are the fields
// of the current row afterwards.

#include "platform/firebird/FbError.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

namespace fb {

class Transaction;
class Query;

// One column of the current row. Reading a column of no row (before open, after eof) is an error.
class Field {
public:
    Field(const Query* query, int index) : m_query(query), m_index(index) {}

    int index() const { return m_index; }
    QString name() const;
    bool isNull() const;
    // NULL reads as empty text, 0, no date or empty bytes.
    // Text columns: CP932 decoded, CHAR padding removed. Numbers: exact decimal text without trailing
    // zeros of the fraction ("1234.5"). Dates "yyyy/MM/dd", timestamps "yyyy/MM/dd hh:mm:ss".
    QString asString() const;
    // Appends asString() in UTF-8; false, with nothing appended, for NULL. Text, integer and decimal
    // columns and dates go from the fetched bytes straight into out, without a string of their own.
    bool appendUtf8(QByteArray& out) const;
    int asInt() const;
    qint64 asInt64() const;
    double asDouble() const;
    bool asBool() const;
    // The value × 10^scale as an integer: exact for NUMERIC/DECIMAL and integer columns, rounded half
    // away from zero where the column has more decimals than asked for.
    qint64 asScaled(int scale) const;
    // Days since 1899-12-30 with the time of day as fraction (DATE, TIMESTAMP, TIME columns).
    double asDayCount() const;
    // Blob contents (or the raw bytes of a text column).
    QByteArray asBytes() const;

private:
    const Query* m_query;
    int m_index;
};

class Query {
public:
    explicit Query(Transaction& transaction);
    Query(Transaction& transaction, const QString& sql);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Transaction& transaction() const;
    // Moves the query to another transaction (of the same or another attachment); closes and
    // unprepares it.
    void setTransaction(Transaction& transaction);

    // Sets the statement text; lines are joined with line breaks. Closes and unprepares.
    void setSql(const QString& sql);
    void setSql(const QStringList& lines) { setSql(lines.join(u'\n')); }
    const QString& sql() const;
    // With parameter check off the text goes to the server as written (DDL with PSQL bodies whose
    // ":var" must stay); default on.
    void setParamCheck(bool on);

    void prepare();
    bool isPrepared() const;

    QStringList paramNames() const;
    bool hasParam(QAnyStringView name) const;
    void setNull(QAnyStringView name);
    void setString(QAnyStringView name, const QString& value);
    void setInt(QAnyStringView name, int value) { setInt64(name, value); }
    void setInt64(QAnyStringView name, qint64 value);
    void setDouble(QAnyStringView name, double value);
    void setBool(QAnyStringView name, bool value);
    // value / 10^scale, exactly (4 for money).
    void setScaled(QAnyStringView name, qint64 value, int scale);
    // A day count (see above); the statement's parameter type decides DATE, TIME or TIMESTAMP.
    void setDayCount(QAnyStringView name, double days);
    void setBytes(QAnyStringView name, const QByteArray& value);
    void clearParams();

    // Statements run (execute or open) by every query of the process so far; benchmarks read it.
    static quint64 executedCount();

    // Runs a statement that returns no cursor (EXECUTE PROCEDURE included).
    void execute();
    // Runs a select and fetches its first row.
    void open();
    // Runs a select, reads the integer field of its first row (0 without a row or for NULL) and closes it:
    // the COUNT(...) probes before an update or insert.
    int openInt(QAnyStringView fieldName);
    // Moves to the next row; false when there is none (eof()).
    bool next();
    bool eof() const;
    bool isOpen() const;
    void close();
    // Rows changed by the last execute of an INSERT, UPDATE or DELETE.
    qint64 rowsAffected() const;

    int fieldCount() const;
    // Column names as the statement labels them (aliases), in order.
    QStringList fieldNames() const;
    bool hasColumn(QAnyStringView name) const;
    // Index of a column by name without regard to case; -1 when there is none.
    int fieldIndex(QAnyStringView name) const;
    // The column by name; an unknown name is an error.
    Field field(QAnyStringView name) const;
    Field field(int index) const;
    Field fieldByName(QAnyStringView name) const { return field(name); }

    struct Impl;

private:
    friend class Field;
    friend class Transaction;
    // Closes an open cursor (its transaction ends); with unprepare also frees the statement.
    void releaseCursor(bool unprepare);
    std::unique_ptr<Impl> d;
};

} // namespace fb
