#pragma once
// A page stack driven as a wizard by a Back and a Next button that live elsewhere on the form: keeps
// the Next caption right for the last page, shows a header and an information line per page in two
// labels, and reports the presses. A Next press on the last page does not move: it arrives as
// OnNextClick with FinalState true, where the owner does the final work. Page changes are the stack's
// currentChanged signal.

#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QStringList>
#include <functional>

class TxWizard : public QStackedWidget {
    Q_OBJECT
public:
    explicit TxWizard(QWidget* parent = nullptr);

    // Fired at the end of every Back press, with the clicked button as sender.
    std::function<void(QObject* Sender)> OnBackClick;
    // Fired at the end of an allowed Next press.
    std::function<void(QObject* Sender, bool FinalState)> OnNextClick;
    // Asked at the start of every Next press (FinalState is always false); clearing AllowChange stops it.
    std::function<void(QObject* Sender, bool FinalState, bool& AllowChange)> OnNextClicking;

    QAbstractButton* NextButton() const { return m_next; }
    // Binds the button's click to the Next handling and sets its caption.
    void setNextButton(QAbstractButton* button);
    QAbstractButton* BackButton() const { return m_back; }
    // Binds the button's click to the Back handling, hides it and sets its caption.
    void setBackButton(QAbstractButton* button);
    QLabel* LblHeader() const { return m_lblHeader; }
    void setLblHeader(QLabel* label);
    QLabel* LblInfo() const { return m_lblInfo; }
    void setLblInfo(QLabel* label);
    // One line per page, by page index.
    QStringList HeaderCaption() const { return m_headerCaption; }
    void setHeaderCaption(const QStringList& lines) { m_headerCaption = lines; }
    QStringList InfoCaption() const { return m_infoCaption; }
    void setInfoCaption(const QStringList& lines) { m_infoCaption = lines; }
    QString NextButtonCap() const { return m_nextCap; }
    void setNextButtonCap(const QString& c) { m_nextCap = c; }
    QString NextButtonFinCap() const { return m_nextFinCap; }
    void setNextButtonFinCap(const QString& c) { m_nextFinCap = c; }
    QString BackButtonCap() const { return m_backCap; }
    void setBackButtonCap(const QString& c) { m_backCap = c; }
    int PageIndex() const { return currentIndex(); }
    void setPageIndex(int index) { setCurrentIndex(index); }

    void NextClick(QObject* Sender);
    void BackClick(QObject* Sender);

private:
    QMetaObject::Connection bind(QAbstractButton* button, void (TxWizard::*handler)(QObject*));
    void showLine(QLabel* label, const QStringList& lines);
    void showPageLines();
    bool isLastPage() const { return count() == currentIndex() + 1; }

    QPointer<QAbstractButton> m_next;
    QPointer<QAbstractButton> m_back;
    QMetaObject::Connection m_nextBinding;
    QMetaObject::Connection m_backBinding;
    QPointer<QLabel> m_lblHeader;
    QPointer<QLabel> m_lblInfo;
    QStringList m_headerCaption;
    QStringList m_infoCaption;
    QString m_nextCap = QStringLiteral("次へ(&N) >");
    QString m_nextFinCap = QStringLiteral("完了(&F)");
    QString m_backCap = QStringLiteral("< 戻る(&B)");
};
