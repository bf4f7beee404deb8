#pragma once
// The print engine's error log and the small file and text services its units share.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

class SpoolTextFile;

// A failure of the engine's own file work, passed on to the caller (its text is the error).
class EMavrolexError : public std::runtime_error {
public:
    explicit EMavrolexError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// The engine's clock (the log's time stamps, the spool header's date); tests replace it.
extern std::function<QDateTime()> MavrolexClock;
QDateTime MavrolexNow();

// "<documents>/Mavrolex_Error.log".
QString MavrolexErrorLogPath();
// Appends "yy/mm/dd hh:nn:ss  " and the message as one CP932 line, creating the documents folder and the
// log when missing. The engine keeps its failures from the operator, so a log that cannot be written
// must not end the operation that wanted to log: the result is false and nothing is thrown.
bool WriteMavrolexErrorLog(const QString& message) noexcept;
// "<context>:<error>", the form of almost every entry.
bool WriteMavrolexErrorLog(const QString& context, const QString& error) noexcept;

// Special folder numbers the engine asks for.
inline constexpr int CSIDL_PERSONAL = 5;
inline constexpr int CSIDL_COMMON_APPDATA = 35;
// The folder's path, not created; an unknown number shows an error box and gives an empty text.
QString SpecialFolderPath(int csidl);

// "<" + path + "> が見つかりません。"
QString NotFoundMessage(const QString& path);
// Binds file to the full path when it names an existing file (the file is not opened). An empty path is
// false without a message; a missing file shows NotFoundMessage with the path as given.
bool OpenTextFileChecked(SpoolTextFile& file, const QString& path);

// Splits text at separator; returns how many separators were found.
int SplitFields(const QString& text, QChar separator, QStringList& parts);
// Part n (from 0) of the line cut at its first "//" and split at separator into at most 100 parts,
// blanks trimmed; empty when the line has fewer parts.
QString NthField(const QString& line, QChar separator, int n);
// The text as a number; 0 when it is not one.
double StrToFloatSafe(const QString& text);
