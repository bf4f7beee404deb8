#include "datasel/z5DataSentaku.h"

#include "controls/PerfectGrid.h"
#include "controls/SafeCall.h"
#include "controls/xAnimeProgressDialog.h"
#include "controls/z5HtmlHelp.h"
#include "controls/z5MessageDlg2.h"
#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "datalist/z5DataSentakuPrintDlg.h"
#include "datasel/z5DataPlaceMan.h"
#include "dbupdate/z5DbUpdate.h"
#include "platform/UserInteraction.h"
#include "ui_z5DataSentaku.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>
#include <stdexcept>

namespace {

const QString kBadFolder = QStringLiteral("データフォルダパスが不正です。\r処理を中止します。");

bool hasParam(const QStringList& params, const QString& name) {
    for (const QString& line : params) {
        const qsizetype eq = line.indexOf(u'=');
        const QStringView key = eq >= 0 ? QStringView(line).left(eq) : QStringView(line);
        if (key.trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The pictures of the state and cloud columns, drawn here as the form has no image lists.
QPixmap statePicture(int kind) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case 0: // free / held shared data
        p.setPen(QColor(0x2e, 0x7d, 0x32));
        p.setBrush(QColor(0x66, 0xbb, 0x6a));
        p.drawEllipse(QRectF(3, 3, 10, 10));
        break;
    case 1: // locked
        p.setPen(QPen(QColor(0x80, 0x60, 0x00), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4.5, 1.5, 7, 8), 0, 180 * 16);
        p.setBrush(QColor(0xe0, 0xb0, 0x20));
        p.drawRect(QRectF(3, 6.5, 10, 8));
        break;
    default: // shared data kept on the shared server
        p.setPen(QColor(0x15, 0x65, 0xc0));
        p.setBrush(QColor(0x64, 0xb5, 0xf6));
        p.drawRect(QRectF(2.5, 3.5, 11, 9));
        break;
    }
    return pm;
}

QPixmap cloudPicture(bool shared) {
    QPixmap pm(20, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor c = shared ? QColor(0x1e, 0x88, 0xe5) : QColor(0xc8, 0xc8, 0xc8);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QRectF(2, 5, 8, 8));
    p.drawEllipse(QRectF(6, 1, 10, 10));
    p.drawEllipse(QRectF(11, 5, 8, 8));
    p.drawRect(QRectF(6, 8, 9, 5));
    return pm;
}

} // namespace

void RegisterDataSentakuBox() {
    RegisterDialogClass(DialogClassOf<TDataSentakuBox>(), QStringLiteral("QzDataSenkaku"));
}

TDataSentakuBox::TDataSentakuBox(QWidget* owner)
    : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TDataSentakuBox>()) {
    ui->setupUi(this);
    m_keys.Bind(*ui);
    FormCreate();
    SaveFormSize = false;
    HintTarget = ui->HintArea;
    ExecuteButton = ui->btnF12;
    for (int i = 0; i < 3; ++i)
        StatePictures[size_t(i)] = statePicture(i);
    CloudPictures = {cloudPicture(false), cloudPicture(true)};
    ListCtl = std::make_unique<TDataSentakuListCtl>();
    ListCtl->SetConnectMode(ConnectMode);
    DataInfo = std::make_unique<TDataInfomation>();
    DataInfo->ConnectMode = ConnectMode;
    KensakuIO.ListType = 0;
    KensakuIO.InitKensakuRec(CallerJyoken);
    KensakuIO.InitKensakuRec(Jyoken);
    PlaceBox = new TDataPlaceBox(this);
    PlaceRec = SystemDef.ServerDataPlace;
    PlacePath = SystemDef.SYSDIR;
    setWindowTitle(ConnectMode == 0 ? QStringLiteral("データ選択")
                                    : QStringLiteral("データ選択（サーバー）"));
    m_fullCaptions = m_keys.CurrentCaptions();
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    m_incTimer = new QTimer(this);
    m_incTimer->setInterval(0);
    setupGrid();
    connectHandlers();
    SetupDone = true;
}

