#pragma once
// The comparison dialog: how the relay server's copy differs from the local dataset (password, company
// name, period), and whether to overwrite it. The answer stays in HikakuAnswer: 1 yes (also when the
// dialog closes other than through a button), 0 no.

#include <QDialog>
#include <QPointer>
#include <memory>

class QLabel;
class QPushButton;
namespace Ui {
class TfmHikakuMess2;
}

extern int HikakuAnswer;

class TfmHikakuMess2 : public QDialog {
    Q_OBJECT
public:
    explicit TfmHikakuMess2(QWidget* owner = nullptr);
    ~TfmHikakuMess2() override;
    // Label 1 to 9.
    QLabel* label(int n) const;
    QPushButton* Button1() const;
    QPushButton* Button2() const;

private:
    std::unique_ptr<Ui::TfmHikakuMess2> ui;
};

extern QPointer<TfmHikakuMess2> fmHikakuMess2;
