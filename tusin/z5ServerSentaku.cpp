// The shared-server list dialog: share folders, grid, key bar, keys, sorting, incremental search and the
// buttons above the list.

#include "tusin/z5ServerSentaku.h"

#include "controls/PerfectGrid.h"
#include "controls/SafeCall.h"
#include "controls/xAnimeProgressDialog.h"
#include "controls/z5HtmlHelp.h"
#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "datalist/z5DataListKensaku.h"
#include "datalist/z5DataSentakuPrintDlg.h"
#include "datalist/z5DataSyosaiInfo.h"
#include "platform/IniFile.h"
#include "platform/ShellFileOps.h"
#include "platform/UserInteraction.h"
#include "ui_z5ServerSentaku.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

namespace {

struct ColumnDef {
    const char16_t* header;
    int width;
    int align;
};

const ColumnDef kColumns[TServerSentakuBox::ColCount] = {
    {u"No", 40, 1},
    {u"コード", 70, 0},
    {u"ｸﾗｳﾄﾞ", 40, 2},
    {u"データ名", 208, 0},
    {u"会計年度", 80, 2},
    {u"会計期間", 180, 2},
    {u"データフォルダ", 200, 0},
    {u"バージョン", 90, 2},
    {u"共有", 32, 2},
    {u"", 0, 0},
    {u"", 0, 0},
    {u"", 0, 0},
    {u"", 0, 0},
    {u"", 0, 0},
    {u"", 0, 0},
    {u"", 0, 0},
    {u"", 0, 0},
    {u"", 0, 0},
};

const QString kSectionShareFolders = QStringLiteral("SHAREFOLDER");
const QString kSelectHint = QStringLiteral(
    "［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。|［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。\r\n"
    "［共有］欄にｱｲｺﾝが付いているﾃﾞｰﾀは他のｵﾍﾟﾚｰﾀが使用しているため取得できません。\r\n"
    "［F4］で新規にﾃﾞｰﾀ領域を作成できます。\r\n"
    "行を選択すると［ﾃﾞｰﾀ選択］に戻ります。「新しい領域」行への新規ﾃﾞｰﾀ作成や、共有ﾃﾞｰﾀのﾌﾗｯｼｭﾒﾓﾘなどへの保存"
    "は"
    "［ﾃﾞｰﾀ選択］で行います。");
const QString kPasteHint =
    QStringLiteral("貼り付け先を選択して［F2］を押します。|貼り付け先を選択して［F2］を押します。\r\n"
                   "ｺﾋﾟｰ処理を中断する場合は［ESC］を押します。");
const QString kNoDriveHint =
    QStringLiteral("|[共有割当]ボタンよりネットワーク上の共有フォルダをドライブに割り当てて下さい。");
const QString kNoAreaHint = QStringLiteral("|［F4］でﾃﾞｰﾀ領域を作成してください。");

bool isAreaName(const QString& name) {
    return name.isEmpty() || name == kFreeAreaText || name == kNewAreaText;
}

// The share and cloud marks, drawn here as the form has no image lists.
QPixmap sharePicture(bool inUse) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    if (!inUse)
        return pm;
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0x8e, 0x24, 0x24));
    p.setBrush(QColor(0xe5, 0x73, 0x73));
    p.drawEllipse(QRectF(4, 1.5, 8, 7));
    p.drawRoundedRect(QRectF(2.5, 9, 11, 6), 3, 3);
    return pm;
}

QPixmap cloudPicture(bool shared) {
    QPixmap pm(20, 14);
    pm.fill(Qt::transparent);
    if (!shared)
        return pm;
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1e, 0x88, 0xe5));
    p.drawEllipse(QRectF(2, 5, 8, 8));
    p.drawEllipse(QRectF(6, 1, 10, 10));
    p.drawEllipse(QRectF(11, 5, 8, 8));
    p.drawRect(QRectF(6, 8, 9, 5));
    return pm;
}

// Mount points of network file systems, from the kernel's mount table.
QStringList networkMounts() {
    static const QStringList kinds{
        QStringLiteral("nfs"),   QStringLiteral("nfs4"),       QStringLiteral("cifs"), QStringLiteral("smb3"),
        QStringLiteral("smbfs"), QStringLiteral("fuse.sshfs"), QStringLiteral("9p"),   QStringLiteral("afs"),
        QStringLiteral("ceph"),  QStringLiteral("glusterfs")};
    QStringList out;
    QFile f(QStringLiteral("/proc/self/mounts"));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() < 3 || !kinds.contains(QString::fromLatin1(parts[2])))
            continue;
        // The table escapes blanks and the like as octal "\040".
        QByteArray path = parts[1];
        QByteArray decoded;
        for (qsizetype i = 0; i < path.size(); ++i) {
            if (path[i] == '\\' && i + 3 < path.size()) {
                decoded.append(char(path.mid(i + 1, 3).toInt(nullptr, 8)));
                i += 3;
            } else {
                decoded.append(path[i]);
            }
        }
        out << QString::fromUtf8(decoded);
    }
    return out;
}

QString shareRootOf(const QString& folder) {
    return ExcludePathDelim(folder) + u'/' + ShareDirName;
}

} // namespace

