#include "datasel/Logon.h"

#include "controls/SafeCall.h"
#include "core/DataModule.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "datasel/AppIniCreate.h"
#include "platform/UserInteraction.h"
#include "ui_Logon.h"

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <cmath>
#include <limits>

namespace {

const QString kWrongCode =
    QStringLiteral("コードまたはパスワードが違います。\r正しいコードまたはパスワードを入力して下さい。");
const QString kPressSettings = QStringLiteral("[サーバー設定]ボタンを押して正しい情報を入力して下さい。");
const QString kNoServer = QStringLiteral("データサーバーのコンピュータ名が設定されていません。\r");
const QString kNoServerPath = QStringLiteral("データサーバー上のデータパスが設定されていません。\r");
const QString kAlreadyLoggedOn =
    QStringLiteral("指定したユーザーは既にシステムへログインしているため、ログインできませんでした。");
const QString kLogonFailed = QStringLiteral("ログイン処理に失敗しました。\r%1を終了します。");
const QString kUnknownAnswer = QStringLiteral("ログイン処理に失敗しました。");
const QString kConnectFailed = QStringLiteral("財務システムデータベースの接続処理に失敗しました。");

constexpr qint64 kIscIoError = 335544344;
constexpr qint64 kIscNetworkError = 335544721;

} // namespace

TLogonBox::TLogonBox(QWidget* owner) : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TLogonBox>()) {
    ui->setupUi(this);
    FormCreate();
    SetProgramDisplayName(QCoreApplication::applicationName());
    ui->lblHead2->setText(QStringLiteral("オペレータコードとパスワードを入力して下さい。"));
    ui->lblHead3->clear();
    ui->lblGroupID->hide();
    ui->txtGroupID->hide();
    SetHint(ui->btnSA, QStringLiteral("このコンピュータで管理しているデータを処理します。"));
    SetHint(ui->btnCS, QStringLiteral("ネットワークに接続して、サーバーで管理しているデータを処理します。"));
    SetHint(ui->btnServerSettei, QStringLiteral("データサーバーの情報を設定します。"));
    SetHint(ui->txtOpCode, QStringLiteral("オペレータコードを入力します。"));
    SetHint(ui->txtPassword, QStringLiteral("パスワードを入力します。"));
    const auto digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    ui->txtOpCode->setValidator(digits);
    ui->txtGroupID->setValidator(digits);
    ui->txtPassword->installEventFilter(this);

    m_settings = new TAppIniCreateBox(this);
    connect(ui->btnSA, &QRadioButton::toggled, this, [this] { guarded([this] { btnSAClick(); }); });
    connect(ui->btnServerSettei, &TxPlButton::clicked, this,
            [this] { guarded([this] { btnServerSetteiClick(); }); });
    if (ReadConnectKind() != 0)
        ui->btnCS->setChecked(true);
    else
        ui->btnSA->setChecked(true);
    btnSAClick();
    if (TavrinoEdition == 2) {
        ui->grpConnect->hide();
        ui->btnSA->setChecked(true);
        const QRect head = DesignGeometry(ui->pnlHead);
        SetDesignClientSize(designClientSize().width(),
                            int(std::lround(DesignGeometry(ui->pnlInput).height() * 0.7)) + head.height());
    }
    connect(ui->OKBtn, &TxPlButton::clicked, this, [this] { guarded([this] { OKBtnClick(); }); });
    SetupDone = true;
}

TLogonBox::~TLogonBox() = default;

QString ServerWorkFolder(const QString& sysDir) {
    const auto relative = [](const QString& folder) {
        return QDir::cleanPath(folder).section(u'/', 0, -1, QString::SectionSkipEmpty);
    };
    const QString data = u'/' + relative(ServerDirName);
    QString root = QDir::cleanPath(sysDir);
    // The server's own data folder sits in a folder of the server; the work folder goes beside it there.
    // Any other data folder is itself a place the server writes to, so the work folder goes inside it.
    if (data.size() > 1 && root.endsWith(data, Qt::CaseInsensitive))
        root.chop(data.size());
    if (!root.endsWith(u'/'))
        root += u'/';
    return root + relative(ServerTempDirName);
}

void TLogonBox::SetProgramDisplayName(const QString& name) {
    m_displayName = name;
    ui->lblHead1->setText(QStringLiteral("%1 を利用するには、").arg(name));
}