TDataSentakuBox::~TDataSentakuBox() = default;

TPerfectGrid* TDataSentakuBox::Grid() const {
    return ui->PerfectGrid1;
}

QPushButton* TDataSentakuBox::KeyButton(Key key) const {
    return m_keys.Button(key);
}

QString TDataSentakuBox::KeyCaption(Key key) const {
    return m_keys.Caption(key);
}

void TDataSentakuBox::connectHandlers() {
    const auto onClick = [this](QPushButton* b, void (TDataSentakuBox::*handler)()) {
        connect(b, &QPushButton::clicked, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    m_keys.Connect<TDataSentakuBox>(this, {&TDataSentakuBox::ESCClick, &TDataSentakuBox::F1Click,
                                           &TDataSentakuBox::F2Click, &TDataSentakuBox::F3Click,
                                           &TDataSentakuBox::F4Click, &TDataSentakuBox::F5Click,
                                           &TDataSentakuBox::F6Click, &TDataSentakuBox::F7Click,
                                           &TDataSentakuBox::F8Click, &TDataSentakuBox::F12Click});
    onClick(ui->btnListUpdate, &TDataSentakuBox::btnListUpdateClick);
    onClick(ui->btnDataMan, &TDataSentakuBox::btnDataManClick);
    connect(ui->btnSearch, &QPushButton::clicked, this,
            [this] { guarded([this] { btnSearchClick(false); }); });
    connect(ui->btnSearchCancel, &QPushButton::clicked, this,
            [this] { guarded([this] { btnSearchClick(true); }); });
    connect(ui->btnDataInfo, &QPushButton::clicked, this,
            [this] { guarded([this] { btnDataInfoClick(); }); });
    onClick(ui->btnSharedGet, &TDataSentakuBox::btnKyoyuDataDownClick);
    onClick(ui->btnSharedPut, &TDataSentakuBox::btnKyoyuDataUpClick);
    onClick(ui->btnCloud, &TDataSentakuBox::btnCloudShareClick);
    connect(ui->chkSharedAuto, &QCheckBox::clicked, this, [this](bool on) {
        SystemDef.Reserve4Flag1 = on ? 1 : 0;
        ui->PerfectGrid1->setFocus();
        guarded([this] { SetFunctionKeys(); });
    });
    connect(ui->cmbDataMan, &QComboBox::activated, this, [this](int) {
        guarded([this] {
            cmbDataManChange();
            cmbDataManExit();
        });
    });
    TPerfectGrid* g = ui->PerfectGrid1;
    connect(g, &TPerfectGrid::OnCellClick, this,
            [this](QObject*, int row, int col) { guarded([&] { PerfectGrid1CellClick(row, col); }); });
    connect(g, &TPerfectGrid::OnCellGotFocus, this,
            [this](QObject*, int row, int col) { guarded([&] { PerfectGrid1CellGotFocus(row, col); }); });
    connect(g, &TPerfectGrid::OnCellLostFocus, this,
            [this](QObject*, int row, int col) { guarded([&] { PerfectGrid1CellLostFocus(row, col); }); });
    connect(g, &TPerfectGrid::OnDblClick, this,
            [this](QObject*) { guarded([this] { PerfectGrid1DblClick(); }); });
    connect(g, &TPerfectGrid::OnKeyDown, this, [this](QObject*, int& key, Qt::KeyboardModifiers shift) {
        guarded([&] { PerfectGrid1KeyDown(key, shift); });
    });
    connect(g, &TPerfectGrid::OnKeyPress, this,
            [this](QObject*, QChar& key) { guarded([&] { PerfectGrid1KeyPress(key); }); });
    connect(m_incTimer, &QTimer::timeout, this, [this] { guarded([this] { IncSerchTimerTimer(); }); });
}

// ---- parameters and running -------------------------------------------------------------------------

void TDataSentakuBox::SetSyoriType(int type) {
    if (type < 0 || type > 5)
        throw std::runtime_error("処理タイプに範囲外の値が設定されました。");
    SyoriType = type;
}

void TDataSentakuBox::SetParams(const QStringList& params) {
    Params = params;
    // A missing, non-numeric or negative type leaves the type as it is.
    if (const int type = ParamInt(params, QStringLiteral("SyoriType"), -1); type >= 0)
        SetSyoriType(type);
    KensakuIO.InitKensakuRec(CallerJyoken);
    CallerJyokenSet = false;
    if (hasParam(params, QStringLiteral("JyokenSet"))) {
        CallerJyokenSet = true;
        CallerJyoken.JYOKENUSE = 1;
        CallerJyoken.DATATYPE = ParamInt(params, QStringLiteral("DataType"), 0);
        CallerJyoken.CODETYPE = ParamInt(params, QStringLiteral("CodeType"), 0);
        const struct {
            const char* name;
            int mode;
        } versions[] = {{"DataVer", 0}, {"DataVerMajor", 1}, {"DataVerMore", 2}};
        for (const auto& v : versions) {
            const QString name = QString::fromLatin1(v.name);
            if (hasParam(params, name)) {
                CallerJyoken.DATAVER = ParamValue(params, name).trimmed();
                CallerJyoken.VERCMP = v.mode;
            }
        }
        if (ParamValue(params, QStringLiteral("ManualFree")).trimmed() == QStringLiteral("1"))
            setProperty("ManualFree", true);
    }
    OnlySaOperation = 0;
    OnlySaBackupPath.clear();
    if (SyoriType == 5) {
        if (ParamValue(params, QStringLiteral("OnlySA_Syori")).trimmed() == QStringLiteral("Restore"))
            OnlySaOperation = 1;
        OnlySaBackupPath = ParamValue(params, QStringLiteral("OnlySA_BackupPath"));
    }
}

int TDataSentakuBox::Execute(bool modal) {
    ShowNormalCursor();
    // The host may refuse the selection while another job of its own runs.
    if (modal && HostMenuProc && HostMenuProc(10, QString()) > 0)
        return -1;
    m_modal = modal;
    Prepare(modal);
    if (!modal) {
        show();
        return 1;
    }
    PlaceForm(0, 0, 0, 0, 3);
    return exec();
}

void TDataSentakuBox::Prepare(bool modal) {
    Q_UNUSED(modal);
    switch (SyoriType) {
    case 2:
        SystemDef.SelectedPaths.clear();
        ui->btnCloud->hide();
        if (ConnectMode == 0) {
            SavedSharedAuto = SystemDef.Reserve4Flag1;
            SystemDef.Reserve4Flag1 = 0;
        }
        break;
    case 3:
    case 4:
        ui->btnCloud->hide();
        break;
    case 5:
        SystemDef.SelectedPaths.clear();
        break;
    default:
        break;
    }
    ReloadView();
}

void TDataSentakuBox::ShowingChanged(bool Visible) {
    TBSDI::ShowingChanged(Visible);
    if (!Visible || CloseWhenSetupFailed())
        return;
    update();
    if (ScrollOnShow)
        ScrollToPrevious();
    ScrollOnShow = true;
    ui->PerfectGrid1->setFocus();
    if (hasCurrentRow())
        PerfectGrid1CellGotFocus(ui->PerfectGrid1->CurrentRow(), 0);
    else
        SetFunctionKeys();
    ShowNormalCursor();
}

// ---- keys --------------------------------------------------------------------------------------------

void TDataSentakuBox::FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) {
    Q_UNUSED(Shift);
    if (Key == Qt::Key_Escape) {
        Key = 0;
        ESCClick();
        return;
    }
    if (Key == Qt::Key_F12) {
        Key = 0;
        F12Click();
        return;
    }
    TBSDI::FormKeyUp(Key, Shift);
}

void TDataSentakuBox::keyPressEvent(QKeyEvent* e) {
    using Handler = void (TDataSentakuBox::*)();
    Handler h = nullptr;
    switch (e->key()) {
    case Qt::Key_F1:
        h = &TDataSentakuBox::F1Click;
        break;
    case Qt::Key_F2:
        h = &TDataSentakuBox::F2Click;
        break;
    case Qt::Key_F3:
        h = &TDataSentakuBox::F3Click;
        break;
    case Qt::Key_F4:
        h = &TDataSentakuBox::F4Click;
        break;
    case Qt::Key_F5:
        h = &TDataSentakuBox::F5Click;
        break;
    case Qt::Key_F6:
        h = &TDataSentakuBox::F6Click;
        break;
    case Qt::Key_F7:
        h = &TDataSentakuBox::F7Click;
        break;
    case Qt::Key_F8:
        h = &TDataSentakuBox::F8Click;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter chooses only from the grid.
        e->accept();
        return;
    default:
        TBSDI::keyPressEvent(e);
        return;
    }
    e->accept();
    if (!e->isAutoRepeat())
        guarded([&] { (this->*h)(); });
}

void TDataSentakuBox::afterKey(bool recompute) {
    if (!recompute) {
        SetFunctionKeys();
        return;
    }
    ui->PerfectGrid1->setFocus();
    if (hasCurrentRow())
        PerfectGrid1CellGotFocus(ui->PerfectGrid1->CurrentRow(), ui->PerfectGrid1->CurrentCol());
    SetFunctionKeys();
}

bool TDataSentakuBox::hasCurrentRow() const {
    const int r = ui->PerfectGrid1->CurrentRow();
    return r >= 0 && r != TPerfectGrid::NoRow && r < ui->PerfectGrid1->RowCount();
}

void TDataSentakuBox::ESCClick() {
    if (KeyCaption(kEsc) == QStringLiteral("ESC:") || !ui->pnlBottom->isEnabled())
        return;
    if (CopyPending) {
        CopyPending = false;
        SetDataStatus(CopySource, 1);
        CopySource.clear();
        SetFunctionKeys();
        return;
    }
    EscFlag = true;
    done(ui::mrCancel);
}

void TDataSentakuBox::F1Click() {
    if (KeyCaption(kF1) == QStringLiteral("F1:"))
        return;
    OpenOnlineManual(QStringLiteral("file01.html"));
    afterKey(false);
}

void TDataSentakuBox::F2Click() {
    if (KeyCaption(kF2) == QStringLiteral("F2:"))
        return;
    if (KeyState == 2) {
        CopyPending = false;
        CopyPasteData();
        CopySource.clear();
    } else {
        CopyPending = true;
        CopyPasteData();
    }
    afterKey(true);
}

void TDataSentakuBox::F3Click() {
    const QString caption = KeyCaption(kF3);
    if (caption == QStringLiteral("F3:"))
        return;
    const bool named = hasCurrentRow() && !RowRecord(ui->PerfectGrid1->CurrentRow()).ENTTEXT.isEmpty();
    const bool merged = hasCurrentRow() && RowRecord(ui->PerfectGrid1->CurrentRow()).GASSAN == 1;
    if (caption == QStringLiteral("F3:分散追加"))
        AddBunsanData();
    else if ((ConnectMode == 0 && !merged) || (ConnectMode != 0 && !named))
        NewData();
    else if (ConnectMode != 0)
        TakeOutData();
    else
        AddBunsanData();
    afterKey(true);
}

void TDataSentakuBox::F4Click() {
    const QString caption = KeyCaption(kF4);
    if (caption == QStringLiteral("F4:"))
        return;
    if (ConnectMode == 0)
        UnassignSharedData();
    else
        AddArea();
    afterKey(true);
}

void TDataSentakuBox::F5Click() {
    if (KeyCaption(kF5) == QStringLiteral("F5:"))
        return;
    DeleteData(true);
    afterKey(true);
}

void TDataSentakuBox::F6Click() {
    if (KeyCaption(kF6) == QStringLiteral("F6:"))
        return;
    SaveData(QString());
    afterKey(true);
}

void TDataSentakuBox::F7Click() {
    if (KeyCaption(kF7) == QStringLiteral("F7:"))
        return;
    RestoreData(QString());
    afterKey(true);
}

void TDataSentakuBox::F8Click() {
    if (KeyCaption(kF8) == QStringLiteral("F8:"))
        return;
    if (Disp.isEmpty()) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("データリストが絞り込みにより表示されていません。\r"));
    } else {
        PrintDatasetList(this, 0, List, Disp);
    }
    afterKey(true);
}