QList<TShareFolder> ListShareFolders() {
    QList<TShareFolder> out;
    QStringList used;
    if (!SystemDef.AppIniFile.isEmpty() && QFileInfo(SystemDef.AppIniFile).isFile()) {
        const IniFile ini(SystemDef.AppIniFile);
        for (char c = 'A'; c <= 'Z'; ++c) {
            const QString letter(QLatin1Char{c});
            const QString folder = ExcludePathDelim(ini.readString(kSectionShareFolders, letter, QString()));
            if (folder.isEmpty() || !QFileInfo(shareRootOf(folder)).isDir())
                continue;
            out.append({letter, folder, shareRootOf(folder)});
            used << letter;
        }
    }
    for (const QString& mount : networkMounts()) {
        if (!QFileInfo(shareRootOf(mount)).isDir())
            continue;
        bool known = false;
        for (const TShareFolder& s : std::as_const(out))
            known = known || s.Folder == ExcludePathDelim(mount);
        if (known)
            continue;
        for (char c = 'Z'; c >= 'A'; --c) {
            const QString letter(QLatin1Char{c});
            if (!used.contains(letter)) {
                used << letter;
                out.append({letter, ExcludePathDelim(mount), shareRootOf(mount)});
                break;
            }
        }
    }
    return out;
}

QString AddShareFolder(const QString& picked) {
    QString folder = ExcludePathDelim(picked);
    if (folder.isEmpty())
        return {};
    if (QFileInfo(folder).fileName() == ShareDirName && !QFileInfo(shareRootOf(folder)).isDir())
        folder = QFileInfo(folder).absolutePath();
    if (!QFileInfo(shareRootOf(folder)).isDir() || SystemDef.AppIniFile.isEmpty())
        return {};
    for (const TShareFolder& s : ListShareFolders())
        if (s.Folder == folder)
            return s.Letter;
    IniFile ini(SystemDef.AppIniFile, false);
    for (char c = 'A'; c <= 'Z'; ++c) {
        const QString letter(QLatin1Char{c});
        if (ini.readString(kSectionShareFolders, letter, QString()).isEmpty()) {
            ini.writeString(kSectionShareFolders, letter, folder);
            return ini.save() ? letter : QString();
        }
    }
    return {};
}

bool IsPathStrictlyInside(const QString& path, const QString& root) {
    if (path.trimmed().isEmpty() || root.trimmed().isEmpty())
        return false;
    const QString p = shellfileops::canonicalPath(path);
    const QString r = shellfileops::canonicalPath(root);
    if (p.isEmpty() || r.isEmpty() || p == r)
        return false;
    return p.startsWith(r == QStringLiteral("/") ? r : r + u'/');
}

QChar IncSearchChar(int vk) {
    if ((vk >= 48 && vk <= 57) || (vk >= 65 && vk <= 90))
        return QChar(vk);
    if (vk >= 96 && vk <= 105)
        return QChar(vk - 48);
    if (vk >= 106 && vk <= 111)
        return QChar(vk - 64);
    if ((vk >= 186 && vk <= 187) || (vk >= 192 && vk <= 224))
        return QChar(vk - 128);
    if (vk >= 225 && vk <= 226)
        return QChar(vk - 134);
    if (vk >= 188 && vk <= 191)
        return QChar(vk - 144);
    return {};
}

int VirtualKeyOf(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return 96 + (key - Qt::Key_0);
        switch (key) {
        case Qt::Key_Asterisk:
            return 106;
        case Qt::Key_Plus:
            return 107;
        case Qt::Key_Comma:
            return 108;
        case Qt::Key_Minus:
            return 109;
        case Qt::Key_Period:
            return 110;
        case Qt::Key_Slash:
            return 111;
        default:
            return 0;
        }
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key;
    // The punctuation keys of the Japanese layout, with and without Shift.
    switch (key) {
    case Qt::Key_Colon:
    case Qt::Key_Asterisk:
        return 186;
    case Qt::Key_Semicolon:
    case Qt::Key_Plus:
        return 187;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return 188;
    case Qt::Key_Minus:
    case Qt::Key_Equal:
        return 189;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return 190;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return 191;
    case Qt::Key_At:
    case Qt::Key_QuoteLeft:
        return 192;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return 219;
    case Qt::Key_yen:
    case Qt::Key_Bar:
        return 220;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return 221;
    case Qt::Key_AsciiCircum:
    case Qt::Key_AsciiTilde:
        return 222;
    case Qt::Key_Backslash:
    case Qt::Key_Underscore:
        return 226;
    default:
        return 0;
    }
}