void TLogonBox::FormShow() {
    TBSDI::FormShow();
    ForceForegroundWindow(this);
    ui->btnServerSettei->setEnabled(ui->btnCS->isChecked());
    ui->txtOpCode->setFocus();
}

void TLogonBox::FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) {
    switch (Key) {
    case Qt::Key_F12:
        Key = 0;
        if (ui->OKBtn->isEnabled())
            OKBtnClick();
        return;
    case Qt::Key_Escape:
    case Qt::Key_F1:
        Key = 0;
        return;
    default:
        TBSDI::FormKeyUp(Key, Shift);
    }
}

bool TLogonBox::eventFilter(QObject* watched, QEvent* e) {
    if (watched == ui->txtPassword && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ui->OKBtn->setFocus();
            return true;
        }
    }
    return TBSDI::eventFilter(watched, e);
}

int TLogonBox::GetConnectKind() const {
    return ui->btnCS->isChecked() ? 1 : 0;
}

void TLogonBox::btnSAClick() {
    ConnectMode = ui->btnCS->isChecked() ? 1 : 0;
    ui->btnServerSettei->setEnabled(ConnectMode == 1);
}

void TLogonBox::btnServerSetteiClick() {
    if (m_settings && m_settings->SetupDone)
        m_settings->exec();
}

void TLogonBox::refuseCode() {
    ui::showMessage(ui::MsgKind::Error, kWrongCode, ui::mbOK);
    ui->txtOpCode->setFocus();
}

bool TLogonBox::CheckDatabaseConnect() {
    try {
        DM->IBDatabaseDEF.detach();
        DM->fnAccDefConnected(SystemDef.HOSTNAME, 0);
        return true;
    } catch (const fb::Error& e) {
        QStringList lines;
        if (e.statusCode() == kIscIoError || e.statusCode() == kIscNetworkError) {
            lines << QStringLiteral("ログイン処理に失敗しました。以下の理由が考えられます。");
            if (ConnectMode == 0) {
                lines << QStringLiteral("１）データファイルが見つからない。")
                      << QStringLiteral("２）別のプロセスがデータファイルを使用中。");
            } else {
                lines << QStringLiteral("１）サーバー上でFireBirdサービスが起動しているか確認して下さい。")
                      << QStringLiteral("２）ログイン画面の[サーバー設定]"
                                        "ボタンを押して正しい情報が設定されているか確認して下さい。")
                      << QStringLiteral(
                             "３）Windowsファイヤーウォール(市販のセキュリティソフト含む)が有効の場合は、"
                             "このアプリケーションがサーバーと通信できる状態か確認して下さい。");
            }
        } else {
            lines << kConnectFailed << QStringLiteral("[例外内容]")
                  << QStringLiteral("(IBXエラーコード:%1) %2")
                         .arg(e.statusCode())
                         .arg(GetIscErrorText(e.statusCode(), e.sqlCode()));
        }
        ui::showMessage(ui::MsgKind::Information, lines.join(u'\r'), ui::mbOK);
    } catch (const std::exception& e) {
        ui::showMessage(
            ui::MsgKind::Information,
            QStringList{kConnectFailed, QStringLiteral("[例外内容]"), QString::fromUtf8(e.what())}.join(
                u'\r'),
            ui::mbOK);
    }
    return false;
}

void TLogonBox::readOperatorRow(qint32 opCode) {
    // Each read on its own: a failure leaves its fields cleared and the logon stands.
    SystemDef.OperatorName.clear();
    SystemDef.SisetuFree = 0;
    try {
        OwnTransaction own(DM->IBTransactionDEF);
        fb::Query& q = DM->QueryDef;
        q.setSql(QStringList{QStringLiteral("SELECT OPNAME,JIMUSHO,OKINIIRI FROM OPERATOR"),
                             QStringLiteral("WHERE GROUPID=:GROUPID"), QStringLiteral("AND OPCODE=:OPCODE")});
        q.setInt("GROUPID", SystemDef.GROUPID);
        q.setInt("OPCODE", opCode);
        q.open();
        if (!q.eof()) {
            SystemDef.OperatorName = q.field("OPNAME").asString();
            SystemDef.SisetuFree = q.field("JIMUSHO").asInt() == 1 ? 1 : 0; // the office operator
        }
        q.close();
        own.commit();
    } catch (const std::exception&) {
    }
    SystemDef.MYNUMBER_ADM = 0;
    SystemDef.SHONIN = 0;
    try {
        OwnTransaction own(DM->IBTransactionDEF);
        fb::Query& q = DM->QueryDef;
        q.setSql(QStringList{QStringLiteral("SELECT MYNUMBER_ADM,SHONIN FROM OPERATOR"),
                             QStringLiteral("WHERE (GROUPID=:GROUPID) AND (OPCODE=:OPCODE)")});
        q.setInt("GROUPID", SystemDef.GROUPID);
        q.setInt("OPCODE", opCode);
        q.open();
        if (!q.eof()) {
            SystemDef.MYNUMBER_ADM = q.field("MYNUMBER_ADM").asInt() == 1 ? 1 : 0;
            SystemDef.SHONIN = q.field("SHONIN").asInt() == 1 ? 1 : 0;
        }
        q.close();
        own.commit();
    } catch (const std::exception&) {
    }
}

