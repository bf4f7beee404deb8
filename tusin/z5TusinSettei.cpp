#include "tusin/z5TusinSettei.h"

#include <QDir>

#include "controls/SafeCall.h"
#include "controls/xEdit.h"
#include "controls/z5HtmlHelp.h"
#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "platform/UserInteraction.h"
#include "tusin/RelayStatus.h"
#include "tusin/z5DataTusin.h"
#include "tusin/z5TusinSetteiPas.h"
#include "ui_z5TusinSettei.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QNetworkInformation>
#include <QScopeGuard>
#include <QTimer>
#include <QUrl>

namespace {

const bool registered = [] {
    RegisterDialogClass(DialogClassOf<TfrmTusinSettei>(), QStringLiteral("QzTusinSettei"));
    return true;
}();

const QString kCaption = QStringLiteral("通信設定");
const QString kCashCaption = QStringLiteral("現金出納帳通信設定");
const QString kCloudCaption = QStringLiteral("クラウドシェア設定");
const QString kUseCloud = QStringLiteral("クラウドシェアを利用する");
const QString kNoArea = QStringLiteral("領域選択：　　 No. --");
const QString kAreaPrefix = QStringLiteral("領域選択：　　 No. ");
const QString kIncompleteId =
    QStringLiteral("通信ＩＤを設定する場合はスペース無しの英数12桁で入力して下さい。(-を含めると14桁)");
const QString kSaveContext = QStringLiteral("クラウドシェア通信設定");
const QString kAnalysisGroup = QStringLiteral("通信設定");
const QString kAnalysisCode = QStringLiteral("クラウド区分");
const QString kInteger = QStringLiteral("整数");
const QString kSetupFailed = QStringLiteral("%1画面の初期化に失敗しました。\r処理を終了します。");

// The edits' texts right after loading, and the cloud-analysis switch: kept from one load to the next.
QString gLoadedId;
QString gLoadedPassword;
int gAnalysisSwitch = 0;

bool hasSpace(const QString& text) {
    return DeleteAllSpaces(text).size() != text.size();
}

} // namespace

std::function<bool()> IsInternetConnectedProc;

TfrmTusinSettei::TfrmTusinSettei(QWidget* owner)
    : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TfrmTusinSettei>()) {
    ui->setupUi(this);
    FormCreate();
    gAnalysisSwitch = 0;
    ui->HintArea->setPlainText(QStringLiteral("通信ＩＤとパスワードは通信相手と同一の設定を行います。\r\n"
                                              "この設定は、現在利用中のデータのみ有効となります。"));
    ProcHistory = true;
    SaveFormSize = false;
    HostQuerySkip = false;
    ActivateNotify = false;
    RefreshAccInfo = true;
    // Twelve optional letters or digits, the dashes kept in the text, blanks shown as "_".
    ui->txtConID->setInputMask(QStringLiteral("nnnn-nnnn-nnnn;_"));
    ui->txtConID->setAttribute(Qt::WA_InputMethodEnabled, false);
    ui->txtConPasswd->setImeMode(TxEdit::imDisable);
    ui->txtConID->installEventFilter(this);
    ui->txtConPasswd->installEventFilter(this);
    connect(ui->ESC, &QPushButton::clicked, this, [this] { guarded([this] { ESCClick(); }); });
    connect(ui->F1, &QPushButton::clicked, this, [this] { guarded([this] { F1Click(); }); });
    connect(ui->F12, &QPushButton::clicked, this, [this] { guarded([this] { F12Click(); }); });
    connect(ui->btnKyouyu, &QPushButton::clicked, this, [this] { guarded([this] { btnKyouyuClick(); }); });
    connect(ui->xURLButton, &QPushButton::clicked, this, [this] { guarded([this] { xURLButtonClick(); }); });
    SetupDone = true;
}

TfrmTusinSettei::~TfrmTusinSettei() = default;

