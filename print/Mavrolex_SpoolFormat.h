#pragma once
// The one definition of the text syntax shared by spool files, form files (".mvf") and preview files
// (".mvx"): CP932 lines ended by CR LF, ";"-ended fields, the header block, the value words and the page
// end. Writers and readers of every engine unit go through these routines.

#include "print/Mavrolex_Record.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <Qt>
#include <optional>

// Texts the readers show.
inline const QString kMsgParameterError = QStringLiteral("パラメータエラー");
inline const QString kMsgNotPrintData = QStringLiteral("<MAVROLEX>印刷データではありません。");
inline const QString kMsgNotPrintFile = QStringLiteral("[MAVROLEX]印刷ファイルではありません。");

// The opening and closing magic lines of the header block (70 characters each).
extern const QString kSpoolMagicOpen;
extern const QString kSpoolMagicClose;
// A spool or preview file begins with "*MAVROLEX*".
bool IsMavrolexFirstLine(const QString& line);

// Every double quote removed and a missing final ";" appended: the form a line is parsed in.
QString NormalizeSpoolLine(const QString& line);
// The fields joined into a record line, each ended by ";".
QString JoinSpoolFields(const QStringList& fields);
// A line beginning with "E;" in either case (after normalising) ends a page.
bool IsPageEndLine(const QString& line);

// A decimal integer, or hexadecimal after a leading "$" (either case of digits, wrapped to 32 bits as
// colours are); leading blanks allowed. Anything else, or a number out of range, gives def.
qint32 ParseSpoolInt(const QString& text, qint32 def = 0);
std::optional<qint32> TryParseSpoolInt(const QString& text);

// One record: its kind (upper-cased) and its fields after the kind. A missing field reads as empty, a
// numeric field that is empty or not a number as its default. next() and nextInt() read the fields in
// order from a cursor, as the drawing reads them.
class SpoolRecord {
public:
    explicit SpoolRecord(const QString& line);
    const QString& kind() const { return m_kind; }
    // Field n after the kind, from 1.
    QString field(int n) const;
    qint32 intField(int n, qint32 def = 0) const;
    int fieldCount() const { return int(m_fields.size()); }
    QString next();
    qint32 nextInt(qint32 def = 0);

private:
    QString m_kind;
    QStringList m_fields;
    int m_cursor = 0;
};

// ---- value words ------------------------------------------------------------------------------------

// A colour of the record syntax: 0x00BBGGRR, and whether it came from a system colour (16 to 35).
struct SpoolColour {
    qint32 rgb = 0;
    bool system = false;
};
// Colour words and numbers, resolved with the net, user and OCR colours of settings. Latin words count
// in any case; a word that is neither a colour word nor a number is black.
SpoolColour LookupColourWord(const QString& word, const TPmvxDEF& settings);
qint32 ColourByWord(const QString& word, const TPmvxDEF& settings);
// The Windows system colour n (1 to 20) as the classic scheme defines it.
qint32 SystemColour(int n);

// No background: the text is drawn transparent.
inline constexpr qint32 kNoBackground = -1;
// "1" and "OFF" are transparent, "ON" white; any other word is a colour word, where black and the
// system colours are transparent too.
qint32 BackgroundByWord(const QString& word, const TPmvxDEF& settings);

enum SpoolAlignment : qint32 { AlignLeft = 0, AlignCenter = 1, AlignRight = 2 };
// "CENTER" or "1" centre, "RIGHT", "2" or "BOTTOM" right, anything else left; compared exactly.
qint32 AlignmentByWord(const QString& word);

struct SpoolFontStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool doubleUnderline = false; // "DU": a second underline 0.4 mm under the text
    bool operator==(const SpoolFontStyle&) const = default;
};
// Compared exactly: callers upper-case the word except in "@" records.
SpoolFontStyle FontStyleByWord(const QString& word);

// Pen styles 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none, 6 inside frame (drawn solid,
// inside the shape's bounds); other numbers solid.
Qt::PenStyle PenStyleOf(int n);
bool PenIsInsideFrame(int n);
// Brush styles 0 solid, 1 none, 2 horizontal, 3 vertical, 4 forward diagonal, 5 backward diagonal,
// 6 cross, 7 diagonal cross; other numbers solid.
Qt::BrushStyle BrushStyleOf(int n);

// ---- header block -----------------------------------------------------------------------------------

struct SpoolHeader {
    QString path;
    QString version = QString::fromLatin1(kMavrolexVersion);
    QString date;
    QString title;
    QString formFile;
    qint32 paperSize = 9;
    qint32 outputPaper = 0;
    qint32 orientation = 0;
    qint32 topMargin = 0;
    qint32 leftMargin = 0;
    qint32 formTopMargin = 0;
    qint32 formLeftMargin = 0;
    qint32 netColor1 = 0;
    qint32 netColor2 = 0;
    qint32 userColor1 = 0;
    qint32 userColor2 = 0;
    bool formPrint = false;
    qint32 copies = 1;
    bool pageNoSwitch = false;
    qint32 pageNoLeft = 0;
    qint32 pageNoTop = 0;
    qint32 pageNoAlignment = 2;
    QString pageNoFormat;
};
// "$" and at least six upper-case hexadecimal digits; readers take either case.
QString SpoolHexColour(qint32 colour);
// The header block's lines in their order, magic lines included.
QStringList SpoolHeaderLines(const SpoolHeader& header);
// The header as a preview-file reader takes it: the first line beginning with each key, its value
// trimmed; PAPERSIZE and OUTPUTPAPER default to 9, the other numbers to 0; FORMPRINT only for "TRUE".
SpoolHeader ReadSpoolHeader(const QStringList& lines);

// ---- page numbers -----------------------------------------------------------------------------------

// "%d" placeholders of a page-number format, counted in either case.
int CountFormatPlaceholders(const QString& format);
// The format applied to integer arguments with the class library's Format rules ("%d", "%u", "%x" with
// width, precision, "-", "*" and "n:" index; "%%"); nullopt where that Format would fail (a placeholder
// for another type, too few arguments, a broken specifier). Extra arguments are ignored.
std::optional<QString> FormatIntegers(const QString& format, const QList<qint32>& args);

// Kinds that draw a line: a page holding one of them alone carries no page number.
bool IsLineKind(const QString& kind);
// A page's lines (its "E;" excluded) that get no page number: none at all, or exactly one record of kind
// ORIENTATION or a line kind. The page counting and the renderer (with the page's own lines, its
// page-number record left out) decide by this one rule.
bool PageHasNoNumber(const QStringList& pageLines);

// ---- reading files ----------------------------------------------------------------------------------

// A text file read line by line as the engine reads spool and form files: CP932, lines ended by CR LF or
// LF. Bound to a path first (assign), then opened; a text that is not valid CP932 decodes with
// replacement characters and never stops the reading.
class SpoolTextFile {
public:
    SpoolTextFile();
    ~SpoolTextFile();
    SpoolTextFile(const SpoolTextFile&) = delete;
    SpoolTextFile& operator=(const SpoolTextFile&) = delete;

    void assign(const QString& path);
    const QString& path() const { return m_path; }
    // Opens (or reopens at the start) the bound file for reading.
    bool open();
    bool isOpen() const { return m_file.isOpen(); }
    void close();
    void rewind();
    bool atEnd() const;
    // The next line without its line end; false at the end of the file.
    bool readLine(QString& line);

private:
    QString m_path;
    QFile m_file;
};