int TDataSentakuBox::autoSharedStep(bool upload, const TDataListRec& entry) {
    if (SystemDef.Reserve4Flag1 != 1)
        return 1;
    if (upload && entry.NETDRIVE == 1 && entry.KYOYULOCK == 1)
        return SendSharedData(true);
    if (!upload && entry.NETDRIVE == 1 && entry.KYOYULOCK == 0)
        return ReceiveSharedData(true);
    return 1;
}

// ---- the choice --------------------------------------------------------------------------------------

void TDataSentakuBox::F12Click() {
    if (KeyCaption(kF12) == QStringLiteral("F12:"))
        return;
    setResult(0);
    SystemDef.DataDamaged = 0;
    if (!hasCurrentRow())
        return;
    const int row = ui->PerfectGrid1->CurrentRow();
    const TDataListRec entry = RowRecord(row);
    const QString folder = RowDataPath(row);
    const QString pasName = entry.PASNAME;
    ChosenPath = folder;
    ChosenPasName = pasName;
    const auto clear = [this] {
        ChosenPath.clear();
        ChosenPasName.clear();
    };
    const auto select = [&] {
        SystemDef.DataDir = folder;
        SystemDef.ListPath = pasName;
    };
    bool accept = false;

    if (SyoriType == 2 || SyoriType == 4) {
        if (folder == SystemDef.DataDir) {
            ui::showMessage(ui::MsgKind::Information,
                            QStringLiteral("このデータは現在選択中のデータです。\r他の場所を選んで下さい。"));
            clear();
            return;
        }
        const int r = CheckDataFolder(folder);
        if (r < 0) {
            clear();
            DataListRefresh(row);
            return;
        }
        if (r == 1) {
            ui::showMessage(
                ui::MsgKind::Information,
                QStringLiteral("選択したパスには既にデータが存在します。\r他の場所を選んで下さい。"));
            clear();
            return;
        }
        if (SyoriType == 2 && ConnectMode == 0 && SystemDef.DataDir != SystemDef.ListPath &&
            folder == pasName) {
            const QString text = QStringLiteral(
                "更新前データは共有データ領域で管理されています。\r"
                "今回指定した保存先では他のオペレータとデータが共有できません。\r"
                "共有の必要がなければこのメッセージを[OK]してください。\r"
                "共有する必要がある場合は[キャンセル]し、データ選択画面右上の「共有取得」ボタン\r"
                "より、共有データ領域をお選びください。");
            if (ui::showMessage(ui::MsgKind::Confirmation, text, ui::mbOK | ui::mbCancel) != ui::mrOk)
                return;
        }
        SystemDef.SelectedPaths =
            QStringLiteral("PATH1=%1").arg(folder) + u'\r' + QStringLiteral("PATH2=%1").arg(pasName);
        done(ui::mrOk);
        return;
    }

    if (entry.NETDRIVE == 1 && entry.KYOYULOCK == 0 && SystemDef.Reserve4Flag1 == 0) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("このデータは共有サーバーに保管されています。\r"
                                       "共有取得を実行してから選択して下さい。"));
        return;
    }
    int r = 0;
    try {
        r = CheckDataFolder(folder);
    } catch (const std::exception&) {
        r = DM->CallDataCheck(SystemDef.HOSTNAME, folder, 0, 0) != 0 ? -1 : -3;
    }
    if (r < 0) {
        clear();
        DataListRefresh(row);
        if (r == -3 && row < ui->PerfectGrid1->RowCount()) {
            RowRecord(row).DATA_STATUS = 1;
            ui->PerfectGrid1->SetCellValue(row, colStatus, 1);
            ui->PerfectGrid1->SetRowBackColor(row, 255);
        }
        return;
    }
    if (r == 0) {
        if (SyoriType != 5) {
            clear();
            return;
        }
        if (OnlySaOperation == 0) {
            ui::showMessage(ui::MsgKind::Information,
                            QStringLiteral("この場所にはデータがありません。他の場所を選んで下さい。"));
            clear();
            return;
        }
        select();
        // Only a restore that was carried out and succeeded is a choice.
        accept = autoSharedStep(false, entry) > 0 && RestoreData(OnlySaBackupPath) == 1;
    } else if (SyoriType == 0 || SyoriType == 1) {
        const QString mark = ui->PerfectGrid1->CellText(row, colUpdate);
        if (!mark.isEmpty() && mark != QStringLiteral("0")) {
            ShowCannedMessage(0x1011);
            clear();
            return;
        }
        select();
        accept = true;
    } else if (SyoriType == 5) {
        if (DM->IsCloudShareEnabled(0) && entry.CLOUD == 1) {
            ui::showMessage(
                ui::MsgKind::Information,
                QStringLiteral("クラウドシェアデータのため選択できません。他の場所を選んで下さい。"));
            clear();
            return;
        }
        select();
        if (autoSharedStep(false, entry) <= 0) {
            clear();
            return;
        }
        if (OnlySaOperation == 1) {
            accept = RestoreData(OnlySaBackupPath) == 1;
        } else {
            int x = SaveData(OnlySaBackupPath);
            if (x == 1)
                x = autoSharedStep(true, entry);
            accept = x > 0;
        }
    } else {
        select();
        accept = true;
    }
    if (!accept) {
        clear();
        return;
    }
    done(ui::mrOk);
}