QLineEdit* TfrmTusinSettei::txtConID() const {
    return ui->txtConID;
}
QLineEdit* TfrmTusinSettei::txtConPasswd() const {
    return ui->txtConPasswd;
}
QCheckBox* TfrmTusinSettei::CheckBox1() const {
    return ui->CheckBox1;
}
QRadioButton* TfrmTusinSettei::RadioButton1() const {
    return ui->RadioButton1;
}
QRadioButton* TfrmTusinSettei::RadioButton2() const {
    return ui->RadioButton2;
}
QLabel* TfrmTusinSettei::Label5() const {
    return ui->Label5;
}
QPushButton* TfrmTusinSettei::btnKyouyu() const {
    return ui->btnKyouyu;
}
QPushButton* TfrmTusinSettei::xURLButton() const {
    return ui->xURLButton;
}
QPlainTextEdit* TfrmTusinSettei::HintArea() const {
    return ui->HintArea;
}

void TfrmTusinSettei::SetParams(const QStringList& params) {
    Params = params;
    const int kind = ParamInt(params, QStringLiteral("SyoriType"), -1);
    if (kind >= 0)
        SyoriType = kind;
    // Every form style is a normal window on Linux.
    FormStyle = ParamInt(params, QStringLiteral("FormStyle"), 0);
}

bool TfrmTusinSettei::organisationEdition() const {
    return AppInfo.Application.OEM == u"TavrinoData";
}

// ---- the ID and its forms ----------------------------------------------------------------------------

QString TfrmTusinSettei::ShownId(const QString& stored) {
    if (DeleteAllSpaces(stored).size() != 12)
        return {};
    return stored.mid(0, 4) + u'-' + stored.mid(4, 4) + u'-' + stored.mid(8, 4);
}

QString TfrmTusinSettei::IdEditText() const {
    QString t = ui->txtConID->displayText();
    t.replace(u'_', u' ');
    return t;
}

QString TfrmTusinSettei::StoredIdText() const {
    const QString t = IdEditText().leftJustified(14, u' ');
    return t.mid(0, 4) + t.mid(5, 4) + t.mid(10, 4);
}

bool TfrmTusinSettei::IdComplete() const {
    return DeleteAllSpaces(IdEditText()).size() == 14;
}

void TfrmTusinSettei::setIdEditText(const QString& text) {
    // A space stands for an unfilled position: the mask's blank keeps the others where they are.
    QString t = text;
    t.replace(u' ', u'_');
    ui->txtConID->setText(t);
}

void TfrmTusinSettei::setAreaLabel(int line) {
    ui->Label5->setText(line != 0 ? kAreaPrefix + QString::number(line) : kNoArea);
}

// ---- running ----------------------------------------------------------------------------------------------

int TfrmTusinSettei::Execute(bool modal) {
    ShowNormalCursor();
    if (SyoriType == 1 && AccInf.CLOUD_LINE != 0)
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("クラウドシェアデータでは、通信ID及びパスワードは変更できません。"));
    if (SyoriType == 2) {
        setWindowTitle(kCashCaption);
        m_helpPage = QStringLiteral("tsusin08.html");
    } else if (SyoriType == 5 || SyoriType == 6) {
        setWindowTitle(kCloudCaption);
        m_helpPage = QStringLiteral("cloudshare.html");
    } else {
        setWindowTitle(kCaption);
        m_helpPage = QStringLiteral("tsusin05.html");
    }
    if (SyoriType >= 5 && DataFolder.isEmpty()) {
        // Started by name there is no caller to hand the area over: the dataset's own area is the one
        // being edited, so that a save does not drop it unasked.
        InitialCloudLine = CloudLine = ConfirmedCloudLine = AccInf.CLOUD_LINE;
    }
    if (SyoriType == 2) {
        if (ApprovedJournalsExist()) {
            ui::showWarning(QStringLiteral("現在ご利用中のデータは承認済み仕訳が含まれます。\r\n"
                                           "現金出納帳通信処理は行えません。"));
            return -1;
        }
        ui->HintArea->setPlainText(QStringLiteral("現金出納帳用の通信ＩＤとパスワードをセットします。\r\n"
                                                  "この設定は、現在利用中のデータのみ有効となります。"));
    }
    if (!modal) {
        Setup(true);
        show();
        return 1;
    }
    if (HostMenuProc && HostMenuProc(10, QString()) > 0) {
        ui::showMessage(
            ui::MsgKind::Warning,
            QStringLiteral("メニュー以外の処理が開いています。\r全ての処理を閉じてから処理を実行してく"
                           "ださい。"),
            ui::mbYes);
        return -1;
    }
    if (!SetupDone) {
        ui::showMessage(ui::MsgKind::Error, kSetupFailed.arg(windowTitle()), ui::mbYes);
        return -1;
    }
    PlaceForm(0, 0, 0, 0, 3);
    Setup(true);
    return exec();
}

