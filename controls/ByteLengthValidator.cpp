#include "controls/ByteLengthValidator.h"
#include "platform/Cp932.h"

TByteLengthValidator::TByteLengthValidator(QLineEdit* edit, std::function<int()> limit)
    : QValidator(edit), m_limit(std::move(limit)) {
    edit->setValidator(this);
    accept(edit->text());
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { accept(text); });
}

QValidator::State TByteLengthValidator::validate(QString& input, int&) const {
    if (m_cp932Only && !cp932::canEncode(input))
        return Invalid;
    const int limit = m_limit ? m_limit() : 0;
    if (limit <= 0)
        return Acceptable;
    const qsizetype bytes = cp932::byteLength(input);
    return bytes > limit && bytes > m_acceptedBytes ? Invalid : Acceptable;
}

void TByteLengthValidator::accept(const QString& text) {
    m_acceptedBytes = cp932::byteLength(text);
}
