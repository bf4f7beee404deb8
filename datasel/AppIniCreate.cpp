#include "datasel/AppIniCreate.h"

#include "controls/SafeCall.h"
#include "core/uAccRecord.h"
#include "platform/IniFile.h"
#include "platform/UserInteraction.h"
#include "ui_AppIniCreate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kApplication = QStringLiteral("APPLICATION");
const QString kConnect = QStringLiteral("CONNECT");
const QString kNoHost = QStringLiteral("コンピュータ名が指定されていません。\r入力してください。");
const QString kNoUser = QStringLiteral("データベースのユーザーが指定されていません。\r入力してください。");
const QString kNoPassword =
    QStringLiteral("データベースのパスワードが指定されていません。\r入力してください。");
// There is no list of the network's computers to choose from here: the operator types the name.
const QString kPickComputer = QStringLiteral("サーバーのコンピュータ名またはIPアドレスを入力して下さい。");

// Made its owner's alone before the password goes in; the atomic save keeps the permissions.
bool prepareFile(const QString& path) {
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    if (!QFileInfo::exists(path)) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return false;
    }
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

QString yesNo(quint8 flag) {
    return flag != 0 ? QStringLiteral("YES") : QStringLiteral("NO");
}

void writeConnection(IniFile& ini, const QString& section, const QString& host, quint8 goGlobal, quint8 group,
                     const QString& sysDir) {
    ini.writeString(section, QStringLiteral("HOSTNAME"), host);
    ini.writeString(section, QStringLiteral("GOGLOBAL"), yesNo(goGlobal));
    ini.writeString(section, QStringLiteral("GROUP"), yesNo(group));
    ini.writeString(section, QStringLiteral("SYSDIR"), sysDir);
    ini.writeString(section, QStringLiteral("USER"), SystemDef.USER);
    ini.writeString(section, QStringLiteral("PASSWORD"), SystemDef.PASSWORD);
}

// The section of the current connection mode with SystemDef's values; stand-alone data has no host.
void writeCurrentConnection(IniFile& ini) {
    const bool local = ConnectMode == 0;
    writeConnection(ini, local ? QStringLiteral("LOCAL") : QStringLiteral("SERVER"),
                    local ? QString() : SystemDef.HOSTNAME, SystemDef.GOGLOBAL, SystemDef.GROUP,
                    SystemDef.SYSDIR);
}

} // namespace

bool WriteAppIni(int mode) {
    const QString path = SystemDef.AppIniFile;
    if (!prepareFile(path))
        return false;
    IniFile ini(path, false);
    if (ini.lastLoadFailed())
        return false;
    if (mode == 1) {
        ini.eraseSection(QStringLiteral("DATABASE"));
        ini.eraseSection(QStringLiteral("MAINFORM"));
        const QString app = QStringLiteral("APPLICATION");
        ini.writeString(app, QStringLiteral("TOP"), QStringLiteral("0"));
        ini.writeString(app, QStringLiteral("LEFT"), QStringLiteral("0"));
        ini.writeString(app, QStringLiteral("WIDTH"), QStringLiteral("1024"));
        ini.writeString(app, QStringLiteral("HEIGHT"), QStringLiteral("738"));
        ini.writeString(app, QStringLiteral("CONNECT"), QStringLiteral("0"));
        if (ConnectMode == 0)
            writeCurrentConnection(ini);
        else
            writeConnection(ini, QStringLiteral("LOCAL"), SystemDef.HOSTNAME, SystemDef.GOGLOBAL,
                            SystemDef.GROUP, SystemDef.SYSDIR);
        writeConnection(ini, QStringLiteral("SERVER"), QString(), 0, 0, QString());
    } else {
        writeCurrentConnection(ini);
    }
    return ini.save();
}

int ReadConnectKind() {
    return IniFile(SystemDef.AppIniFile).readInteger(kApplication, kConnect, 0);
}

bool SaveConnectKind(int kind) {
    if (kind >= 3)
        return true;
    if (!prepareFile(SystemDef.AppIniFile))
        return false;
    IniFile ini(SystemDef.AppIniFile, false);
    if (ini.lastLoadFailed())
        return false;
    ini.writeString(kApplication, kConnect, QString::number(kind));
    return ini.save();
}