void TfrmTusinSettei::Setup(bool flag) {
    SetupFlag = flag;
    LoadSettings();
    Shown = false;
}

void TfrmTusinSettei::moveRowsDown() {
    if (m_rowsMoved)
        return;
    m_rowsMoved = true;
    for (QWidget* w : {static_cast<QWidget*>(ui->Label1), static_cast<QWidget*>(ui->txtConID),
                       static_cast<QWidget*>(ui->Label2), static_cast<QWidget*>(ui->Label3),
                       static_cast<QWidget*>(ui->Label4), static_cast<QWidget*>(ui->txtConPasswd),
                       static_cast<QWidget*>(ui->Label6), static_cast<QWidget*>(ui->Label7)})
        SetDesignGeometry(w, DesignGeometry(w).translated(0, 34));
}

void TfrmTusinSettei::LoadSettings() {
    const auto cursor = qScopeGuard([] { ShowNormalCursor(); });
    if (fb::Transaction* t = IBTransactionDAT(); t && DM && DM->IBDatabaseDAT.isConnected()) {
        try {
            if (!t->isActive())
                t->start();
            fb::Query q(*t);
            q.setSql(SyoriType == 2
                         ? QStringLiteral("SELECT PASWORD,HOLDER FROM TUSIN_ID  WHERE REC=:REC ")
                         : QStringLiteral("SELECT PASWORD,WEB_HOLDER FROM ACCDEF1  WHERE REC=:REC "));
            q.setInt("REC", 1);
            q.open();
            if (!q.eof()) {
                ui->txtConPasswd->setText(q.field("PASWORD").asString());
                gLoadedPassword = ui->txtConPasswd->text();
                setIdEditText(ShownId(q.field(1).asString()));
                gLoadedId = IdEditText();
            }
            q.close();
            if (t->isActive())
                t->commit();
        } catch (const fb::Error& e) {
            ErrFbAccess(e, QStringLiteral("TUSIN_ID"), kCaption, true);
            if (t->isActive())
                t->rollback();
        } catch (const std::exception& e) {
            ShowErrDetail(kCaption, QString::fromUtf8(e.what()), ui::MsgKind::Error);
            if (t->isActive())
                t->rollback();
        }
    }

    const bool cloudModes = SyoriType >= 5;
    if (organisationEdition() || SyoriType == 2) {
        ui->CheckBox1->setVisible(false);
        ui->xURLButton->setVisible(false);
        return;
    }
    if (!cloudModes) {
        ui->CheckBox1->setText(QStringLiteral("ペラン") +
                               QStringLiteral("経営Solvarnet（クラウド）へ送信する"));
        ui->CheckBox1->setVisible(true);
        ui->xURLButton->setVisible(true);
        gAnalysisSwitch = 0;
        if (DM && DM->IBDatabaseDAT.isConnected())
            gAnalysisSwitch = GetAccReg(kAnalysisGroup, kAnalysisCode, kInteger, QStringLiteral("0")).toInt();
        ui->CheckBox1->setChecked(gAnalysisSwitch != 0);
        if (SyoriType == 1 && AccInf.CLOUD_LINE != 0) {
            ui->txtConID->setEnabled(false);
            ui->txtConPasswd->setEnabled(false);
        }
        return;
    }
    ui->CheckBox1->setVisible(false);
    ui->xURLButton->setVisible(false);
    for (QWidget* w : {static_cast<QWidget*>(ui->RadioButton1), static_cast<QWidget*>(ui->RadioButton2),
                       static_cast<QWidget*>(ui->Label5), static_cast<QWidget*>(ui->btnKyouyu)})
        w->setVisible(true);
    moveRowsDown();
    QRadioButton* chosen = CloudLine != 0 || SyoriType == 6 ? ui->RadioButton1 : ui->RadioButton2;
    chosen->setChecked(true);
    chosen->setFocus();
    setAreaLabel(CloudLine);
    ui->HintArea->setPlainText(
        QStringLiteral("クラウドシェアを利用する場合は「利用する」を選び、通信IDとパスワード"
                       "を設定してクラウドシェア領域を選択します。"));
}