void TLogonBox::OKBtnClick() {
    setResult(0);
    const int kind = GetConnectKind();
    ReadDbSettings(kind);
    bool numeric = false;
    const qint64 code = ui->txtOpCode->text().toLongLong(&numeric);
    // The operator key (group × 10000 + code) must fit the key columns: a code or group that would
    // overflow it belongs to no operator.
    if (!numeric || code <= 9 ||
        qint64(SystemDef.GROUPID) * 10000 + code > std::numeric_limits<qint32>::max()) {
        refuseCode();
        return;
    }
    if (kind == 1) {
        if (SystemDef.HOSTNAME.isEmpty()) {
            ui::showMessage(ui::MsgKind::Error, kNoServer + kPressSettings, ui::mbOK);
            return;
        }
        if (SystemDef.SYSDIR.isEmpty()) {
            ui::showMessage(ui::MsgKind::Error, kNoServerPath + kPressSettings, ui::mbOK);
            return;
        }
    }
    if (!DM || !CheckDatabaseConnect())
        return;

    int num = std::numeric_limits<int>::min(), loginCode = 0, jobLevel = 0;
    try {
        OwnTransaction own(DM->IBTransactionDEF);
        SystemDef.OPCODE = 0;
        fb::Query& q = DM->QueryDef;
        q.setSql(QStringLiteral("SELECT NUM,LOGINCODE,JOBLEVEL FROM "
                                "LOGONUSERTEST(:PCNAME,:GROUPID,:OPCODE,:APPVERSION,:PASWORD)"));
        q.setString("PCNAME", SystemDef.PCName);
        q.setInt("GROUPID", SystemDef.GROUPID);
        q.setInt64("OPCODE", code);
        q.setInt("APPVERSION", 2);
        q.setString("PASWORD", ui->txtPassword->text());
        q.open();
        if (!q.eof()) {
            num = q.field("NUM").asInt();
            loginCode = q.field("LOGINCODE").asInt();
            jobLevel = q.field("JOBLEVEL").asInt();
        }
        q.close();
        own.commit();
    } catch (const fb::Error& e) {
        if (DM->IBTransactionDEF.isActive())
            DM->IBTransactionDEF.rollback();
        ErrFbAccess(e, QStringLiteral("TLogonBox.OKBtnClick"), kLogonFailed.arg(m_displayName));
        done(2);
        return;
    } catch (const std::exception& e) {
        if (DM->IBTransactionDEF.isActive())
            DM->IBTransactionDEF.rollback();
        ShowErrDetail(kLogonFailed.arg(m_displayName), QString::fromUtf8(e.what()), ui::MsgKind::Error);
        done(2);
        return;
    }

    switch (num) {
    case 0:
    case 1:
        SystemDef.OPCODE = SystemDef.GROUPID * 10000 + loginCode;
        readOperatorRow(loginCode);
        SystemDef.JOBLEVEL = jobLevel;
        SystemDef.LoginCode = loginCode;
        SystemDef.ServerDriveDir = kind == 1 ? ServerWorkFolder(SystemDef.SYSDIR) : QString();
        if (TavrinoEdition == 2) {
            SystemDef.JOBLEVEL = 0;
            SystemDef.SisetuFree = 0;
        }
        SaveConnectKind(kind);
        done(1);
        return;
    case -1:
        refuseCode();
        return;
    case -3:
        ui::showMessage(ui::MsgKind::Error, kAlreadyLoggedOn, ui::mbOK);
        return;
    default:
        // An answer the procedure should never give (or none at all) is not a silent refusal.
        ui::showMessage(ui::MsgKind::Error, kUnknownAnswer, ui::mbOK);
        return;
    }
}
