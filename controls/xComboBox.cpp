#include "controls/xComboBox.h"
#include "controls/SafeCall.h"
#include "platform/Cp932.h"
#include <QAbstractItemView>
#include <QFocusEvent>
#include <QLineEdit>

TxComboBox::TxComboBox(QWidget* parent) : KeyNavigating<QComboBox>(parent) {
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::editTextChanged, this,
            [this](const QString& text) { guarded([&] { codeSearch(text); }); });
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_remembered = index;
    });
    view()->installEventFilter(this);
}

void TxComboBox::setEditable(bool editable) {
    QComboBox::setEditable(editable);
    if (editable)
        setCompleter(nullptr);
}

bool TxComboBox::listDropped() const {
    return view()->isVisible();
}

void TxComboBox::selectFirstItem() {
    if (count() == 0)
        return;
    setCurrentIndex(0);
    if (isEditable())
        setEditText(itemText(0));
    m_remembered = 0;
}

void TxComboBox::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Delete) {
        int caret = lineEdit() ? (lineEdit()->hasSelectedText() ? lineEdit()->selectionStart()
                                                                : lineEdit()->cursorPosition())
                               : 0;
        if (listDropped() || caret == 0 || currentText().isEmpty()) {
            e->accept();
            selectFirstItem();
            return;
        }
    }
    if (!listDropped() && navigateKey(e))
        return;
    QComboBox::keyPressEvent(e);
}

// Delete while the list is open reaches the list, not the combo box.
bool TxComboBox::eventFilter(QObject* watched, QEvent* e) {
    if (watched == view() && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete) {
        selectFirstItem();
        return true;
    }
    return QComboBox::eventFilter(watched, e);
}

void TxComboBox::showPopup() {
    if (QWidget* list = view()->parentWidget())
        list->setMinimumWidth(m_dropDownWidth);
    QComboBox::showPopup();
}

void TxComboBox::hidePopup() {
    QComboBox::hidePopup();
    if (m_remembered < 0 || m_remembered >= count())
        return;
    if (currentIndex() < 0)
        setCurrentIndex(m_remembered);
    else if (isEditable())
        setEditText(itemText(m_remembered));
}

void TxComboBox::focusInEvent(QFocusEvent* e) {
    if (isEditable() && completer())
        setCompleter(nullptr);
    QComboBox::focusInEvent(e);
    if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
        m_remembered = currentIndex();
}

void TxComboBox::focusOutEvent(QFocusEvent* e) {
    if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason) {
        int keep = m_remembered < count() ? m_remembered : -1;
        setCurrentIndex(keep);
        if (keep >= 0 && isEditable())
            setEditText(itemText(keep));
    }
    QComboBox::focusOutEvent(e);
}

// The list's prefix search: ignores ASCII case, starts at the current item and wraps at the end.
int TxComboBox::findCode(const QByteArray& code) const {
    const QByteArray wanted = code.toLower();
    const int n = count();
    const int start = currentIndex() < 0 ? 0 : currentIndex();
    for (int k = 0; k < n; ++k) {
        int i = (start + k) % n;
        if (cp932::encodeLossy(itemText(i)).toLower().startsWith(wanted))
            return i;
    }
    return -1;
}

void TxComboBox::codeSearch(const QString& text) {
    if (m_keyLen <= 0 || m_searching)
        return;
    const QByteArray bytes = cp932::encodeLossy(text);
    const bool doubleByteFirst = !bytes.isEmpty() && cp932::isLeadByte(uchar(bytes.at(0)));
    const QByteArray term = cp932::encodeLossy(m_keyTerm);
    const qsizetype p = term.isEmpty() ? -1 : bytes.indexOf(term);
    const qsizetype n = (p >= 0 && p < m_keyLen) ? p : m_keyLen;
    QByteArray code = bytes.left(n);
    // Blanks and control characters around the code do not count.
    while (!code.isEmpty() && uchar(code.front()) <= ' ')
        code.remove(0, 1);
    while (!code.isEmpty() && uchar(code.back()) <= ' ')
        code.chop(1);
    if (code.isEmpty())
        return;
    if (doubleByteFirst) {
        m_remembered = currentIndex();
        return;
    }
    int found = findCode(code);
    if (found >= 0) {
        m_remembered = found;
        return;
    }
    m_searching = true;
    setCurrentIndex(-1);
    if (QLineEdit* edit = lineEdit()) {
        edit->setText(cp932::decode(code));
        edit->setCursorPosition(int(edit->text().size()));
    }
    m_searching = false;
}