// ---- entry
// --------------------------------------------------------------------------------------------------

bool TfrmTusinSettei::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->txtConID || watched == ui->txtConPasswd) {
        // Esc is left to the form's keys.
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape &&
            !TusinKeyAllowed(static_cast<QKeyEvent*>(event)))
            return true;
        if (event->type() == QEvent::FocusOut && isVisible()) {
            if (watched == ui->txtConID)
                guarded([this] { txtConIDExit(); });
            else
                guarded([this] { txtConPasswdExit(); });
        }
    }
    return TBSDI::eventFilter(watched, event);
}

void TfrmTusinSettei::txtConPasswdExit() {
    if (!hasSpace(ui->txtConPasswd->text()))
        return;
    ui::showMessage(ui::MsgKind::Information,
                    QStringLiteral("パスワードはスペース（空白）なしの英数６桁以内で入力して下さい。"),
                    ui::mbYes);
    QTimer::singleShot(0, ui->txtConPasswd, [edit = ui->txtConPasswd] { edit->setFocus(); });
}

void TfrmTusinSettei::txtConIDExit() {
    // Another ID is another relay account: the area chosen for the old one does not hold.
    if (IdEditText() == gLoadedId)
        return;
    setAreaLabel(0);
    CloudLine = 0;
}

// ---- keys
// ------------------------------------------------------------------------------------------------------

void TfrmTusinSettei::FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) {
    if (Key == Qt::Key_Escape) {
        Key = 0;
        ESCClick();
        return;
    }
    if (Key == Qt::Key_F1)
        F1Click();
    if (Key == Qt::Key_F12) {
        Key = 0;
        F12Click();
        return;
    }
    TBSDI::FormKeyUp(Key, Shift);
}

void TfrmTusinSettei::F1Click() {
    OpenOnlineManual(m_helpPage);
}

void TfrmTusinSettei::ESCClick() {
    if (SyoriType >= 5) {
        Cancelled = true;
        done(ui::mrCancel);
    }
    ui->txtConPasswd->setText(gLoadedPassword);
    setIdEditText(gLoadedId);
}

void TfrmTusinSettei::F12Click() {
    if (SyoriType >= 5) {
        Cancelled = false;
        if (InitialCloudLine != 0 && ui->RadioButton2->isChecked()) {
            if (ui::askConfirmation(QStringLiteral("クラウドシェアを解除します。よろしいですか？")) !=
                ui::mrYes) {
                ui->RadioButton2->setFocus();
                return;
            }
            CloudLine = ConfirmedCloudLine = 0;
        }
        if (!AreaPicked && IdEditText() != gLoadedId) {
            setAreaLabel(0);
            CloudLine = 0;
        }
    }
    done(ui::mrOk);
}

// ---- closing
// ------------------------------------------------------------------------------------------------

