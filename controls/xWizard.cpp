#include "controls/xWizard.h"
#include "controls/SafeCall.h"

TxWizard::TxWizard(QWidget* parent) : QStackedWidget(parent) {}

QMetaObject::Connection TxWizard::bind(QAbstractButton* button, void (TxWizard::*handler)(QObject*)) {
    return connect(button, &QAbstractButton::clicked, this,
                   [this, button, handler] { guarded([&] { (this->*handler)(button); }); });
}

void TxWizard::setNextButton(QAbstractButton* button) {
    disconnect(m_nextBinding);
    m_next = button;
    if (!button)
        return;
    m_nextBinding = bind(button, &TxWizard::NextClick);
    button->setText(count() == 1 ? m_nextFinCap : m_nextCap);
}

void TxWizard::setBackButton(QAbstractButton* button) {
    disconnect(m_backBinding);
    m_back = button;
    if (!button)
        return;
    m_backBinding = bind(button, &TxWizard::BackClick);
    button->hide();
    button->setText(m_backCap);
}

void TxWizard::setLblHeader(QLabel* label) {
    m_lblHeader = label;
    showLine(label, m_headerCaption);
}

void TxWizard::setLblInfo(QLabel* label) {
    m_lblInfo = label;
    showLine(label, m_infoCaption);
}

// A page without a line leaves the label as it was.
void TxWizard::showLine(QLabel* label, const QStringList& lines) {
    const int page = currentIndex();
    if (label && page >= 0 && lines.size() >= page + 1)
        label->setText(lines.at(page));
}

void TxWizard::showPageLines() {
    showLine(m_lblHeader, m_headerCaption);
    showLine(m_lblInfo, m_infoCaption);
}

void TxWizard::NextClick(QObject* Sender) {
    const bool last = isLastPage();
    bool allow = true;
    if (OnNextClicking)
        OnNextClicking(Sender, false, allow);
    if (!allow)
        return;
    bool finalState = false;
    if (count() == 1 || last) {
        finalState = true;
    } else {
        setCurrentIndex(currentIndex() + 1);
        showPageLines();
        if (m_back)
            m_back->show();
    }
    if (isLastPage() && m_next)
        m_next->setText(m_nextFinCap);
    if (OnNextClick)
        OnNextClick(Sender, finalState);
}

void TxWizard::BackClick(QObject* Sender) {
    if (count() <= 1 || currentIndex() <= 0) {
        if (m_back)
            m_back->hide();
    } else {
        setCurrentIndex(currentIndex() - 1);
        showPageLines();
        if (m_next)
            m_next->setText(m_nextCap);
    }
    if (currentIndex() == 0 && count() > 1 && m_back)
        m_back->hide();
    if (OnBackClick)
        OnBackClick(Sender);
}