int TDataSentakuBox::CheckDataFolder(const QString& folder) {
    const QString f = TrimZenkaku(folder);
    if (f.isEmpty()) {
        if (SyoriType == 3)
            return -2;
        throw std::runtime_error(kBadFolder.toStdString());
    }
    const QString database = ExcludePathDelim(f) + u'/' + DataFileName;
    if (ConnectMode == 0) {
        int s = 1;
        if (SyoriType == 2 || SyoriType == 4)
            s = CheckDataStatus(f, false, false);
        else if (SyoriType != 5)
            s = CheckDataStatus(f, true, true);
        if (s == 1)
            return QFileInfo(database).isFile() ? 1 : 0;
        return SystemDef.DataDamaged == 1 ? -3 : -1;
    }
    if (SyoriType == 2 || SyoriType == 4)
        return DM->ServerFExist(database, ConnectMode) ? 1 : 0;
    if (SyoriType == 5)
        return -1;
    const int s = CheckDataStatus(f, true, true);
    if (s == 1 || s == 2) {
        if (DM->ServerFExist(database, ConnectMode))
            return 1;
        ui::showMessage(ui::MsgKind::Warning, QStringLiteral("このフォルダには財務データがありません。\r"),
                        ui::mbYes);
        return -1;
    }
    return SystemDef.DataDamaged == 1 ? -3 : -1;
}

