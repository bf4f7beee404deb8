#include "platform/firebird/FbQuery.h"

#include "platform/Cp932.h"
#include "platform/firebird/FbApi.h"
#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbTransaction.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

namespace fb {

using detail::Status;

namespace {

// Firebird dates count days from 1858-11-17; the day count of the framework from 1899-12-30.
constexpr int kDayCountOffset = 15018;
constexpr qint64 kTimeUnitsPerDay = qint64(86400) * ISC_TIME_SECONDS_PRECISION;
constexpr int kCharsetNone = 0;
constexpr int kCharsetOctets = 1;
constexpr int kCharsetUnicodeFss = 3;
constexpr int kCharsetUtf8 = 4;

qint64 pow10(int n) {
    qint64 r = 1;
    while (n-- > 0)
        r *= 10;
    return r;
}

// value × 10^shift, rounded half away from zero when shift is negative; overflow is an error.
qint64 rescale(qint64 value, int shift) {
    if (shift >= 0) {
        if (shift > 18)
            throw Error(QStringLiteral("Numeric overflow."));
        const qint64 f = pow10(shift);
        if (value != 0 && (value > std::numeric_limits<qint64>::max() / f ||
                           value < std::numeric_limits<qint64>::min() / f))
            throw Error(QStringLiteral("Numeric overflow."));
        return value * f;
    }
    if (shift < -18)
        return 0;
    const qint64 f = pow10(-shift);
    const qint64 q = value / f;
    const qint64 r = value % f;
    if (2 * (r < 0 ? -r : r) >= f)
        return q + (value < 0 ? -1 : 1);
    return q;
}

// The decimal text of value / 10^scale (scale >= 0) without trailing zeros of the fraction, written to
// text (48 bytes); returns its length. Built in place: the dump writers read millions of these.
int scaledDigits(qint64 value, int scale, char* text) {
    quint64 magnitude = value < 0 ? 0 - quint64(value) : quint64(value);
    char digits[40]; // least significant first
    int n = 0;
    do {
        digits[n++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (n <= scale)
        digits[n++] = '0';
    int low = 0; // the fraction without its trailing zeros starts here
    while (low < scale && digits[low] == '0')
        ++low;
    int k = 0;
    const bool zero = n == scale + 1 && digits[scale] == '0' && low == scale;
    if (value < 0 && !zero)
        text[k++] = '-';
    for (int i = n - 1; i >= scale; --i)
        text[k++] = digits[i];
    if (low < scale) {
        text[k++] = '.';
        for (int i = scale - 1; i >= low; --i)
            text[k++] = digits[i];
    }
    return k;
}

QString scaledToString(qint64 value, int scale) {
    // scale: number of decimals
    if (scale < 0)
        return QString::number(value) + QString(-scale, u'0');
    char text[48];
    return QString::fromLatin1(text, scaledDigits(value, scale, text));
}

// Exact decimal text to value × 10^scale; false when the text is no number.
bool parseScaled(const QString& text, int scale, qint64* out) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    qsizetype i = 0;
    bool negative = false;
    if (t[0] == u'-' || t[0] == u'+') {
        negative = t[0] == u'-';
        ++i;
    }
    qint64 whole = 0;
    qint64 frac = 0;
    int fracDigits = 0;
    bool any = false;
    bool roundUp = false;
    bool point = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'.' && !point) {
            point = true;
            continue;
        }
        if (!c.isDigit())
            return false;
        any = true;
        const int digit = c.digitValue();
        if (!point) {
            if (whole > (std::numeric_limits<qint64>::max() - digit) / 10)
                return false;
            whole = whole * 10 + digit;
        } else if (fracDigits < scale) {
            frac = frac * 10 + digit;
            ++fracDigits;
        } else if (fracDigits == scale) {
            roundUp = digit >= 5;
            ++fracDigits;
        }
    }
    if (!any)
        return false;
    const int used = std::min(fracDigits, scale);
    qint64 value = rescale(whole, scale) + rescale(frac, scale - used);
    if (roundUp)
        ++value;
    *out = negative ? -value : value;
    return true;
}

double dayCountOf(ISC_DATE date, ISC_TIME time) {
    const qint64 days = qint64(date) - kDayCountOffset;
    const double fraction = double(time) / double(kTimeUnitsPerDay);
    // Before 1899-12-30 the time is a positive fraction after the minus sign.
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

void splitDayCount(double value, ISC_DATE* date, ISC_TIME* time) {
    qint64 days = qint64(std::trunc(value));
    qint64 units = std::llround(std::fabs(value - std::trunc(value)) * double(kTimeUnitsPerDay));
    if (units >= kTimeUnitsPerDay) {
        units -= kTimeUnitsPerDay;
        ++days;
    }
    *date = ISC_DATE(days + kDayCountOffset);
    *time = ISC_TIME(units);
}

QDate dateOf(ISC_DATE date) {
    return QDate(1858, 11, 17).addDays(date);
}

QTime timeOf(ISC_TIME time) {
    return QTime::fromMSecsSinceStartOfDay(int(time / (ISC_TIME_SECONDS_PRECISION / 1000)));
}

char32_t codeUnit(QChar c) {
    return c.unicode();
}
template <typename C> char32_t codeUnit(C c) {
    return char32_t(static_cast<unsigned char>(c));
}

// Case-insensitive hash of a name, equal for the same name in any of the view's encodings.
size_t foldHash(QAnyStringView name) {
    size_t h = 1469598103934665603ull;
    bool ascii = true;
    name.visit([&](auto view) {
        for (auto ch : view) {
            const char32_t c = codeUnit(ch);
            if (c >= 0x80) {
                ascii = false;
                return;
            }
            const char32_t u = (c >= 'a' && c <= 'z') ? c - 32 : c;
            h = (h ^ u) * 1099511628211ull;
        }
    });
    if (ascii)
        return h;
    h = 1469598103934665603ull;
    for (QChar c : name.toString().toCaseFolded().toUpper())
        h = (h ^ c.unicode()) * 1099511628211ull;
    return h;
}

struct Column {
    QString name;
    unsigned type = 0;
    int subType = 0;
    int scale = 0;
    unsigned length = 0;
    unsigned charset = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
};

struct ParamValue {
    enum Kind { Unset, Null, Text, Int, Double, Bool, Scaled, Days, Bytes };
    Kind kind = Unset;
    QByteArray bytes{};
    qint64 integer = 0;
    double real = 0;
    int scale = 0;
};

} // namespace

struct Query::Impl {
    Transaction* transaction = nullptr;
    QString sql;
    bool paramCheck = true;