TServerSentakuBox::TServerSentakuBox(QWidget* owner)
    : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TServerSentakuBox>()) {
    ui->setupUi(this);
    m_keys.Bind(*ui);
    FormCreate();
    SaveFormSize = false;
    KeepOnClose = true;
    HintTarget = ui->HintArea;
    ExecuteButton = ui->btnF12;
    m_sharePictures = {sharePicture(false), sharePicture(true)};
    m_cloudPictures = {cloudPicture(false), cloudPicture(true)};
    ListCtl = std::make_unique<TDataSentakuListCtl>();
    ListCtl->SetConnectMode(ConnectMode);
    ListCtl->ServerListMode = 1;
    DataInfo = std::make_unique<TDataInfomation>();
    DataInfo->ConnectMode = ConnectMode;
    KensakuIO.ListType = 1;
    KensakuIO.InitKensakuRec(StoredJyoken);
    Jyoken = StoredJyoken;
    m_progress = std::make_unique<TxAnimeProgressDialog>();
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

TServerSentakuBox::~TServerSentakuBox() = default;

TPerfectGrid* TServerSentakuBox::Grid() const {
    return ui->PerfectGrid1;
}

QPushButton* TServerSentakuBox::KeyButton(Key key) const {
    return m_keys.Button(key);
}

QString TServerSentakuBox::KeyCaption(Key key) const {
    return m_keys.Caption(key);
}

void TServerSentakuBox::setupGrid() {
    TPerfectGrid* g = ui->PerfectGrid1;
    g->SetCols(ColCount);
    for (int c = 0; c < ColCount; ++c) {
        g->SetColAlignment(c, kColumns[c].align);
        g->SetColWidth(c, kColumns[c].width);
        if (c <= colShareFlag)
            g->SetCellAlignment(-1, c, 2);
    }
    if (TavrinoEdition != 0) {
        g->SetColWidth(colCloud, 0);
        g->SetColWidth(colName, 248);
    } else {
        g->SetColWidth(colName, 280 - g->GetColWidth(colCloud) - g->GetColWidth(colShare));
    }
    g->SetColCellType(colCloud, 5);
    g->SetColCellType(colShare, 5);
    SetGridColors(g, 0);
    // The header keeps the operator's colour where one is set.
    if (SystemDef.ColHeaderColor == 0)
        g->setFixedBackColor(0xDBDBDB);
    g->setBackColor(0xFFFFFF);
    g->setOddRowBackColor(0xFFF0E1);
    g->setProperty("FocusBorderColor", 0x804000);
    g->AllowSelCol = false;
    g->AllowSelRow = false;
    setHeaders();
    ui->txtIncSerch->hide();
}

void TServerSentakuBox::setHeaders() {
    TPerfectGrid* g = ui->PerfectGrid1;
    for (int c = 0; c < ColCount; ++c) {
        QString text = QString::fromUtf16(kColumns[c].header);
        if (c == SortCol)
            text += SortDesc ? QStringLiteral("▼") : QStringLiteral("▲");
        g->SetCellText(-1, c, text);
    }
}

void TServerSentakuBox::connectHandlers() {
    TPerfectGrid* g = ui->PerfectGrid1;
    m_keys.Connect<TServerSentakuBox>(
        this, {&TServerSentakuBox::ESCClick, &TServerSentakuBox::F1Click, &TServerSentakuBox::F2Click,
               nullptr, &TServerSentakuBox::F4Click, &TServerSentakuBox::F5Click, nullptr, nullptr,
               &TServerSentakuBox::F8Click, &TServerSentakuBox::F12Click});
    connect(ui->btnSearch, &QPushButton::clicked, this, [this] { guarded([this] { btnSearchClick(); }); });
    connect(ui->btnSearchCancel, &QPushButton::clicked, this,
            [this] { guarded([this] { btnSearchCancelClick(); }); });
    connect(ui->btnInfo, &QPushButton::clicked, this, [this] { guarded([this] { btnInfoClick(); }); });
    connect(ui->btnRefresh, &QPushButton::clicked, this, [this] { guarded([this] { btnRefreshClick(); }); });
    connect(ui->btnMapDrive, &QPushButton::clicked, this,
            [this] { guarded([this] { btnMapDriveClick(); }); });
    connect(ui->chkAutoRefresh, &QCheckBox::clicked, this,
            [](bool on) { SystemDef.Reserve4Flag2 = on ? 1 : 0; });
    connect(ui->cmbDrive, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { guarded([this, index] { SelectDrive(index); }); });
    connect(g, &TPerfectGrid::OnCellGotFocus, this,
            [this](QObject*, int row, int col) { guarded([&] { GridCellGotFocus(row, col); }); });
    connect(g, &TPerfectGrid::OnCellLostFocus, this,
            [this](QObject*, int row, int col) { guarded([&] { GridCellLostFocus(row, col); }); });
    connect(g, &TPerfectGrid::OnDblClick, this, [this](QObject*) {
        guarded([this] {
            if (ui->PerfectGrid1->RowCount() > 0)
                F12Click();
        });
    });
    connect(g, &TPerfectGrid::OnKeyDown, this, [this](QObject*, int& key, Qt::KeyboardModifiers shift) {
        guarded([&] { GridKeyDown(key, shift); });
    });
    connect(g, &TPerfectGrid::OnKeyPress, this, [this](QObject*, QChar& key) {
        if (key != u'\r')
            return;
        key = QChar();
        guarded([this] {
            if (ui->PerfectGrid1->RowCount() > 0)
                F12Click();
        });
    });
    connect(g->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int col) { guarded([this, col] { SortByColumn(col); }); });
    connect(m_incTimer, &QTimer::timeout, this, [this] { guarded([this] { IncSearchTimerTimer(); }); });
}

