#pragma once
// Base64 of the relay service's query values and reply lines. The decoder is the service's own lossy
// one, not RFC 4648's: every character takes a place in its group, characters outside the alphabet add
// no bits, and a second or third byte of a group that comes out 0 is dropped (that is how the padding
// goes). Texts travel as CP932 bytes.

#include <QByteArray>
#include <QObject>
#include <QString>

enum TJisByteCodeType { btAscii, btRoman };
enum TJisKanaConvType { ktNone, ktZenWithDaku, ktZenSepaDaku };

class TxPzConv : public QObject {
    Q_OBJECT
public:
    explicit TxPzConv(QObject* owner = nullptr) : QObject(owner) {}

    // Kept for the component's users; the conversions do not read them.
    TJisByteCodeType JisByteCodeType = btAscii;
    TJisKanaConvType JisKanaConvType = ktZenWithDaku;

    static QString EncodeBase64(const QByteArray& bytes);
    static QByteArray DecodeBase64(const QString& text);
    static QByteArray DecodeBase64(const QByteArray& text);
};