void TfrmTusinSettei::FormCloseQuery() {
    if (SyoriType >= 5 && Cancelled)
        return;
    if (!DM || !DM->IBDatabaseDAT.isConnected())
        return;
    fb::Transaction* t = IBTransactionDAT();
    if (!t)
        return;
    const QString stored = StoredIdText();
    const QString password = ui->txtConPasswd->text();
    try {
        if (!t->isActive())
            t->start();
        fb::Query q(*t);
        if (SyoriType == 2) {
            q.setSql(QStringLiteral("UPDATE TUSIN_ID SET PASWORD=:PASWORD,HOLDER=:HOLDER WHERE REC=:REC "));
            q.setString("HOLDER", stored.trimmed());
        } else if (SyoriType == 5) {
            if (!ui->RadioButton1->isChecked()) {
                CloudLine = ConfirmedCloudLine = 0;
                AreaEmpty = true;
            }
            q.setSql(QStringLiteral(
                "UPDATE ACCDEF1 SET PASWORD=:PASWORD,WEB_HOLDER=:WEB_HOLDER,CLOUD_LINE=:CLOUD_LINE WHERE "
                "REC=:REC "));
            q.setString("WEB_HOLDER", stored);
            q.setInt("CLOUD_LINE", CloudLine);
        } else {
            q.setSql(
                QStringLiteral("UPDATE ACCDEF1 SET PASWORD=:PASWORD,WEB_HOLDER=:WEB_HOLDER WHERE REC=:REC "));
            q.setString("WEB_HOLDER", stored);
        }
        q.setString("PASWORD", password);
        q.setInt("REC", 1);
        q.execute();
        q.close();
        if (SyoriType == 2) {
            AccInf.TusinPasword[1] = password;
            AccInf.TusinHolder[1] = stored.trimmed();
        } else {
            AccInf.PASWORD = password;
            AccInf.WEB_HOLDER = stored;
        }
        if (t->isActive())
            t->commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TUSIN_ID"), kSaveContext, true);
        if (t->isActive())
            t->rollback();
    } catch (const std::exception& e) {
        ShowErrDetail(kSaveContext, QString::fromUtf8(e.what()), ui::MsgKind::Error);
        if (t->isActive())
            t->rollback();
    }
    if (SyoriType == 1 && !organisationEdition()) {
        gAnalysisSwitch = ui->CheckBox1->isChecked() ? 1 : 0;
        PutAccReg(kAnalysisGroup, kAnalysisCode, kInteger, QString::number(gAnalysisSwitch));
    }
}

void TfrmTusinSettei::FormClose(TCloseAction& Action) {
    guarded([this] { FormCloseQuery(); });
    TBSDI::FormClose(Action);
    if (SyoriType == 6 && CloudLine == 0 &&
        ui::askConfirmation(QStringLiteral(
            "クラウドシェア領域を選択してください。\r\n選択せずに、画面を閉じますか？")) != ui::mrYes) {
        Action = caNone;
        return;
    }
    if (!IdComplete() &&
        ui::askConfirmation(kIncompleteId +
                            QStringLiteral("\r\n通信ＩＤが設定されていないため中継サーバーを使ったデータの"
                                           "送受信はできません。\r\n通信設定を終了しますか？")) !=
            ui::mrYes) {
        Action = caNone;
        return;
    }
    // The data-selection dialog keeps the cloud-share form and shows it again.
    if (SyoriType == 5 || SyoriType == 6)
        Action = caHide;
}

// ---- the cloud-share area
// ------------------------------------------------------------------------------------

void TfrmTusinSettei::btnKyouyuClick() {
    if (!ui->RadioButton1->isChecked()) {
        ui::showInformation(QStringLiteral("「") + kUseCloud + QStringLiteral("」を選択してください。"));
        return;
    }
    if (!IdComplete()) {
        ui::showInformation(kIncompleteId);
        return;
    }
    if (ui->txtConPasswd->text().trimmed().isEmpty()) {
        ui::showInformation(QStringLiteral("「パスワード」が入力されていません。"));
        return;
    }
    // The area list asks the service with this pair: it is stored at once.
    const QString stored = StoredIdText();
    const QString password = ui->txtConPasswd->text();
    if (fb::Transaction* t = IBTransactionDAT(); t && DM && DM->IBDatabaseDAT.isConnected()) {
        try {
            if (!t->isActive())
                t->start();
            fb::Query q(
                *t,
                QStringLiteral("UPDATE ACCDEF1 SET PASWORD=:PASWORD,WEB_HOLDER=:WEB_HOLDER WHERE REC=:REC "));
            q.setString("PASWORD", password);
            q.setString("WEB_HOLDER", stored);
            q.setInt("REC", 1);
            q.execute();
            q.close();
            t->commit();
            AccInf.PASWORD = password;
            AccInf.WEB_HOLDER = stored;
        } catch (const fb::Error& e) {
            ErrFbAccess(e, QStringLiteral("TUSIN_ID"), QStringLiteral("クラウドシェア通信ID"), true);
            if (t->isActive())
                t->rollback();
        } catch (const std::exception& e) {
            ShowErrDetail(QStringLiteral("クラウドシェア通信ID"), QString::fromUtf8(e.what()),
                          ui::MsgKind::Error);
            if (t->isActive())
                t->rollback();
        }
    }
    AreaPicked = true;
    auto tusin = std::make_unique<TfmDataTusin>(this);
    if (SyoriType == 5)
        tusin->ShowCloudShareInfo(DataFolder);
    else
        tusin->ShowCloudShareInfoOnline(DataFolder);
    AreaEmpty = tusin->ChosenAreaName.trimmed().isEmpty();
    if (tusin->AreaChosen) {
        CloudLine = ConfirmedCloudLine = tusin->ChosenArea;
        tusin.reset();
        setAreaLabel(CloudLine);
        F12Click();
    }
}