void TServerSentakuBox::setHints() {
    QString driveHint = QStringLiteral(
        "ﾘｽﾄからﾃﾞｰﾀを管理しているﾄﾞﾗｲﾌﾞを選択します。|ﾘｽﾄからﾃﾞｰﾀを管理しているﾄﾞﾗｲﾌﾞを選択します。\r\n"
        "ﾏｲｺﾝﾋﾟｭｰﾀに表示されるﾄﾞﾗｲﾌﾞの中からﾄﾞﾗｲﾌﾞ直下に“pellanzaimu”ﾌｫﾙﾀﾞのあるﾄﾞﾗｲﾌﾞのみを表示しています"
        "。");
    if (TavrinoEdition == 1 || TavrinoEdition == 2)
        driveHint.replace(QStringLiteral("pellanzaimu"), ShareDirName);
    SetHint(ui->cmbDrive, driveHint);
    SetHint(ui->btnMapDrive, QStringLiteral("ネットワーク上の共有フォルダをドライブに割り当てます。|"));
    SetHint(ui->btnSearchCancel, QStringLiteral("検索状態を解除します。|"));
    SetHint(ui->btnSearch,
            QStringLiteral("［検索条件の設定］画面を開きます。一定条件に該当するﾃﾞｰﾀを抽出表示する場合に"
                           "使用します。|"));
    SetHint(ui->btnInfo,
            QStringLiteral("「ﾃﾞｰﾀの詳細情報」画面を開きます。選択ﾃﾞｰﾀの基本情報を表示します。ﾃﾞｰﾀの表示名を"
                           "変更できます。|"));
    SetHint(ui->btnRefresh,
            QStringLiteral("ﾃﾞｰﾀﾘｽﾄを更新します。ﾌﾟﾛｸﾞﾗﾑの機能を使わずに移行したﾃﾞｰﾀを表示できます。|"));
    SetHint(ui->PerfectGrid1, kSelectHint);
}

// ---- opening and the share folders ---------------------------------------------------------------

void TServerSentakuBox::Setup(int mode) {
    Mode = mode;
    setHints();
    ChosenFolder.clear();
    ChosenName.clear();
    PastePending = false;
    CopySource.clear();
    CopyIndex = -1;
    ShareRoot.clear();

    KensakuIO.SelectRecord(StoredJyoken);
    Jyoken = StoredJyoken;
    if (Jyoken.JYOKENUSE == 0) {
        ClearKensakuFilters(Jyoken);
        Jyoken.SEIHINNAME.clear();
    }
    ui->btnSearchCancel->setEnabled(Jyoken.JYOKENUSE == 1);
    if (SortChosen) {
        Jyoken.SORTCOL = SortCol;
        Jyoken.SORTTYPE = SortDesc ? 1 : 0;
    } else {
        SortCol = Jyoken.SORTCOL;
        SortDesc = Jyoken.SORTTYPE == 1;
    }
    if (SortCol == 0) {
        SortCol = colFolder;
        SortDesc = false;
    }

    BuildDriveList();
    {
        const QSignalBlocker block(ui->chkAutoRefresh);
        ui->chkAutoRefresh->setChecked(SystemDef.Reserve4Flag2 != 0);
    }
    TPerfectGrid* g = ui->PerfectGrid1;
    g->DeleteRows(0, g->RowCount());
    if (!ShareRoot.isEmpty()) {
        LoadList(false);
        FillGrid();
        if (SystemDef.Reserve4Flag2 == 1 || g->RowCount() == 0)
            RefreshFromShare();
    }
    Shown = false;
    SetFunctionKeys();
}

void TServerSentakuBox::BuildDriveList() {
    Drives = ListShareFolders();
    const QSignalBlocker block(ui->cmbDrive);
    ui->cmbDrive->clear();
    if (Drives.isEmpty()) {
        ui->cmbDrive->addItem(QStringLiteral("[%1]が見つかりません").arg(ShareDirName));
        DriveLetter.clear();
        ShareRoot.clear();
        return;
    }
    int chosen = 0;
    for (int i = 0; i < Drives.size(); ++i) {
        ui->cmbDrive->addItem(QStringLiteral("%1: %2").arg(Drives[i].Letter, Drives[i].Folder));
        if (Drives[i].Letter.compare(DriveLetter, Qt::CaseInsensitive) == 0)
            chosen = i;
    }
    ui->cmbDrive->setCurrentIndex(chosen);
    DriveLetter = Drives[chosen].Letter;
    ShareRoot = Drives[chosen].Root;
}

void TServerSentakuBox::SelectDrive(int index) {
    if (index < 0 || index >= Drives.size())
        return;
    DriveLetter = Drives[index].Letter;
    ShareRoot = Drives[index].Root;
    LoadList(false);
    FillGrid();
    if (SystemDef.Reserve4Flag2 == 1 || ui->PerfectGrid1->RowCount() == 0)
        RefreshFromShare();
    SetFunctionKeys();
}

QString TServerSentakuBox::areaPath(const QString& name) const {
    return ShareRoot + u'/' + name;
}

// ---- the grid -----------------------------------------------------------------------------------------

int TServerSentakuBox::ListIndexOfRow(int row) const {
    TPerfectGrid* g = ui->PerfectGrid1;
    if (row < 0 || row >= g->RowCount())
        return -1;
    const int index = int(g->GetCellValue(row, colListIndex));
    return index >= 0 && index < List.size() ? index : -1;
}

