#include "tusin/z5HikakuMess2.h"

#include "ui_z5HikakuMess2.h"

int HikakuAnswer = 1;
QPointer<TfmHikakuMess2> fmHikakuMess2;

TfmHikakuMess2::TfmHikakuMess2(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui(std::make_unique<Ui::TfmHikakuMess2>()) {
    ui->setupUi(this);
    HikakuAnswer = 1;
    resize(456, 190);
    connect(ui->Button1, &QPushButton::clicked, this, [this] {
        HikakuAnswer = 1;
        close();
    });
    connect(ui->Button2, &QPushButton::clicked, this, [this] {
        HikakuAnswer = 0;
        close();
    });
}

TfmHikakuMess2::~TfmHikakuMess2() = default;

QLabel* TfmHikakuMess2::label(int n) const {
    QLabel* const labels[] = {ui->Label1, ui->Label2, ui->Label3, ui->Label4, ui->Label5,
                              ui->Label6, ui->Label7, ui->Label8, ui->Label9};
    return labels[std::clamp(n, 1, 9) - 1];
}

QPushButton* TfmHikakuMess2::Button1() const {
    return ui->Button1;
}

QPushButton* TfmHikakuMess2::Button2() const {
    return ui->Button2;
}
