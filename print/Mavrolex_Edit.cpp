#include "print/Mavrolex_Edit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

TEditMvx::TEditMvx(QWidget* parent) : TxEdit(parent) {
    setKeyEdit3D(bsSingle);
}

void TEditMvx::setKeyStyles(TKeyStyles styles) {
    TxEdit::setKeyStyles(styles & TKeyStyles(ksEnter | ksLeft | ksUp | ksRight | ksDown));
}

void TEditMvx::setCurr(Money value) {
    if (value != Money())
        TxEdit::setCurr(value);
}

void TEditMvx::setLong(qint32 value) {
    if (value != 0)
        TxEdit::setLong(value);
}

void TEditMvx::keyPressEvent(QKeyEvent* e) {
    const QString typed = e->text();
    const bool printable = !typed.isEmpty() && typed.at(0).unicode() >= 32 && typed.at(0).unicode() != 127;
    if (m_maxLength > 0 && printable && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        text().size() - selectedText().size() + typed.size() > m_maxLength) {
        e->accept();
        return;
    }
    TxEdit::keyPressEvent(e);
}

void TEditMvx::inputMethodEvent(QInputMethodEvent* e) {
    QLineEdit::inputMethodEvent(e);
}

namespace {

bool isNumberEqualToZero(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && v == 0.0;
}

} // namespace

std::optional<QChar> FilterNumericKey(const QString& text, QChar key, int mode, bool wholeTextSelected) {
    const bool digit = key >= QLatin1Char('0') && key <= QLatin1Char('9');
    const bool backspace = key == kBackspace;
    const bool point = key == QLatin1Char('.');
    const bool minus = key == QLatin1Char('-');
    const auto zeroRefusedFor = [&](std::initializer_list<const char*> texts) {
        if (wholeTextSelected)
            return false;
        for (const char* t : texts)
            if (text == QLatin1String(t))
                return true;
        return false;
    };
    const bool pointRefused = text.contains(QLatin1Char('.')) || text.isEmpty();
    const bool minusRefused = !wholeTextSelected && !text.isEmpty();
    switch (mode) {
    case 0:
    case 1:
        if (backspace && mode == 1)
            return key;
        if (!digit)
            return std::nullopt;
        if (key == QLatin1Char('0') && isNumberEqualToZero(text))
            return std::nullopt;
        return key;
    case 2:
        if (backspace)
            return key;
        if (point)
            return pointRefused ? std::nullopt : std::optional<QChar>(key);
        if (!digit)
            return std::nullopt;
        if (key == QLatin1Char('0') && zeroRefusedFor({"0", "."}))
            return std::nullopt;
        return key;
    case 3:
        if (backspace)
            return key;
        if (minus)
            return minusRefused ? std::nullopt : std::optional<QChar>(key);
        if (!digit)
            return std::nullopt;
        if (key == QLatin1Char('0') && zeroRefusedFor({"0", "-"}))
            return std::nullopt;
        return key;
    case 4:
        if (backspace)
            return key;
        if (point)
            return pointRefused ? std::nullopt : std::optional<QChar>(key);
        if (minus)
            return minusRefused ? std::nullopt : std::optional<QChar>(key);
        if (!digit)
            return std::nullopt;
        if (key == QLatin1Char('0') && zeroRefusedFor({"0", ".", "-"}))
            return std::nullopt;
        return key;
    default:
        return std::nullopt;
    }
}