TDataListRec* TServerSentakuBox::RowRecord(int row) {
    const int index = ListIndexOfRow(row);
    if (index < 0)
        return nullptr;
    const int child = int(ui->PerfectGrid1->GetCellValue(row, colChildIndex));
    if (child > 0) {
        TDataSentakuRec& parent = List[index];
        return child <= parent.CHILDREN.size() ? &parent.CHILDREN[child - 1] : nullptr;
    }
    return &List[index];
}

bool TServerSentakuBox::HasCurrentRow() const {
    const TPerfectGrid* g = ui->PerfectGrid1;
    const int row = g->CurrentRow();
    return row != TPerfectGrid::NoRow && row >= 0 && row < g->RowCount();
}

void TServerSentakuBox::fillRow(int r, const TDataListRec& e) {
    TPerfectGrid* g = ui->PerfectGrid1;
    const bool area = isAreaName(e.ENTTEXT);
    g->SetCellText(r, colCode, e.DATACODE);
    g->SetCellPicture(r, colCloud, m_cloudPictures[e.CLOUD == 1 ? 1 : 0]);
    g->SetCellText(r, colName, e.DISPNAME);
    g->SetCellText(r, colNendo, area ? QString() : QStringLiteral("%1 期").arg(e.NENDO));
    g->SetCellText(r, colKikan, area ? QStringLiteral("～") : e.KIKAN);
    g->SetCellText(r, colFolder, e.PASNAME);
    g->SetCellText(r, colVersion, e.VER_TEXT);
    DataInfo->ReadDataIni(e.PASNAME, DataInfo->Rec);
    const bool inUse = DataInfo->Rec.SHARE_STATUS == 2;
    g->SetCellPicture(r, colShare, m_sharePictures[inUse ? 1 : 0]);
    g->SetCellValue(r, colShareFlag, inUse ? 1 : 0);
    g->SetCellValue(r, colUpdateLock, e.UPDATE_LOCK);
    g->SetCellValue(r, colGassan, e.GASSAN);
    g->SetCellValue(r, colStatus, e.DATA_STATUS);
    g->SetCellValue(r, colCloudFlag, e.CLOUD);
    g->SetCellValue(r, colReadOnly, e.READ_ONLY);
    paintRow(r);
}

void TServerSentakuBox::paintRow(int r) {
    TPerfectGrid* g = ui->PerfectGrid1;
    if (int(g->GetCellValue(r, colStatus)) == 1)
        g->SetRowBackColor(r, 255);
    else
        g->SetRowBackColor(r, r % 2 == 1 ? g->OddRowBackColor() : g->BackColor());
}

void TServerSentakuBox::FillGrid() {
    TPerfectGrid* g = ui->PerfectGrid1;
    g->DeleteRows(0, g->RowCount());
    setHeaders();
    int rows = 0;
    for (qint32 index : std::as_const(Disp))
        rows += 1 + List[index].CHILDREN.size();
    g->InsertRows(0, std::min(rows, g->Rows()));
    int r = 0;
    int number = 0;
    for (qint32 index : std::as_const(Disp)) {
        if (r >= g->RowCount())
            break;
        TDataSentakuRec& parent = List[index];
        TDataSentakuListCtl::NumberChildNames(parent);
        g->SetCellText(r, colNo, QString::number(++number));
        g->SetCellValue(r, colListIndex, index);
        g->SetCellValue(r, colChildIndex, 0);
        fillRow(r, parent);
        ++r;
        for (int c = 0; c < parent.CHILDREN.size() && r < g->RowCount(); ++c, ++r) {
            g->SetCellText(r, colNo, QString());
            g->SetCellValue(r, colListIndex, index);
            g->SetCellValue(r, colChildIndex, c + 1);
            fillRow(r, parent.CHILDREN[c]);
        }
    }
    if (g->RowCount() > 0)
        g->SetCurrentCell(0, colName);
}

void TServerSentakuBox::GridCellGotFocus(int row, int col) {
    Q_UNUSED(col);
    TPerfectGrid* g = ui->PerfectGrid1;
    if (row < 0 || row >= g->RowCount())
        return;
    g->SetRowForeColor(row, int(g->GetCellValue(row, colStatus)) == 1 ? g->ForeColor() : 0x804000);
    QFont font = MainForm() ? MainForm()->font() : this->font();
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    g->SetRowFont(row, font);
    SetFunctionKeys();
}

void TServerSentakuBox::GridCellLostFocus(int row, int col) {
    Q_UNUSED(col);
    TPerfectGrid* g = ui->PerfectGrid1;
    if (row < 0 || row >= g->RowCount())
        return;
    g->SetRowForeColor(row, g->ForeColor());
    g->SetRowFont(row, std::nullopt);
}

void TServerSentakuBox::selectFolderRow(const QString& folder) {
    TPerfectGrid* g = ui->PerfectGrid1;
    for (int r = 0; r < g->RowCount(); ++r) {
        if (g->CellText(r, colFolder).compare(folder, Qt::CaseInsensitive) == 0) {
            g->SetCurrentCell(r, colName);
            g->MakeRowVisible(r);
            GridCellGotFocus(r, colName);
            return;
        }
    }
}

// ---- key bar and keys ---------------------------------------------------------------------------------