// ---- the cloud-share settings of one dataset
// -------------------------------------------------------------------

int TfrmTusinSettei::OpenCloudShareSettings(const QString& folder) {
    int result = 1;
    if (folder.isEmpty())
        return result;
    Cancelled = true;
    AreaPicked = false;
    DataFolder = folder;
    try {
        if (ConnectMode != 0 && DM && DM->AccDatInConnection(1, SystemDef.HOSTNAME, false, folder)) {
            ui::showInformation(QStringLiteral("このデータは他のオペレータが使用中です。 "));
        } else if (!ConnectData()) {
            ui::showWarning(QStringLiteral("データに接続できません。"));
        } else {
            InitialCloudLine = CloudLine = ConfirmedCloudLine = AccInf.CLOUD_LINE;
            SyoriType = 5;
            AreaEmpty = false;
            Execute(true);
            ConfirmedCloudLine = CloudLine;
            DisconnectData();
            result = 0;
        }
    } catch (const std::exception& e) {
        ShowErrDetail(kCloudCaption, QString::fromUtf8(e.what()), ui::MsgKind::Error);
    }
    if (Cancelled)
        result = 9;
    return result;
}

bool TfrmTusinSettei::ConnectData() {
    if (!DM)
        return false;
    const auto endSystem = qScopeGuard([] {
        if (DM->IBTransactionDEF.isActive())
            DM->IBTransactionDEF.commit();
    });
    // The open dataset serves only when it is this folder's: the settings are written into the
    // connected database, and another dataset's must not get them.
    if (DM->IBDatabaseDAT.isConnected())
        return QDir::cleanPath(DM->IBDatabaseDAT.path()) ==
               QDir::cleanPath(TDM::DatabaseName(SystemDef.HOSTNAME, DataFolder, DataFileName));
    const QString failed =
        QStringLiteral("　\r\nデータの接続に失敗したため、データ選択画面を開きます。\r\n ");
    if (!DM->fnAccDatConnected(SystemDef.HOSTNAME, DataFolder, 0) || !DM->fnGetAccInfo()) {
        ui::showWarning(failed);
        SystemDef.DataDir.clear();
        return false;
    }
    OwnDataConnection = true;
    return DM->fnGetExistsOpeDefSisetu();
}

bool TfrmTusinSettei::DisconnectData() {
    if (!DM)
        return true;
    try {
        // A dataset that was open before stays open.
        if (OwnDataConnection && DM->IBDatabaseDAT.isConnected())
            DM->fnAccDatDisConnected(DataFolder, 0, 0);
        OwnDataConnection = false;
        if (DM->IBTransactionDEF.isActive())
            DM->IBTransactionDEF.commit();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TfrmTusinSettei::ApprovedJournalsExist() {
    try {
        return ApprovedJournalsExistIn(SystemDef.DataDir);
    } catch (const std::exception&) {
        // Reported where it failed; the cash-book settings open all the same.
        return false;
    }
}

// ---- the login page
// ----------------------------------------------------------------------------------------------

bool TfrmTusinSettei::IsInternetConnected() const {
    if (IsInternetConnectedProc)
        return IsInternetConnectedProc();
    if (!QNetworkInformation::instance() && !QNetworkInformation::loadDefaultBackend())
        return true;
    const QNetworkInformation* info = QNetworkInformation::instance();
    if (!info || !info->supports(QNetworkInformation::Feature::Reachability))
        return true;
    return info->reachability() == QNetworkInformation::Reachability::Online ||
           info->reachability() == QNetworkInformation::Reachability::Unknown;
}

void TfrmTusinSettei::xURLButtonClick() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto cursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    if (IsInternetConnected())
        QDesktopServices::openUrl(QUrl(RelaySettings().LoginPage));
    else
        ui::showWarning(QStringLiteral("インターネットに接続されていません。"));
}
