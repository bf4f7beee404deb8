#pragma once
// The engine's own edit control and the key filter that keeps its number fields to signed whole numbers.
// The edit is the framework's key-navigating edit with the engine's defaults: a single border, and an
// amount or integer of 0 that leaves the text as it is.

#include "controls/xEdit.h"

#include <QChar>
#include <QString>
#include <optional>

class TEditMvx : public TxEdit {
    Q_OBJECT
public:
    explicit TEditMvx(QWidget* parent = nullptr);

    // Only ksEnter, ksLeft, ksUp, ksRight and ksDown are taken from the set.
    void setKeyStyles(TKeyStyles styles);

    // A non-zero value is shown as text; 0 leaves the text unchanged.
    void setCurr(Money value);
    void setLong(qint32 value);

    // At most this many characters can be typed (0: no limit); a text set by the program, such as a spin
    // button's "-100", is taken whole.
    int MaxLength() const { return m_maxLength; }
    void setMaxLength(int length) { m_maxLength = length; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    // Input methods on Linux hand over no reading: only typed characters are collected (keyPressEvent).
    void inputMethodEvent(QInputMethodEvent* e) override;

private:
    int m_maxLength = 0;
};

// Backspace as a typed character.
inline constexpr QChar kBackspace = QChar(8);

// The key if the field may take it in mode 0 to 4, nothing when it is refused:
//   0 digits; 1 Backspace and digits; 2 Backspace, "." and digits; 3 Backspace, "-" and digits;
//   4 Backspace, "-", "." and digits.
// "0" is refused where it would only repeat a leading zero, "." where the text has one or is empty, and
// "-" into a non-empty text, each unless the whole text is selected (modes 2 to 4).
std::optional<QChar> FilterNumericKey(const QString& text, QChar key, int mode, bool wholeTextSelected);