void TServerSentakuBox::SetFunctionKeys() {
    TListKeyBar::Captions cap = {QStringLiteral("ESC:ｷｬﾝｾﾙ"),   QStringLiteral("F1:ヘルプ"),
                                 QStringLiteral("F2:コピー"),   QStringLiteral("F3:"),
                                 QStringLiteral("F4:領域追加"), QStringLiteral("F5:ﾃﾞｰﾀ削除"),
                                 QStringLiteral("F6:"),         QStringLiteral("F7:"),
                                 QStringLiteral("F8:印刷"),     QStringLiteral("F12:選択")};
    const auto blank = [&](Key k) { TListKeyBar::Blank(cap, k); };
    bool f12Enabled = true;
    KeyMode = 0;
    TPerfectGrid* g = ui->PerfectGrid1;
    if (g->hasFocus() || QApplication::focusWidget() == g || !isVisible()) {
        QString hint = kSelectHint;
        if (ShareRoot.isEmpty())
            hint = kNoDriveHint;
        else if (List.isEmpty())
            hint = kNoAreaHint;
        if (HasCurrentRow()) {
            KeyMode = PastePending ? 2 : 1;
            if (PastePending) {
                cap[kF2] = QStringLiteral("F2:貼り付け");
                hint = kPasteHint;
            }
            const int row = g->CurrentRow();
            const TDataListRec* e = RowRecord(row);
            const QString name = e ? e->ENTTEXT : QString();
            if (int(g->GetCellValue(row, colGassan)) == 10) {
                blank(kF2);
                blank(kF5);
                blank(kF12);
                f12Enabled = false;
            }
            if (isAreaName(name) && !PastePending)
                blank(kF2);
            if (int(g->GetCellValue(row, colShareFlag)) == 1) {
                if (PastePending)
                    blank(kF2);
                blank(kF5);
            }
            if (int(g->GetCellValue(row, colStatus)) != 0) {
                if (KeyMode == 1)
                    blank(kF2);
                blank(kF12);
            }
        }
        SetHint(g, hint);
        ShowLongHint(g, ui->HintArea);
    }
    if (!g->isEnabled() || !m_bottomEnabled) {
        KeyMode = 0;
        blank(kF8);
        blank(kF12);
    }
    if (KeyMode == 0)
        for (Key k : {kF2, kF3, kF4, kF5, kF6, kF7})
            blank(k);
    if (!ShareRoot.isEmpty())
        cap[kF4] = QStringLiteral("F4:領域追加");
    m_keys.Show(cap);
    ui->btnF12->setEnabled(f12Enabled);
}

void TServerSentakuBox::afterKey() {
    TPerfectGrid* g = ui->PerfectGrid1;
    g->setFocus();
    if (HasCurrentRow())
        GridCellGotFocus(g->CurrentRow(), g->CurrentCol());
    SetFunctionKeys();
}

void TServerSentakuBox::FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) {
    switch (Key) {
    case Qt::Key_Escape:
        ESCClick();
        Key = 0;
        return;
    case Qt::Key_F1:
        F1Click();
        break;
    case Qt::Key_F2:
        F2Click();
        break;
    case Qt::Key_F4:
        F4Click();
        break;
    case Qt::Key_F5:
        F5Click();
        break;
    case Qt::Key_F8:
        F8Click();
        break;
    case Qt::Key_F12:
        F12Click();
        Key = 0;
        return;
    default:
        break;
    }
    TBSDI::FormKeyUp(Key, Shift);
}

void TServerSentakuBox::keyPressEvent(QKeyEvent* e) {
    // Esc and F12 act on key-up, as the key bar does; the dialog's own handling would close it first.
    if (e->key() == Qt::Key_Escape || e->key() == Qt::Key_F12) {
        e->accept();
        return;
    }
    TBSDI::keyPressEvent(e);
}

void TServerSentakuBox::ESCClick() {
    if (!m_bottomEnabled)
        return;
    if (PastePending) {
        CancelCopy();
        afterKey();
        return;
    }
    done(ui::mrCancel);
}

void TServerSentakuBox::F1Click() {
    OpenOnlineManual(QStringLiteral("kyoyudata.html"));
    SetFunctionKeys();
}

void TServerSentakuBox::F2Click() {
    const QString caption = KeyCaption(kF2);
    if (caption == TListKeyBar::Bare(caption))
        return;
    if (KeyMode == 1)
        copyStep();
    else if (KeyMode == 2)
        pasteStep();
    afterKey();
}

void TServerSentakuBox::F4Click() {
    const QString caption = KeyCaption(kF4);
    if (caption == TListKeyBar::Bare(caption))
        return;
    AddArea();
    afterKey();
}

void TServerSentakuBox::F5Click() {
    const QString caption = KeyCaption(kF5);
    if (caption == TListKeyBar::Bare(caption))
        return;
    DeleteData(true);
    afterKey();
}

void TServerSentakuBox::F8Click() {
    const QString caption = KeyCaption(kF8);
    if (caption == TListKeyBar::Bare(caption))
        return;
    if (ui->PerfectGrid1->RowCount() == 0)
        ui::showMessage(ui::MsgKind::Information, QStringLiteral("共有データリストが表示されていません。"));
    else
        PrintDatasetList(this, 1, List, Disp);
    afterKey();
}