    // The text as the server gets it, the parameter names (upper case) and for every "?" the name.
    bool parsed = false;
    QByteArray serverSql;
    std::vector<QString> names;
    std::vector<int> positions;
    std::vector<ParamValue> values;

    Firebird::IStatement* statement = nullptr;
    Firebird::IMessageMetadata* inMeta = nullptr;
    Firebird::IMessageMetadata* outMeta = nullptr;
    bool hasCursor = false;
    std::vector<Column> columns;
    std::vector<std::pair<size_t, int>> lookup; // open addressing: hash, column index (-1 empty)
    // Names as callers spelled them (exact bytes and encoding) with their column index: code reads the
    // same columns with the same literals row after row, and an exact match needs no case folding.
    struct Spelling {
        size_t hash = 0;
        int tag = -1; // -1 empty
        QByteArray bytes;
        int index = -1;
    };
    std::vector<Spelling> spellings = std::vector<Spelling>(64);
    int spellingCount = 0;
    std::vector<unsigned char> row;

    Firebird::IResultSet* cursor = nullptr;
    bool hasRow = false;
    bool eof = true;
    qint64 affected = 0;
    Status status;

    void parse();
    int paramIndex(QAnyStringView name) const;
    ParamValue& param(QAnyStringView name);
    void ensureActive();
    void prepare();
    void unprepare();
    void closeCursor();
    // Builds the input message; returns its metadata (caller releases) and fills buffer.
    Firebird::IMessageMetadata* buildInput(std::vector<unsigned char>& buffer);
    ISC_QUAD writeBlob(const QByteArray& bytes);
    QByteArray readBlob(const ISC_QUAD& id) const;

