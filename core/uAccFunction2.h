#pragma once
// Free-standing routines shared by the whole framework: money rounding, flags, byte-width text (widths
// count CP932 bytes; a cut never leaves half a double-byte character in a QString), cleaning and
// splitting, version texts, date and period texts, and the scrambling of stored secrets.

#include "core/Money.h"
#include "core/TDateTime.h"
#include "core/uAccRecord.h"
#include "platform/Cp932Map.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// ---- numbers ---------------------------------------------------------------------------------------

// To whole units: mode 0 truncates toward zero, 1 rounds away from zero when a fraction remains, any
// other mode rounds half away from zero.
Money RoundKingaku(int mode, Money amount);
// "#,##0": 1234567 gives "1,234,567", -1500 gives "-1,500".
QString IntToComma(qint64 value);
// The text as an amount (no thousands separators), 0 when it cannot be read.
Money StrToCurrSafe(const QString& text);
// The text read with the process short date format, 0 when it cannot be read.
TDateTime StrToDateSafe(const QString& text);
// high × factor + low in 16 bits (the job level number uses factor 1000).
quint16 CombineWord(quint16 high, quint16 low, quint16 factor);
// Sets bit n - 1 for n = 1..24; any other n leaves the flags unchanged.
void SetFlagBit(quint32& flags, int n);
// Bit n - 1 of the value, the shift taken modulo 32.
bool IsFlagBitSet(quint32 value, int n);
int BoolToInt(bool value);
// The grey of the average channel (0x00BBGGRR colours); white and black stay.
quint32 ToGrayColor(quint32 colour);

// ---- byte-width texts --------------------------------------------------------------------------------

// Exactly n bytes: the first n, or the text filled with blanks on the right; a double-byte character cut
// at the end becomes a blank.
QString LeftStrB(const QString& text, int n);
QByteArray LeftStrB(const QByteArray& bytes, int n);
// At most n bytes: the longest head of the text that fits, not filled; a double-byte character that does
// not fit is left out whole.
QString HeadStrB(const QString& text, int n);
// Exactly n bytes: the last n, or the text filled with blanks on the left. The byte form does not repair
// a cut (the result may start with a trail byte); a QString cannot hold half a character, so there the
// cut character becomes a blank.
QString RightStrB(const QString& text, int n);
QByteArray RightStrB(const QByteArray& bytes, int n);
// Exactly n bytes: the text filled with "0" on the left, or its rightmost n bytes when it is longer.
QString ZeroPadLeft(const QString& text, int n);
// Broken double-byte characters (a lead byte without a valid trail byte, a lead byte at the end) become
// blanks; the length never changes.
QByteArray RepairMbcs(const QByteArray& bytes);
// Whether byte n (1-based; beyond the end: the last byte) starts a double-byte character.
bool IsLeadByteAt(const QByteArray& bytes, int n);
bool IsLeadByteAt(const QString& text, int n);
bool HasText(const QString& text);

// ---- cleaning and splitting ------------------------------------------------------------------------------

// Without blanks, control characters and full-width blanks at both ends.
QString TrimZenkaku(const QString& text);
// Without any blank or full-width blank.
QString DeleteAllSpaces(const QString& text);
// Without TAB, CR and LF.
QString DeleteCtrlChars(const QString& text);
// Drops "//" and what follows, then splits at the separator into parts (empty parts kept) and returns the
// index of the last part. An empty text returns 0 and leaves parts as they were.
int SplitStr(const QString& text, QChar separator, QStringList& parts);
// Line n (1-based) of the text, every separator counting as a line break; empty when there is none.
QString GetLineOfText(const QString& text, const QString& separator, int n);
// The whole line "name=value" of the first line whose name equals name (case-insensitive), else empty.
QString GetValueOfName(const QString& lines, const QString& name);
// The locale mapping of the text with cp932::MapFlag flags.
QString MapStringLC(quint32 flags, const QString& text);
// Lowers every trail byte 0x81-0x9A by 0x21, which raises ａ-ｚ to Ａ-Ｚ; a search maps both sides the
// same way. The byte form keeps the length and a lone lead byte at the end.
QString ZenkakuUpperCase(const QString& text);
QByteArray ZenkakuUpperCase(const QByteArray& bytes);

// ---- versions ----------------------------------------------------------------------------------------

// The first four dotted numbers (0 where a part is no number); Text keeps the given text.
TVersionRec ParseVersion(const QString& text);
// Compare Major, Minor and Release field by field (Build is not compared).
bool IsVersionNewer(const QString& a, const QString& b);
bool IsVersionAtLeast(const QString& a, const QString& b);

// ---- date texts ------------------------------------------------------------------------------------------

// Empty for date 0; kind 2 "yy/mm/dd", 4 "yyyy/mm/dd", any other "yyyy/mm/dd hh:nn".
QString DateToStrKind(int kind, TDateTime date);
// The text read with the framework's fixed formats ("yyyy/MM/dd", "hh:mm:ss"), 0 when unreadable.
TDateTime StrToDateFixed(const QString& text);
// "from ～ to", in era letters when SystemDef.WarekiDisp is 1.
QString KikanToStr(TDateTime from, TDateTime to);
// Era text kind: 0 none (trimmed), 1 era name, 2 era letter, 3 era letter without blanks
// (DateToStrJpn: era name), any other the era name.
QString DateToStrFmt(const QString& word, int kind, TDateTime date);
QString DateToStrJpn(const QString& word, int kind, TDateTime date);

// ---- scrambling of stored secrets ----------------------------------------------------------------------

struct TEasyEncodeInfo {
    qint32 TargetLength = 0; // the plain text is filled to this length before coding
    qint32 PlainLength = 0;  // decoding stops after this many characters
    QString Key;
    QString PlainText;
    QString CodedText;
};

// A dataset's data password is kept coded (setting "データパスワードV2") with this key, both lengths 8.
inline const QString DataPasswordCodeKey = QStringLiteral("quelvor");
constexpr qint32 DataPasswordCodeLength = 8;

// Both lengths 0, both texts empty; the key stays.
void EasyEncodeClear(TEasyEncodeInfo& info);
// Codes PlainText (filled with A..Z up to TargetLength) into CodedText. Only the 62 letters and digits can
// be coded: any other character gives false and an empty CodedText.
bool EasyEncode(TEasyEncodeInfo& info);
// Decodes CodedText into PlainText, at most PlainLength characters; false and an empty PlainText when
// a character outside the alphabet stands among them.
bool EasyDecode(TEasyEncodeInfo& info);