void TServerSentakuBox::F12Click() {
    const QString caption = KeyCaption(kF12);
    if (caption == TListKeyBar::Bare(caption) || !HasCurrentRow())
        return;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int row = g->CurrentRow();
    if (int(g->GetCellValue(row, colGassan)) == 10)
        return;
    setResult(0);
    const TDataListRec* e = RowRecord(row);
    if (!e)
        return;
    ChosenFolder = ExcludePathDelim(e->PASNAME);
    ChosenName = e->ENTTEXT;
    DataInfo->ReadDataIni(ChosenFolder, DataInfo->Rec);
    if (DataInfo->Rec.SHARE_STATUS == 2 && (ChosenName == kFreeAreaText || ChosenName == kNewAreaText)) {
        ui::showMessage(
            ui::MsgKind::Information,
            QStringLiteral("この領域は、現在データが作成されている可能性があるため選択できません。"));
        return;
    }
    if (!QFileInfo(ChosenFolder).isDir()) {
        ui::showMessage(
            ui::MsgKind::Information,
            QStringLiteral(
                "共有サーバーが起動していない、接続が切断されている または "
                "共有サーバー上のデータ領域が削除された可能性があります。\r"
                "共有サーバーが起動している場合は [更新]ボタンを押しデータリストの再作成を行って下さい。"));
        return;
    }
    if (e->GASSAN == 1 || e->GASSAN == 2) {
        const int index = ListIndexOfRow(row);
        for (const TDataListRec& child : std::as_const(List[index].CHILDREN)) {
            if (child.DATA_STATUS != 1)
                continue;
            const QStringList lines{QStringLiteral("【データフォルダ】"),
                                    QStringLiteral("　") + child.PASNAME,
                                    QString(),
                                    QStringLiteral("【オペレータ】"),
                                    QString(),
                                    QStringLiteral("【オペレータ名】"),
                                    QString()};
            ui::showMessage(
                ui::MsgKind::Warning,
                QStringLiteral(
                    "共有サーバー上のデータが破損しているため、共有データの取得を中止します。\r"
                    "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。"
                    "\r\r") +
                    lines.join(u'\r'),
                ui::mbOK, QStringLiteral("選択データの状態"));
            return;
        }
    }
    done(ui::mrOk);
}

void TServerSentakuBox::done(int r) {
    TBSDI::done(r);
}

void TServerSentakuBox::FormClose(TCloseAction& Action) {
    if (PastePending)
        CancelCopy();
    saveSortOrder();
    TBSDI::FormClose(Action);
    Action = caHide;
}

void TServerSentakuBox::saveSortOrder() {
    Jyoken.SORTCOL = SortCol;
    Jyoken.SORTTYPE = SortDesc ? 1 : 0;
    StoredJyoken.SORTCOL = SortCol;
    StoredJyoken.SORTTYPE = Jyoken.SORTTYPE;
    KensakuIO.UpdateRecordSortField(Jyoken);
}

void TServerSentakuBox::ShowingChanged(bool Visible) {
    TBSDI::ShowingChanged(Visible);
    if (!Visible)
        return;
    if (CloseWhenSetupFailed())
        return;
    activateWindow();
    ui->PerfectGrid1->setFocus();
    if (HasCurrentRow())
        GridCellGotFocus(ui->PerfectGrid1->CurrentRow(), ui->PerfectGrid1->CurrentCol());
    SetFunctionKeys();
    QApplication::restoreOverrideCursor();
}

// ---- sorting and the incremental search -----------------------------------------------------------

void TServerSentakuBox::SortByColumn(int col) {
    if (ui->PerfectGrid1->RowCount() == 0)
        return;
    if (col != colCode && (col < colName || col > colVersion))
        return;
    SortDesc = col == SortCol ? !SortDesc : false;
    SortCol = col;
    SortChosen = true;
    LoadList(false);
    FillGrid();
    SetFunctionKeys();
}

void TServerSentakuBox::GridKeyDown(int& key, Qt::KeyboardModifiers shift) {
    if (ui->PerfectGrid1->RowCount() == 0 || (shift & (Qt::ControlModifier | Qt::AltModifier)))
        return;
    const int vk = VirtualKeyOf(key, shift);
    if (vk == 0 || IncSearchChar(vk).isNull())
        return;
    key = 0;
    IncSearchKey(vk);
}

void TServerSentakuBox::IncSearchKey(int virtualKey) {
    const QChar c = IncSearchChar(virtualKey);
    if (c.isNull())
        return;
    IncSearchText += c;
    if (IncSearchText.size() > 8)
        return;
    TPerfectGrid* g = ui->PerfectGrid1;
    QLineEdit* edit = ui->txtIncSerch;
    edit->setText(IncSearchText);
    const QRect design = DesignGeometry(g);
    SetDesignGeometry(edit, QRect(design.left() + 4 + design.width() / 10, design.top() - 12,
                                  DesignGeometry(edit).width(), DesignGeometry(edit).height()));
    edit->show();
    edit->raise();
    m_incTimer->setInterval(std::min(m_incTimer->interval() + 500, 1000));
    m_incTimer->start();
}

