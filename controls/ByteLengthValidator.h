#pragma once
// A text limit in CP932 bytes for a line edit (Windows edits count bytes, not characters). Only an edit
// that makes the text longer is refused: a text the program set beyond the limit can still be shortened.
// The validator follows the edit's text, since it only sees the text already changed.

#include <QLineEdit>
#include <QValidator>
#include <functional>

class TByteLengthValidator : public QValidator {
public:
    // limit: the current limit in bytes, 0 or less for none. Installs itself on the edit.
    TByteLengthValidator(QLineEdit* edit, std::function<int()> limit);
    State validate(QString& input, int& pos) const override;
    // Takes the edit's text as accepted (the edit calls it on every change).
    void accept(const QString& text);
    // Also refuse characters CP932 cannot hold (typed or pasted), as an edit of a code-page text does.
    void setCp932Only(bool on) { m_cp932Only = on; }

private:
    std::function<int()> m_limit;
    qsizetype m_acceptedBytes = 0;
    bool m_cp932Only = false;
};
