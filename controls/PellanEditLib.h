#pragma once
// Types of the formatted edit that owners and form layouts use, and the number formatting it applies.

#include <QFlags>
#include <QString>

// Ordinals as form layouts store them; sets are bytes with bit 2^ordinal.
enum TEditStyle : quint8 { esNone, esNumeric, esFloat, esNumericMinus, esFloatMinus };
enum TKanaMode : quint8 { kmNone, kmZenkaku, kmHankaku };
enum TZeroKey : quint8 { zkNone, zkDot, zkPlus, zkMinus, zkAsterisk, zkSlash };
enum TAutoNextCtl : quint8 { acMaxLength = 1, acTabKey = 2, acDownKey = 4, acSendEnter = 8 };
Q_DECLARE_FLAGS(TAutoNextCtls, TAutoNextCtl)
Q_DECLARE_OPERATORS_FOR_FLAGS(TAutoNextCtls)

// The character a zero key types ("." for zkDot ...); a null character for zkNone.
QChar ZeroKeyChar(TZeroKey key);

// Number of "," in the text.
int CommaCount(const QString& text);

// The number in text (blanks around it, an optional sign, digits with an optional "." fraction; 0 when
// it is no such number) formatted with a float format as the class library knows it: "0" and "#" digit
// placeholders, "," for grouping, "." for the decimals, quoted or other characters before and after the
// digits kept, up to three sections "positive;negative;zero". Decimals are rounded half away from zero
// on the decimal digits themselves, so no binary rounding creeps in: "#,##0" gives 1234567 as
// "1,234,567".
QString FormatFloatText(const QString& format, const QString& text);
