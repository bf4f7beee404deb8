#pragma once
// The dialog "ログインユーザー": lists the other operators logged on in the system database (table
// LOGONUSERLIST) with the hint that a version upgrade cannot run while they are. Started by name as
// "WebMenuL"; the result of a modal run is 1 when anyone else is logged on, else 0. With nobody else
// logged on the dialog closes as soon as it shows.

#include "controls/SDI.h"
#include "core/DialogRegistry.h"

#include <QList>
#include <memory>

namespace Ui {
class TfmWebMenuL;
}

class TPerfectGrid;

// Registers the dialog under "WebMenuL" (done once by the program's start-up).
void RegisterWebMenuL();

// One listed operator.
struct TLoginUserR {
    qint32 OpCode = 0; // the operator code within the group
    qint32 Group = 0;
    QString OpName;    // empty when the operator has no OPERATOR row
};

class TfmWebMenuL : public TBSDI, public ISyoriKidou {
    Q_OBJECT
public:
    // A database error while loading is reported and passed on: the dialog is then not created.
    explicit TfmWebMenuL(QWidget* owner = nullptr);
    ~TfmWebMenuL() override;

    int Execute(bool modal) override;
    void SetParams(const QStringList& params) override;
    virtual void Setup(bool flag);

    // Loads the other logged-on operators (as many as there are); false when there is none.
    bool fnDBConect_OP();

    QList<TLoginUserR> Users;
    QStringList Params;
    int SyoriType = 0;
    bool SetupFlag = false;

    TPerfectGrid* Grid() const;
    void done(int r) override;
    Ui::TfmWebMenuL& form() { return *ui; }

protected:
    void ShowingChanged(bool Visible) override;
    void FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void showUsers();

    std::unique_ptr<Ui::TfmWebMenuL> ui;
};
