#include "controls/xWizard.h"
#include "controls/SafeCall.h"

TxWizard::TxWizard(QWidget* parent) : QStackedWidget(parent)
{
    if (m_nextCap.isEmpty())
        m_nextCap = QStringLiteral("次へ(&N) >");
    if (m_nextFinCap.isEmpty())
        m_nextFinCap = QStringLiteral("完了(&F)");
    if (m_backCap.isEmpty())
        m_backCap = QStringLiteral("< 戻る(&B)");
}

void TxWizard::setNextButton(QAbstractButton* button)
{
    disconnect(m_nextBinding);
    m_next = button;
    if (!button)
        return;
    m_nextBinding = connect(button, &QAbstractButton::clicked, this, [this, button] {
        guarded([&] { NextClick(button); });
    });
    button->setText(count() == 1 ? m_nextFinCap : m_nextCap);
}

void TxWizard::setBackButton(QAbstractButton* button)
{
    disconnect(m_backBinding);
    m_back = button;
    if (!button)
        return;
    m_backBinding = connect(button, &QAbstractButton::clicked, this, [this, button] {
        guarded([&] { BackClick(button); });
    });
    button->hide();
    button->setText(m_backCap);
}

void TxWizard::setLblHeader(QLabel* label)
{
    m_lblHeader = label;
    if (label && m_headerCaption.size() >= currentIndex() + 1 && currentIndex() >= 0)
        label->setText(m_headerCaption.at(currentIndex()));
}

void TxWizard::setLblInfo(QLabel* label)
{
    m_lblInfo = label;
    if (label && m_infoCaption.size() >= currentIndex() + 1 && currentIndex() >= 0)
        label->setText(m_infoCaption.at(currentIndex()));
}

// A page without a line leaves the label as it was.
void TxWizard::showPageLines()
{
    const int page = currentIndex();
    if (page < 0)
        return;
    if (m_lblHeader && m_headerCaption.size() >= page + 1)
        m_lblHeader->setText(m_headerCaption.at(page));
    if (m_lblInfo && m_infoCaption.size() >= page + 1)
        m_lblInfo->setText(m_infoCaption.at(page));
}

void TxWizard::NextClick(QObject* Sender)
{
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

void TxWizard::BackClick(QObject* Sender)
{
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
