#pragma once
// Remembered screen values: one text per operator and screen, kept in STYLECOLOR rows whose style name
// starts with "020-". What the text holds is the screen's own business. Nothing is read or written for
// operator key 0 (nobody logged on) or an empty screen key.

#include <QString>

class TGamenKeyValue {
public:
    // Takes the operator key of SystemDef as it stands now.
    TGamenKeyValue();

    void ClearValue() { m_value.clear(); }
    // The prefix and the key, upper-cased, cut to 40 bytes and trimmed.
    void SetStyleName(const QString& Key);
    // Value receives the stored text; without a stored row it keeps what it held.
    void FukugenValue(const QString& Key, QString& Value);
    void HozonValue(const QString& Key, const QString& Value);

    qint32 operatorKey() const { return m_opcode; }
    const QString& styleName() const { return m_styleName; }
    const QString& value() const { return m_value; }

private:
    qint32 m_opcode = 0;
    QString m_prefix = QStringLiteral("020-");
    QString m_styleName;
    QString m_value;
};