void TDataSentakuBox::FillEntry(TDataListRec& e, bool empty) {
    if (empty) {
        const qint32 rec = e.REC, netDrive = e.NETDRIVE;
        const QString pasName = e.PASNAME, localPath = e.LOCALPATH;
        const quint8 status = e.DATA_STATUS;
        e = TDataListRec();
        e.REC = rec;
        e.NETDRIVE = netDrive;
        e.PASNAME = pasName;
        e.LOCALPATH = localPath;
        e.DATA_STATUS = status;
        e.GROUPID = SystemDef.GROUPID;
        e.NENDO = 1;
        if (e.NETDRIVE == 1) {
            e.ENTTEXT = kFreeAreaText;
            e.KYOYULOCK = 1;
        }
        e.DISPNAME = e.ENTTEXT;
        return;
    }
    ListCtl->DataInfoToDataListRec(InfoBuf, e);
    e.GASSAN = InfoBuf.GASSANKBN;
}

// ---- closing -----------------------------------------------------------------------------------------

bool TDataSentakuBox::closeQuery(int& result) {
    if ((SyoriType == 1 || SyoriType == 3) && result != ui::mrOk) {
        if (SyoriType == 1 && result == ui::mrCancel && !EscFlag) {
            result = 3;
            if (ui::showMessage(ui::MsgKind::Confirmation,
                                SystemDef.AppName + QStringLiteral("を終了します。よろしいですか？"),
                                ui::mbOK | ui::mbCancel) != ui::mrOk)
                return false;
        } else {
            ChosenPath = ExcludePathDelim(PrevSelection);
            ChosenPasName.clear();
            int r = 0;
            try {
                r = CheckDataFolder(ChosenPath);
            } catch (const std::exception& e) {
                ui::showMessage(ui::MsgKind::Error, QString::fromStdString(e.what()));
                return false;
            }
            if (r < 0) {
                ChosenPath.clear();
                if (SyoriType == 1)
                    return false;
            } else if (r == 0) {
                ui::showMessage(ui::MsgKind::Information,
                                QStringLiteral("前回、選択したデータは削除されています。\r"));
                ChosenPath.clear();
                if (SyoriType == 1)
                    return false;
            } else {
                SystemDef.DataDir = ChosenPath;
                SystemDef.ListPath.clear();
            }
        }
    }
    if (SyoriType == 2 && !DM->IBDatabaseDAT.isConnected() && !SystemDef.DataDir.isEmpty())
        DM->fnAccDatConnected(SystemDef.HOSTNAME, SystemDef.DataDir, 0);
    return true;
}

