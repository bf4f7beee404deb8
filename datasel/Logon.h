#pragma once
// The operator logon: the connection kind (data of this computer or of a data server), the data-server
// settings, and the operator code and password that the system database checks (LOGONUSERTEST). A
// logon fills SystemDef's operator fields and remembers the connection kind in the application ini.
// exec() gives 1 when the operator is logged on; anything else ends the program.

#include "controls/SDI.h"

#include <memory>

namespace Ui {
class TLogonBox;
}
class TAppIniCreateBox;

// The work folder on the data server for a server data folder: the product's server work folder beside
// the product's server data folder (sysDir less that folder); a data folder that does not end in it
// holds the work folder itself.
QString ServerWorkFolder(const QString& sysDir);

class TLogonBox : public TBSDI {
    Q_OBJECT
public:
    explicit TLogonBox(QWidget* owner = nullptr);
    ~TLogonBox() override;

    // The application's display name in the heading and the failure box; set before the dialog shows.
    void SetProgramDisplayName(const QString& name);

    // 1 client/server, else 0.
    int GetConnectKind() const;
    // The logon attempt of OK and F12.
    void OKBtnClick();
    // Disconnects and connects the system database again; false after its box.
    bool CheckDatabaseConnect();
    void btnSAClick();
    void btnServerSetteiClick();

    TAppIniCreateBox* SettingsBox() const { return m_settings; }
    Ui::TLogonBox& form() { return *ui; }

protected:
    void FormShow() override;
    void FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void readOperatorRow(qint32 opCode);
    void refuseCode();

    std::unique_ptr<Ui::TLogonBox> ui;
    // Kept for the dialog's life: the server settings may be opened more than once.
    TAppIniCreateBox* m_settings = nullptr;
    QString m_displayName;
};