void ReadDbSettings(int kind) {
    const QString section = kind == 0 ? QStringLiteral("LOCAL") : QStringLiteral("SERVER");
    const IniFile ini(SystemDef.AppIniFile);
    TSystemDef& s = SystemDef;
    s.HOSTNAME = ini.readString(section, QStringLiteral("HOSTNAME"));
    s.GOGLOBAL =
        ini.readString(section, QStringLiteral("GOGLOBAL"), QStringLiteral("NO")) == QLatin1String("YES");
    // Folders keep their case on this system; a stored Windows separator becomes "/".
    s.SYSDIR = ini.readString(section, QStringLiteral("SYSDIR")).replace(u'\\', u'/');
    s.USER = ini.readString(section, QStringLiteral("USER"), QStringLiteral("PELLAN")).toUpper();
    s.PASSWORD = ini.readString(section, QStringLiteral("PASSWORD"), QStringLiteral("vintor")).toLower();
    s.GROUP = 0;
}

TAppIniCreateBox::TAppIniCreateBox(QWidget* owner)
    : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TAppIniCreateBox>()) {
    ui->setupUi(this);
    FormCreate();
    SectionKind = 1;
    ui->lblHead1->setText(QStringLiteral("データサーバーを利用するための設定を行います。"));
    ui->lblHead2->setText(QStringLiteral("データサーバーの情報を入力して下さい。"));
    SetHint(ui->txtHostName, QStringLiteral("接続先のコンピューター名またはIPアドレスを入力して下さい。"));
    ui->txtHostName->setImeMode(TxEdit::imDisable);
    SetHint(ui->btnCompShow, QStringLiteral("ネットワークに接続されているコンピュータを表示します。"));
    // No drive letters here: the data place is the server's folder itself, typed in full.
    SetHint(ui->txtDataPath, QStringLiteral("データパス名を入力して下さい。"));
    ui->txtUserName->setEnabled(false);
    ui->txtPassWord->setEnabled(false);
    ui->txtDataPath->setText(ServerDirName);
    ui->txtUserName->setText(SystemDef.USER);
    ui->txtPassWord->setText(SystemDef.PASSWORD);
    ExecuteButton = ui->btnOK;
    connect(ui->btnOK, &TxPlButton::clicked, this, [this] { guarded([this] { OKBtnClick(); }); });
    connect(ui->btnCompShow, &TxPlButton::clicked, this, [this] { guarded([this] { btnCompShowClick(); }); });
    SetupDone = true;
}

TAppIniCreateBox::~TAppIniCreateBox() = default;

void TAppIniCreateBox::FormShow() {
    TBSDI::FormShow();
    ::ReadDbSettings(SectionKind);
    ui->txtHostName->setText(SystemDef.HOSTNAME);
    if (!SystemDef.SYSDIR.isEmpty())
        ui->txtDataPath->setText(SystemDef.SYSDIR);
    ui->txtUserName->setText(SystemDef.USER);
    ui->txtPassWord->setText(SystemDef.PASSWORD);
    ui->txtHostName->setFocus();
}

void TAppIniCreateBox::FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) {
    if (Key == Qt::Key_Escape) {
        Key = 0;
        done(2);
        return;
    }
    if (Key == Qt::Key_F12) {
        Key = 0;
        if (ui->btnOK->isEnabled())
            OKBtnClick();
        return;
    }
    TBSDI::FormKeyUp(Key, Shift);
}

void TAppIniCreateBox::btnCompShowClick() {
    ui::InputRequest request;
    request.caption = windowTitle();
    request.prompt = kPickComputer;
    request.initial = ui->txtHostName->text();
    if (const auto name = ui::current().input(request); name && !name->trimmed().isEmpty())
        ui->txtHostName->setText(name->trimmed());
}

void TAppIniCreateBox::OKBtnClick() {
    setResult(0);
    TSystemDef& s = SystemDef;
    s.HOSTNAME = ui->txtHostName->text().toLower();
    s.SYSDIR = ui->txtDataPath->text().trimmed();
    s.USER = ui->txtUserName->text().toUpper();
    s.PASSWORD = ui->txtPassWord->text().toLower();
    s.GOGLOBAL = 0;
    if (ConnectMode == 0) {
        s.HOSTNAME.clear();
    } else if (ui->txtHostName->text().trimmed().isEmpty()) {
        ui::showMessage(ui::MsgKind::Error, kNoHost, ui::mbYes);
        ui->txtHostName->setFocus();
        return;
    }
    if (ui->txtUserName->text().trimmed().isEmpty()) {
        ui::showMessage(ui::MsgKind::Error, kNoUser, ui::mbYes);
        return;
    }
    if (ui->txtPassWord->text().trimmed().isEmpty()) {
        ui::showMessage(ui::MsgKind::Error, kNoPassword, ui::mbYes);
        return;
    }
    if (!::WriteAppIni(0)) {
        ui::showError(QStringLiteral("設定ファイルの書き込みに失敗しました。\r%1").arg(SystemDef.AppIniFile));
        return;
    }
    done(1);
}