void TDataSentakuBox::done(int r) {
    int result = r;
    bool closing = true;
    guarded([&] { closing = closeQuery(result); });
    if (!closing) {
        EscFlag = false;
        setResult(0);
        return;
    }
    m_incTimer->stop();
    TBSDI::done(result);
}

void TDataSentakuBox::FormClose(TCloseAction& Action) {
    TBSDI::FormClose(Action);
    try {
        if (CopyPending) {
            CopyPending = false;
            SetDataStatus(CopySource, 1);
            CopySource.clear();
        }
        Jyoken.SORTCOL = SortCol;
        Jyoken.SORTTYPE = SortDesc ? 1 : 0;
        Jyoken.OPCODE = SystemDef.OPCODE;
        Jyoken.LISTTYPE = 0;
        if (DM && DM->IBDatabaseDEF.isConnected())
            KensakuIO.UpdateRecordSortField(Jyoken);
        if (SyoriType == 5)
            return;
        SystemDef.ServerDataPlace = ConnectMode != 0 ? PlaceRec : 0;
        if (SyoriType == 2) {
            if (ConnectMode == 0)
                SystemDef.Reserve4Flag1 = SavedSharedAuto;
        } else if (DM && DM->IBDatabaseDEF.isConnected()) {
            DM->fnPutSysDef();
        }
    } catch (const std::exception&) {
        // Reported where it happened; the dialog closes all the same.
    }
}
