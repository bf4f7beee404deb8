#pragma once
// The application ini (SystemDef.AppIniFile): window defaults, the connection kind and, per kind
// ("LOCAL" stand-alone, "SERVER" client/server), where the system database lives and how to log on to
// it; and TAppIniCreateBox, the dialog in which the operator enters the data-server settings.

#include "controls/SDI.h"

#include <memory>

namespace Ui {
class TAppIniCreateBox;
}

// Mode 1 writes the file with its default sections and no dialog: DATABASE and MAINFORM removed,
// APPLICATION at its defaults, LOCAL from SystemDef (no host in stand-alone mode), SERVER with empty host
// and data root. Any other mode rewrites only the section of the current connection mode from SystemDef.
// The file holds the database password and is readable by its owner only. False when it cannot be
// written.
bool WriteAppIni(int mode);
// APPLICATION/CONNECT: 0 stand-alone, 1 client/server (0 when missing or not numeric).
int ReadConnectKind();
// Kinds below 3 are stored; false when the file cannot be written.
bool SaveConnectKind(int kind);
// SystemDef's connection values from LOCAL (kind 0) or SERVER (1): host, GOGLOBAL only when exactly
// "YES", data folder, user upper-cased (default "PELLAN"), password lower-cased (default "vintor"); no
// group use.
void ReadDbSettings(int kind);

class TAppIniCreateBox : public TBSDI {
    Q_OBJECT
public:
    explicit TAppIniCreateBox(QWidget* owner = nullptr);
    ~TAppIniCreateBox() override;

    // The section this dialog edits: always 1 ("SERVER").
    int SectionKind = 1;

    // The methods of the file, as the logon and the start-up call them.
    bool WriteAppIni(bool firstCreation) { return ::WriteAppIni(firstCreation ? 1 : 0); }
    int ReadConnectKind() { return ::ReadConnectKind(); }
    bool SaveConnectKind(int kind) { return ::SaveConnectKind(kind); }
    bool ReadDbSettings(int kind) {
        ::ReadDbSettings(kind);
        return true;
    }

    // Takes the edits into SystemDef and, when they pass, writes the section of the connection mode and
    // closes with 1. Refusals show their box and leave the dialog open.
    void OKBtnClick();
    void btnCompShowClick();

    Ui::TAppIniCreateBox& form() { return *ui; }

protected:
    void FormShow() override;
    void FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) override;

private:
    std::unique_ptr<Ui::TAppIniCreateBox> ui;
};