void TServerSentakuBox::IncSearchTimerTimer() {
    TPerfectGrid* g = ui->PerfectGrid1;
    if (g->hasFocus() && !IncSearchText.isEmpty()) {
        const int current = HasCurrentRow() ? g->CurrentRow() : -1;
        QList<int> order;
        for (int r = current + 1; r < g->RowCount(); ++r)
            order << r;
        for (int r = 0; r <= current && r < g->RowCount(); ++r)
            order << r;
        for (int r : std::as_const(order)) {
            if (g->isRowHidden(r))
                continue;
            const QString code = g->CellText(r, colCode).left(IncSearchText.size());
            if (code.compare(IncSearchText, Qt::CaseInsensitive) == 0) {
                if (current >= 0 && current != r)
                    GridCellLostFocus(current, 0);
                g->SetCurrentCell(r, colNo);
                g->MakeRowVisible(r);
                GridCellGotFocus(r, colNo);
                break;
            }
        }
    }
    m_incTimer->stop();
    m_incTimer->setInterval(0);
    IncSearchText.clear();
    ui->txtIncSerch->hide();
}

// ---- the buttons above the list ------------------------------------------------------------------------

void TServerSentakuBox::clearSearchCondition() {
    ClearKensakuFilters(Jyoken);
    Jyoken.SEIHINNAME.clear();
    Jyoken.JYOKENUSE = 0;
}

void TServerSentakuBox::btnSearchClick() {
    if (!m_kensakuBox)
        m_kensakuBox = new TDataListKensakuBox(this);
    m_kensakuBox->SetListType(1);
    m_kensakuBox->KensakuRec = StoredJyoken;
    m_kensakuBox->Setup(0);
    if (m_kensakuBox->exec() == ui::mrOk) {
        StoredJyoken = m_kensakuBox->KensakuRec;
        m_kensakuBox->UpdateRecord(StoredJyoken);
        Jyoken = StoredJyoken;
        LoadList(false);
        FillGrid();
        ui->btnSearchCancel->setEnabled(true);
    }
    afterKey();
}

void TServerSentakuBox::btnSearchCancelClick() {
    clearSearchCondition();
    LoadList(false);
    FillGrid();
    ui->btnSearchCancel->setEnabled(false);
    afterKey();
}

TDataSyosaiInfoBox* TServerSentakuBox::syosaiBox() {
    if (!m_syosaiBox)
        m_syosaiBox = new TDataSyosaiInfoBox(this);
    return m_syosaiBox;
}

void TServerSentakuBox::btnInfoClick() {
    if (!HasCurrentRow())
        return;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int row = g->CurrentRow();
    TDataListRec* e = RowRecord(row);
    if (!e)
        return;
    TDataSyosaiInfoBox& box = *syosaiBox();
    box.SharedListMode = 1;
    box.Row = *e;
    box.DataFolder = ExcludePathDelim(e->PASNAME);
    box.UpdateLock = e->UPDATE_LOCK;
    box.ReadOnly = e->READ_ONLY;
    box.ListName = e->ENTTEXT;
    box.Editable = false;
    box.Setup(1);
    if (box.exec() == ui::mrOk) {
        if (box.StatusCleared) {
            e->DATALOCK = 0;
            DataInfo->SetDataStatus(box.DataFolder, 1);
            g->SetCellValue(row, colShareFlag, 0);
            g->SetCellPicture(row, colShare, m_sharePictures[0]);
        }
        ListCtl->UpdateServerDataListRecord(*e, true, true);
    }
    if (box.Rebuilt) {
        DataInfo->SetDataStatus(box.DataFolder, 1);
        e->DATA_STATUS = 0;
        ListCtl->UpdateServerDataListRecord(*e, true, true);
        RefreshFromShare();
    }
    afterKey();
}

void TServerSentakuBox::btnRefreshClick() {
    if (ShareRoot.isEmpty())
        return;
    QString text = QStringLiteral("データリストの更新を行います。");
    if (ui->btnSearchCancel->isEnabled())
        text += QStringLiteral("検索実行中のため検索は解除されます。");
    text += QStringLiteral("\rよろしいですか？");
    if (ui::showMessage(ui::MsgKind::Confirmation, text, ui::mbYes | ui::mbNo) != ui::mrYes)
        return;
    m_progress->setCaption(QStringLiteral("更新中"));
    m_progress->setInfoLabel(QStringLiteral("データリストの更新中…"));
    m_progress->setAviFile(SystemDef.ProgramDir + QStringLiteral("/progress.avi"));
    m_progress->setCancelBtnShow(true);
    m_progress->Execute(this);
    if (ui->btnSearchCancel->isEnabled()) {
        clearSearchCondition();
        ui->btnSearchCancel->setEnabled(false);
    }
    RefreshFromShare();
    PurgeInputMessages(this);
    m_progress->Close();
    show();
    ForceForegroundWindow(this);
    afterKey();
}

void TServerSentakuBox::btnMapDriveClick() {
    // There is no drive mapping here: the operator picks a folder that holds the share root, which
    // becomes a share folder of its own.
    ui::FileRequest request;
    request.caption = QStringLiteral("共有割当");
    const QString picked = ui::current().pickFolder(request);
    if (!picked.isEmpty()) {
        const QString letter = AddShareFolder(picked);
        if (letter.isEmpty()) {
            ui::showMessage(ui::MsgKind::Information,
                            QStringLiteral("[%1]が見つかりません").arg(ShareDirName));
        } else {
            DriveLetter = letter;
            BuildDriveList();
            RefreshFromShare();
        }
    }
    ForceForegroundWindow(this);
    afterKey();
}
