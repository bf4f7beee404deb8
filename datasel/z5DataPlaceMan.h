#pragma once
// The dialog "データの場所の設定": the data places of the data server (table DATAPLACEMAN). Place 0 is
// the server's standard data folder with the ordinary list DATALIST; every other named place has its
// own list, the rows of DATALIST_EX with its number. The data-selection dialog keeps one object: it
// fills its place combo from NamedPlacesText and maps a combo index with RecAt and PathAt. Every
// change is stored at once; "閉じる" only closes (the form is hidden).

#include "controls/SDI.h"

#include <QList>
#include <memory>

namespace Ui {
class TDataPlaceBox;
}

class TPerfectGrid;

struct TDataPlaceRec {
    qint32 Rec = 0;
    qint32 State = 0; // 0 unchanged, 1 named for the first time, 2 name or order changed, 9 deleted
    qint32 Order = 0;
    QString Path;
    QString Name;
    QString Spare;
};
using TDataPlaceList = QList<TDataPlaceRec>;

class TDataPlaceBox : public TBSDI {
    Q_OBJECT
public:
    explicit TDataPlaceBox(QWidget* owner = nullptr);
    ~TDataPlaceBox() override;

    TDataPlaceList Places;
    bool SetupFlag = false;

    void Setup(bool flag);
    void Refresh();
    bool LoadPlaces(bool onlyNamed);
    // Throws the database error after rolling back an own transaction.
    void SavePlaces();
    bool PlaceHasData(qint32 place);
    QString NamedPlacesText();
    qint32 RecAt(int index) const;
    QString PathAt(int index) const;
    int IndexOfRec(qint32 place) const;
    QString PathOfRec(qint32 place) const;

    // The buttons' work, also for tests.
    void F2Click();
    void F3Click();
    void F5Click();
    void F6Click();
    void F7Click();
    void SetKeys();
    TPerfectGrid* Grid() const;
    Ui::TDataPlaceBox& form() { return *ui; }

protected:
    void ShowingChanged(bool Visible) override;
    void FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    int focusedRow() const;
    void focusGrid();
    void moveRow(int step);
    // The new name from the input dialog; empty when cancelled or refused.
    bool askName(const QString& caption, const QString& prompt, const QString& initial, const QString& hint,
                 QString& name);

    std::unique_ptr<Ui::TDataPlaceBox> ui;
};