    const Column& column(int index) const;
    const unsigned char* data(const Column& c) const { return row.data() + c.offset; }
    bool isNull(const Column& c) const {
        return *reinterpret_cast<const short*>(row.data() + c.nullOffset) != 0;
    }
};

void Query::Impl::parse() {
    names.clear();
    positions.clear();
    if (!paramCheck) {
        serverSql = detail::encodeText(sql, "The statement");
        values.clear();
        parsed = true;
        return;
    }
    QString out;
    out.reserve(sql.size());
    const qsizetype n = sql.size();
    auto isNameChar = [](QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; };
    for (qsizetype i = 0; i < n;) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"') {
            // Literals and quoted identifiers go through untouched ('' inside is two literals).
            const qsizetype end = sql.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? n : end + 1;
            out += QStringView(sql).mid(i, stop - i);
            i = stop;
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            const qsizetype end = sql.indexOf(u'\n', i);
            const qsizetype stop = end < 0 ? n : end;
            out += QStringView(sql).mid(i, stop - i);
            i = stop;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            const qsizetype stop = end < 0 ? n : end + 2;
            out += QStringView(sql).mid(i, stop - i);
            i = stop;
        } else if (c == u':' && i + 1 < n && isNameChar(sql[i + 1])) {
            qsizetype j = i + 1;
            while (j < n && isNameChar(sql[j]))
                ++j;
            const QString name = sql.mid(i + 1, j - i - 1).toUpper();
            auto it = std::find(names.begin(), names.end(), name);
            if (it == names.end()) {
                names.push_back(name);
                it = names.end() - 1;
            }
            positions.push_back(int(it - names.begin()));
            out += u'?';
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    serverSql = detail::encodeText(out, "The statement");
    values.assign(names.size(), ParamValue());
    parsed = true;
}

int Query::Impl::paramIndex(QAnyStringView name) const {
    for (size_t i = 0; i < names.size(); ++i)
        if (QAnyStringView::compare(name, names[i], Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

ParamValue& Query::Impl::param(QAnyStringView name) {
    if (!parsed)
        parse();
    const int i = paramIndex(name);
    if (i < 0)
        throw Error(QStringLiteral("Parameter %1 not found.").arg(name.toString()));
    return values[size_t(i)];
}

void Query::Impl::ensureActive() {
    if (!transaction->database().isConnected())
        throw Error(QStringLiteral("The database is not connected."));
    // As the classic components do, a statement run outside a transaction starts it.
    if (!transaction->isActive())
        transaction->start();
}

void Query::Impl::prepare() {
    if (statement)
        return;
    if (!parsed)
        parse();
    if (serverSql.trimmed().isEmpty())
        throw Error(QStringLiteral("The statement is empty."));
    ensureActive();
    Firebird::IAttachment* att = transaction->database().handle();
    auto* st = status.get();
    Firebird::IStatement* stmt = att->prepare(
        st, transaction->handle(), unsigned(serverSql.size()), serverSql.constData(),
        unsigned(transaction->database().options().dialect), Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    status.check();
    statement = stmt;
    try {
        inMeta = statement->getInputMetadata(st);
        status.check();
        outMeta = statement->getOutputMetadata(st);
        status.check();
        hasCursor = statement->getFlags(st) & Firebird::IStatement::FLAG_HAS_CURSOR;
        status.check();
        const unsigned count = outMeta->getCount(st);
        columns.assign(count, Column());
        for (unsigned i = 0; i < count; ++i) {
            Column& c = columns[i];
            const char* alias = outMeta->getAlias(st, i);
            c.name = QString::fromUtf8(alias ? alias : "");
            if (c.name.isEmpty())
                c.name = QString::fromUtf8(outMeta->getField(st, i));
            c.type = outMeta->getType(st, i) & ~1u;
            c.subType = outMeta->getSubType(st, i);
            c.scale = outMeta->getScale(st, i);
            c.length = outMeta->getLength(st, i);
            c.charset = outMeta->getCharSet(st, i);
            c.offset = outMeta->getOffset(st, i);
            c.nullOffset = outMeta->getNullOffset(st, i);
        }
        status.check();
        row.assign(outMeta->getMessageLength(st), 0);
        status.check();
        size_t size = 4;
        while (size < count * 2)
            size *= 2;
        lookup.assign(size, {0, -1});
        for (unsigned i = 0; i < count; ++i) {
            const size_t h = foldHash(columns[i].name);
            size_t slot = h & (size - 1);
            while (lookup[slot].second >= 0)
                slot = (slot + 1) & (size - 1);
            lookup[slot] = {h, int(i)};
        }
    } catch (...) {
        unprepare();
        throw;
    }
}

void Query::Impl::closeCursor() {
    if (cursor) {
        Status st;
        cursor->close(st.get());
        if (st.failed())
            cursor->release();
        cursor = nullptr;
    }
    hasRow = false;
    eof = true;
}

void Query::Impl::unprepare() {
    closeCursor();
    if (inMeta)
        inMeta->release();
    if (outMeta)
        outMeta->release();
    inMeta = outMeta = nullptr;
    if (statement) {
        Status st;
        statement->free(st.get());
        if (st.failed())
            statement->release();
    }
    statement = nullptr;
    columns.clear();
    lookup.clear();
    row.clear();
    spellings.assign(spellings.size(), Spelling());
    spellingCount = 0;
}

ISC_QUAD Query::Impl::writeBlob(const QByteArray& bytes) {
    ISC_QUAD id{};
    auto* st = status.get();
    Firebird::IBlob* blob =
        transaction->database().handle()->createBlob(st, transaction->handle(), &id, 0, nullptr);
    status.check();
    for (qsizetype pos = 0; pos < bytes.size();) {
        const unsigned chunk = unsigned(std::min<qsizetype>(bytes.size() - pos, 32768));
        blob->putSegment(st, chunk, bytes.constData() + pos);
        if (status.failed()) {
            Status other;
            blob->cancel(other.get());
            status.check();
        }
        pos += chunk;
    }
    blob->close(st);
    status.check();
    return id;
}

QByteArray Query::Impl::readBlob(const ISC_QUAD& id) const {
    Status st;
    ISC_QUAD blobId = id;
    Firebird::IBlob* blob =
        transaction->database().handle()->openBlob(st.get(), transaction->handle(), &blobId, 0, nullptr);
    st.check();
    QByteArray out;
    char buffer[32768];
    for (;;) {
        unsigned got = 0;
        const int rc = blob->getSegment(st.get(), sizeof buffer, buffer, &got);
        if (rc == Firebird::IStatus::RESULT_OK || rc == Firebird::IStatus::RESULT_SEGMENT) {
            out.append(buffer, got);
            continue;
        }
        if (rc == Firebird::IStatus::RESULT_NO_DATA)
            break;
        Error e = detail::toError(st.get());
        Status other;
        blob->close(other.get());
        if (other.failed())
            blob->release();
        throw e;
    }
    blob->close(st.get());
    if (st.failed())
        blob->release();
    return out;
}

Firebird::IMessageMetadata* Query::Impl::buildInput(std::vector<unsigned char>& buffer) {
    auto* st = status.get();
    const unsigned count = inMeta->getCount(st);
    status.check();
    if (count != positions.size())
        throw Error(QStringLiteral("The statement has %1 parameters, the text names %2.")
                        .arg(count)
                        .arg(positions.size()));
    Firebird::IMetadataBuilder* builder = inMeta->getBuilder(st);
    status.check();
    // Each value goes in the type it has; the server converts it to the parameter's type. Text and
    // bytes for blob parameters become blobs here.
    for (unsigned i = 0; i < count; ++i) {
        const ParamValue& v = values[size_t(positions[i])];
        const unsigned type = inMeta->getType(st, i) & ~1u;
        const bool textTarget = type == SQL_TEXT || type == SQL_VARYING;
        switch (v.kind) {
        case ParamValue::Unset:
        case ParamValue::Null:
            break;
        case ParamValue::Text:
        case ParamValue::Bytes:
            if (type == SQL_BLOB)
                break;
            builder->setType(st, i, SQL_VARYING);
            builder->setSubType(st, i, 0);
            builder->setScale(st, i, 0);
            builder->setLength(st, i, unsigned(std::max<qsizetype>(v.bytes.size(), 1)));
            if (!textTarget)
                builder->setCharSet(st, i, v.kind == ParamValue::Bytes ? kCharsetOctets : kCharsetNone);
            break;
        case ParamValue::Bool:
        case ParamValue::Int:
        case ParamValue::Scaled:
            if (type == SQL_BOOLEAN)
                break;
            builder->setType(st, i, SQL_INT64);
            builder->setSubType(st, i, 0);
            builder->setLength(st, i, sizeof(ISC_INT64));
            builder->setScale(st, i, v.kind == ParamValue::Scaled ? -v.scale : 0);
            break;
        case ParamValue::Double:
            builder->setType(st, i, SQL_DOUBLE);
            builder->setSubType(st, i, 0);
            builder->setLength(st, i, sizeof(double));
            builder->setScale(st, i, 0);
            break;
        case ParamValue::Days:
            if (type == SQL_TYPE_DATE || type == SQL_TYPE_TIME)
                break;
            builder->setType(st, i, SQL_TIMESTAMP);
            builder->setSubType(st, i, 0);
            builder->setLength(st, i, sizeof(ISC_TIMESTAMP));
            builder->setScale(st, i, 0);
            break;
        }
    }
    Firebird::IMessageMetadata* meta = builder->getMetadata(st);
    builder->release();
    status.check();
    try {
        buffer.assign(meta->getMessageLength(st), 0);
        for (unsigned i = 0; i < count; ++i) {
            const ParamValue& v = values[size_t(positions[i])];
            unsigned char* p = buffer.data() + meta->getOffset(st, i);
            short* nullFlag = reinterpret_cast<short*>(buffer.data() + meta->getNullOffset(st, i));
            const unsigned type = meta->getType(st, i) & ~1u;
            status.check();
            if (v.kind == ParamValue::Unset || v.kind == ParamValue::Null) {
                *nullFlag = -1;
                continue;
            }
            *nullFlag = 0;
            switch (type) {
            case SQL_BLOB: {
                QByteArray bytes = v.bytes;
                if (v.kind != ParamValue::Text && v.kind != ParamValue::Bytes)
                    throw Error(QStringLiteral("Only text or bytes can go into a blob parameter."));
                const ISC_QUAD id = writeBlob(bytes);
                std::memcpy(p, &id, sizeof id);
                break;
            }
            case SQL_VARYING: {
                const quint16 len = quint16(v.bytes.size());
                if (v.bytes.size() > 32765)
                    throw Error(QStringLiteral("A text parameter is longer than 32765 bytes."));
                std::memcpy(p, &len, sizeof len);
                std::memcpy(p + sizeof len, v.bytes.constData(), len);
                break;
            }
            case SQL_BOOLEAN: {
                const FB_BOOLEAN b = v.integer != 0 ? FB_TRUE : FB_FALSE;
                if (v.kind == ParamValue::Double || v.kind == ParamValue::Days)
                    throw Error(QStringLiteral("A boolean parameter takes no number."));
                std::memcpy(p, &b, sizeof b);
                break;
            }
            case SQL_INT64:
                std::memcpy(p, &v.integer, sizeof v.integer);
                break;
            case SQL_DOUBLE:
                std::memcpy(p, &v.real, sizeof v.real);
                break;
            case SQL_TIMESTAMP:
            case SQL_TYPE_DATE:
            case SQL_TYPE_TIME: {
                ISC_TIMESTAMP ts;
                splitDayCount(v.real, &ts.timestamp_date, &ts.timestamp_time);
                if (type == SQL_TIMESTAMP)
                    std::memcpy(p, &ts, sizeof ts);
                else if (type == SQL_TYPE_DATE)
                    std::memcpy(p, &ts.timestamp_date, sizeof ts.timestamp_date);
                else
                    std::memcpy(p, &ts.timestamp_time, sizeof ts.timestamp_time);
                break;
            }
            default:
                throw Error(QStringLiteral("Unsupported parameter type %1.").arg(type));
            }
        }
    } catch (...) {
        meta->release();
        throw;
    }
    return meta;
}

const Column& Query::Impl::column(int index) const {
    if (index < 0 || size_t(index) >= columns.size())
        throw Error(QStringLiteral("Field index %1 out of range.").arg(index));
    if (!hasRow)
        throw Error(QStringLiteral("The query has no current row."));
    return columns[size_t(index)];
}

// ---- Query

Query::Query(Transaction& transaction) : d(std::make_unique<Impl>()) {
    d->transaction = &transaction;
    transaction.m_queries.push_back(this);
}

Query::Query(Transaction& transaction, const QString& sql) : Query(transaction) {
    setSql(sql);
}

Query::~Query() {
    d->unprepare();
    auto& list = d->transaction->m_queries;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

Transaction& Query::transaction() const {
    return *d->transaction;
}

void Query::setTransaction(Transaction& transaction) {
    if (&transaction == d->transaction)
        return;
    d->unprepare();
    auto& list = d->transaction->m_queries;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    d->transaction = &transaction;
    transaction.m_queries.push_back(this);
}

void Query::setSql(const QString& sql) {
    d->unprepare();
    d->sql = sql;
    d->parsed = false;
    d->parse();
}

const QString& Query::sql() const {
    return d->sql;
}

void Query::setParamCheck(bool on) {
    if (d->paramCheck == on)
        return;
    d->unprepare();
    d->paramCheck = on;
    d->parsed = false;
}

void Query::prepare() {
    d->prepare();
}

bool Query::isPrepared() const {
    return d->statement != nullptr;
}

QStringList Query::paramNames() const {
    if (!d->parsed)
        d->parse();
    return QStringList(d->names.begin(), d->names.end());
}

bool Query::hasParam(QAnyStringView name) const {
    if (!d->parsed)
        d->parse();
    return d->paramIndex(name) >= 0;
}

void Query::setNull(QAnyStringView name) {
    d->param(name) = {.kind = ParamValue::Null};
}

void Query::setString(QAnyStringView name, const QString& value) {
    ParamValue& v = d->param(name);
    v = {.kind = ParamValue::Text, .bytes = detail::encodeText(value, "A text value")};
}

void Query::setInt64(QAnyStringView name, qint64 value) {
    d->param(name) = {.kind = ParamValue::Int, .integer = value};
}

void Query::setDouble(QAnyStringView name, double value) {
    d->param(name) = {.kind = ParamValue::Double, .real = value};
}

void Query::setBool(QAnyStringView name, bool value) {
    d->param(name) = {.kind = ParamValue::Bool, .integer = value ? 1 : 0};
}

void Query::setScaled(QAnyStringView name, qint64 value, int scale) {
    if (scale < 0 || scale > 18)
        throw Error(QStringLiteral("Bad scale %1.").arg(scale));
    d->param(name) = {.kind = ParamValue::Scaled, .integer = value, .scale = scale};
}

void Query::setDayCount(QAnyStringView name, double days) {
    d->param(name) = {.kind = ParamValue::Days, .real = days};
}

void Query::setBytes(QAnyStringView name, const QByteArray& value) {
    d->param(name) = {.kind = ParamValue::Bytes, .bytes = value};
}

void Query::clearParams() {
    for (ParamValue& v : d->values)
        v = ParamValue();
}

namespace {
std::atomic<quint64> g_executed{0};
}

quint64 Query::executedCount() {
    return g_executed.load();
}

void Query::execute() {
    d->closeCursor();
    d->prepare();
    if (d->hasCursor) {
        open();
        return;
    }
    d->ensureActive();
    std::vector<unsigned char> input;
    Firebird::IMessageMetadata* meta = d->buildInput(input);
    auto* st = d->status.get();
    ++g_executed;
    d->statement->execute(st, d->transaction->handle(), meta, input.data(), d->outMeta, d->row.data());
    meta->release();
    d->status.check();
    d->affected = qint64(d->statement->getAffectedRecords(st));
    d->status.clear();
    // Output values of EXECUTE PROCEDURE form the current row.
    d->hasRow = !d->columns.empty();
    d->eof = !d->hasRow;
}

void Query::open() {
    d->closeCursor();
    d->prepare();
    if (!d->hasCursor)
        throw Error(QStringLiteral("The statement returns no rows; use execute()."));
    d->ensureActive();
    std::vector<unsigned char> input;
    Firebird::IMessageMetadata* meta = d->buildInput(input);
    auto* st = d->status.get();
    ++g_executed;
    Firebird::IResultSet* rs =
        d->statement->openCursor(st, d->transaction->handle(), meta, input.data(), d->outMeta, 0);
    meta->release();
    d->status.check();
    d->cursor = rs;
    d->eof = false;
    next();
}

bool Query::next() {
    if (!d->cursor) {
        d->hasRow = false;
        d->eof = true;
        return false;
    }
    const int rc = d->cursor->fetchNext(d->status.get(), d->row.data());
    if (rc == Firebird::IStatus::RESULT_OK) {
        d->hasRow = true;
        return true;
    }
    d->hasRow = false;
    d->eof = true;
    d->status.check();
    return false;
}

bool Query::eof() const {
    return d->eof;
}

bool Query::isOpen() const {
    return d->cursor != nullptr;
}

void Query::close() {
    d->closeCursor();
}

int Query::openInt(QAnyStringView fieldName) {
    open();
    const Field f = field(fieldName);
    const int value = eof() || f.isNull() ? 0 : f.asInt();
    close();
    return value;
}

qint64 Query::rowsAffected() const {
    return d->affected;
}

void Query::releaseCursor(bool unprepare) {
    if (unprepare)
        d->unprepare();
    else
        d->closeCursor();
}

int Query::fieldCount() const {
    if (!d->statement)
        d->prepare();
    return int(d->columns.size());
}

QStringList Query::fieldNames() const {
    if (!d->statement)
        d->prepare();
    QStringList out;
    for (const Column& c : d->columns)
        out << c.name;
    return out;
}

int Query::fieldIndex(QAnyStringView name) const {
    if (!d->statement)
        d->prepare();
    const char* raw = static_cast<const char*>(name.data());
    const qsizetype bytes = name.size_bytes();
    int tag = 0;
    name.visit([&tag](auto view) {
        using View = decltype(view);
        if constexpr (std::is_same_v<View, QStringView>)
            tag = 2;
        else if constexpr (std::is_same_v<View, QLatin1StringView>)
            tag = 1;
    });
    size_t exact = 1469598103934665603ull ^ size_t(tag);
    for (qsizetype i = 0; i < bytes; ++i)
        exact = (exact ^ static_cast<unsigned char>(raw[i])) * 1099511628211ull;
    auto& spellings = d->spellings;
    const size_t mask = spellings.size() - 1;
    size_t slot = exact & mask;
    for (; spellings[slot].tag >= 0; slot = (slot + 1) & mask) {
        const auto& e = spellings[slot];
        if (e.hash == exact && e.tag == tag && e.bytes.size() == bytes &&
            std::memcmp(e.bytes.constData(), raw, size_t(bytes)) == 0)
            return e.index;
    }

    int index = -1;
    const size_t size = d->lookup.size();
    if (size != 0) {
        const size_t h = foldHash(name);
        for (size_t s = h & (size - 1);; s = (s + 1) & (size - 1)) {
            const auto& entry = d->lookup[s];
            if (entry.second < 0)
                break;
            if (entry.first == h && QAnyStringView::compare(name, d->columns[size_t(entry.second)].name,
                                                            Qt::CaseInsensitive) == 0) {
                index = entry.second;
                break;
            }
        }
    }
    if (d->spellingCount < int(spellings.size() / 2)) {
        spellings[slot] = {exact, tag, QByteArray(raw, bytes), index};
        ++d->spellingCount;
    }
    return index;
}

bool Query::hasColumn(QAnyStringView name) const {
    return fieldIndex(name) >= 0;
}

Field Query::field(QAnyStringView name) const {
    const int index = fieldIndex(name);
    if (index < 0)
        throw Error(QStringLiteral("Field %1 not found.").arg(name.toString()));
    return Field(this, index);
}

Field Query::field(int index) const {
    if (!d->statement)
        d->prepare();
    if (index < 0 || size_t(index) >= d->columns.size())
        throw Error(QStringLiteral("Field index %1 out of range.").arg(index));
    return Field(this, index);
}

// ---- Field

namespace {

qint64 readInteger(const Column& c, const unsigned char* p) {
    switch (c.type) {
    case SQL_SHORT: {
        qint16 v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    case SQL_LONG: {
        qint32 v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    default: {
        qint64 v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    }
}

double readReal(const Column& c, const unsigned char* p) {
    if (c.type == SQL_FLOAT) {
        float v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    double v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

bool isIntegerType(unsigned type) {
    return type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64;
}

bool isRealType(unsigned type) {
    return type == SQL_FLOAT || type == SQL_DOUBLE || type == SQL_D_FLOAT;
}

bool isUtf8(const Column& c) {
    return c.charset == kCharsetUtf8 || c.charset == kCharsetUnicodeFss;
}

bool isAscii(const char* bytes, qsizetype length) {
    for (qsizetype i = 0; i < length; ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80)
            return false;
    return true;
}

QString decodeText(const Column& c, const char* bytes, qsizetype length) {
    if (isUtf8(c))
        return QString::fromUtf8(bytes, length);
    // Pure ASCII needs no converter (most codes and numbers in text columns).
    if (isAscii(bytes, length))
        return QString::fromLatin1(bytes, length);
    return cp932::decode(bytes, length);
}

} // namespace

namespace {

// The bytes of a CHAR (with its padding) or VARCHAR value.
QByteArrayView textBytes(const Column& c, const unsigned char* p) {
    if (c.type == SQL_TEXT)
        return QByteArrayView(reinterpret_cast<const char*>(p), qsizetype(c.length));
    quint16 len;
    std::memcpy(&len, p, sizeof len);
    return QByteArrayView(reinterpret_cast<const char*>(p) + sizeof len, len);
}

// The text of a CHAR or VARCHAR value: CHAR values come padded with blanks to their byte length.
QByteArrayView valueText(const Column& c, const unsigned char* p) {
    QByteArrayView text = textBytes(c, p);
    if (c.type == SQL_TEXT && c.charset != kCharsetOctets)
        while (text.endsWith(' '))
            text.chop(1);
    return text;
}

// Writes n as width decimal digits, zeros in front.
char* putDigits(char* out, int n, int width) {
    for (int i = width - 1; i >= 0; --i, n /= 10)
        out[i] = char('0' + n % 10);
    return out + width;
}

// A field of the current row: its query, its column and its value (nullptr for NULL).
struct Cell {
    const Query::Impl& q;
    const Column& c;
    const unsigned char* p;
};

Cell cellOf(const Query::Impl& q, int index) {
    const Column& c = q.column(index);
    return {q, c, c.type == SQL_NULL || q.isNull(c) ? nullptr : q.data(c)};
}

} // namespace

QString Field::name() const {
    return m_query->d->columns.at(size_t(m_index)).name;
}

bool Field::isNull() const {
    return cellOf(*m_query->d, m_index).p == nullptr;
}

QByteArray Field::asBytes() const {
    const auto [q, c, p] = cellOf(*m_query->d, m_index);
    if (!p)
        return {};
    switch (c.type) {
    case SQL_BLOB: {
        ISC_QUAD id;
        std::memcpy(&id, p, sizeof id);
        return q.readBlob(id);
    }
    case SQL_TEXT:
    case SQL_VARYING:
        return textBytes(c, p).toByteArray();
    default:
        return detail::encodeText(asString(), "A value");
    }
}

QString Field::asString() const {
    const auto [q, c, p] = cellOf(*m_query->d, m_index);
    if (!p)
        return {};
    switch (c.type) {
    case SQL_TEXT:
    case SQL_VARYING: {
        const QByteArrayView text = valueText(c, p);
        return decodeText(c, text.data(), text.size());
    }
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        return scaledToString(readInteger(c, p), -c.scale);
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return QString::number(readReal(c, p), 'g', 15);
    case SQL_BOOLEAN:
        return *p ? QStringLiteral("True") : QStringLiteral("False");
    case SQL_TYPE_DATE: {
        ISC_DATE date;
        std::memcpy(&date, p, sizeof date);
        return dateOf(date).toString(QStringLiteral("yyyy/MM/dd"));
    }
    case SQL_TYPE_TIME: {
        ISC_TIME time;
        std::memcpy(&time, p, sizeof time);
        return timeOf(time).toString(QStringLiteral("hh:mm:ss"));
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP ts;
        std::memcpy(&ts, p, sizeof ts);
        // Midnight shows as the date alone, as the class library's date-time text does.
        if (ts.timestamp_time == 0)
            return dateOf(ts.timestamp_date).toString(QStringLiteral("yyyy/MM/dd"));
        return QDateTime(dateOf(ts.timestamp_date), timeOf(ts.timestamp_time))
            .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    }
    case SQL_BLOB: {
        ISC_QUAD id;
        std::memcpy(&id, p, sizeof id);
        const QByteArray bytes = q.readBlob(id);
        return decodeText(c, bytes.constData(), bytes.size());
    }
    default:
        throw Error(QStringLiteral("Field %1 has a type that cannot be read (%2).").arg(c.name).arg(c.type));
    }
}

bool Field::appendUtf8(QByteArray& out) const {
    const auto [q, c, p] = cellOf(*m_query->d, m_index);
    if (!p)
        return false;
    switch (c.type) {
    case SQL_TEXT:
    case SQL_VARYING:
        if (!isUtf8(c)) {
            const QByteArrayView text = valueText(c, p);
            if (isAscii(text.data(), text.size()))
                out.append(text);
            else
                cp932::appendUtf8(out, text.data(), text.size());
            return true;
        }
        break;
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        if (c.scale <= 0) {
            // Most amounts of a journal row are zero.
            const qint64 v = readInteger(c, p);
            if (v == 0) {
                out += '0';
                return true;
            }
            char text[48];
            out.append(text, scaledDigits(v, -c.scale, text));
            return true;
        }
        break;
    case SQL_TYPE_DATE: {
        ISC_DATE date;
        std::memcpy(&date, p, sizeof date);
        int y = 0, m = 0, d = 0;
        dateOf(date).getDate(&y, &m, &d);
        if (y < 1 || y > 9999)
            break;
        char text[10];
        char* e = putDigits(text, y, 4);
        *e++ = '/';
        e = putDigits(e, m, 2);
        *e++ = '/';
        putDigits(e, d, 2);
        out.append(text, sizeof text);
        return true;
    }
    default:
        break;
    }
    out += asString().toUtf8();
    return true;
}

qint64 Field::asScaled(int scale) const {
    const auto [q, c, p] = cellOf(*m_query->d, m_index);
    if (!p)
        return 0;
    if (isIntegerType(c.type))
        return rescale(readInteger(c, p), scale + c.scale);
    if (isRealType(c.type)) {
        const double v = readReal(c, p) * double(pow10(scale));
        if (!std::isfinite(v) || std::fabs(v) >= 9.2e18)
            throw Error(QStringLiteral("Numeric overflow in field %1.").arg(c.name));
        return std::llround(v);
    }
    if (c.type == SQL_BOOLEAN)
        return rescale(*p ? 1 : 0, scale);
    if (c.type == SQL_TEXT || c.type == SQL_VARYING || c.type == SQL_BLOB) {
        qint64 v = 0;
        const QString text = asString();
        if (text.trimmed().isEmpty())
            return 0;
        if (!parseScaled(text, scale, &v))
            throw Error(QStringLiteral("'%1' is not a valid number (field %2).").arg(text, c.name));
        return v;
    }
    throw Error(QStringLiteral("Field %1 is not a number.").arg(c.name));
}

qint64 Field::asInt64() const {
    const auto [q, c, p] = cellOf(*m_query->d, m_index);
    if (!p)
        return 0;
    if (c.type == SQL_TYPE_DATE || c.type == SQL_TIMESTAMP)
        return qint64(std::trunc(asDayCount()));
    return asScaled(0);
}

int Field::asInt() const {
    const qint64 v = asInt64();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        throw Error(QStringLiteral("Integer overflow in field %1.").arg(name()));
    return int(v);
}

double Field::asDouble() const {
    const auto [q, c, p] = cellOf(*m_query->d, m_index);
    if (!p)
        return 0;
    if (isIntegerType(c.type))
        return c.scale < 0 ? double(readInteger(c, p)) / double(pow10(-c.scale))
                           : double(readInteger(c, p)) * double(pow10(c.scale));
    if (isRealType(c.type))
        return readReal(c, p);
    if (c.type == SQL_BOOLEAN)
        return *p ? 1 : 0;
    if (c.type == SQL_TYPE_DATE || c.type == SQL_TIMESTAMP || c.type == SQL_TYPE_TIME)
        return asDayCount();
    bool ok = false;
    const QString text = asString().trimmed();
    if (text.isEmpty())
        return 0;
    const double v = text.toDouble(&ok);
    if (!ok)
        throw Error(QStringLiteral("'%1' is not a valid number (field %2).").arg(text, c.name));
    return v;
}

bool Field::asBool() const {
    const auto [q, c, p] = cellOf(*m_query->d, m_index);
    if (!p)
        return false;
    if (c.type == SQL_BOOLEAN)
        return *q.data(c) != 0;
    if (c.type == SQL_TEXT || c.type == SQL_VARYING) {
        const QString text = asString().trimmed().toUpper();
        if (text == u"TRUE" || text == u"T")
            return true;
        if (text == u"FALSE" || text == u"F" || text.isEmpty())
            return false;
    }
    return asScaled(0) != 0;
}

double Field::asDayCount() const {
    const auto [q, c, p] = cellOf(*m_query->d, m_index);
    if (!p)
        return 0;
    switch (c.type) {
    case SQL_TYPE_DATE: {
        ISC_DATE date;
        std::memcpy(&date, p, sizeof date);
        return dayCountOf(date, 0);
    }
    case SQL_TYPE_TIME: {
        ISC_TIME time;
        std::memcpy(&time, p, sizeof time);
        return double(time) / double(kTimeUnitsPerDay);
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP ts;
        std::memcpy(&ts, p, sizeof ts);
        return dayCountOf(ts.timestamp_date, ts.timestamp_time);
    }
    case SQL_TEXT:
    case SQL_VARYING: {
        const QString text = asString().trimmed();
        if (text.isEmpty())
            return 0;
        for (const char* format :
             {"yyyy/MM/dd hh:mm:ss", "yyyy/MM/dd hh:mm", "yyyy/MM/dd", "yyyy-MM-dd hh:mm:ss", "yyyy-MM-dd"}) {
            const QDateTime dt = QDateTime::fromString(text, QLatin1String(format));
            if (dt.isValid()) {
                const qint64 days = QDate(1899, 12, 30).daysTo(dt.date());
                const double fraction = dt.time().msecsSinceStartOfDay() / 86400000.0;
                return days >= 0 ? double(days) + fraction : double(days) - fraction;
            }
        }
        throw Error(QStringLiteral("'%1' is not a valid date (field %2).").arg(text, c.name));
    }
    default:
        if (isIntegerType(c.type) || isRealType(c.type))
            return asDouble();
        throw Error(QStringLiteral("Field %1 is not a date.").arg(c.name));
    }
}

} // namespace fb
