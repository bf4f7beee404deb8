// The list view of the data-selection dialog: grid, filter, sort, key bar, incremental search, hints.

#include "controls/PerfectGrid.h"
#include "controls/xAnimeProgressDialog.h"
#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "datalist/z5DataListKensaku.h"
#include "datasel/z5DataPlaceMan.h"
#include "datasel/z5DataSentaku.h"
#include "dbupdate/z5DbUpdate.h"
#include "platform/UserInteraction.h"
#include "ui_z5DataSentaku.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTimer>

namespace {

struct ColumnDef {
    const char16_t* header;
    int width;
    int align;
};

// Columns 0 to 19; widths of 2, 3, 8 and 9 are set by the mode.
const ColumnDef kColumns[TDataSentakuBox::ColCount] = {
    {u"No", 40, 1},
    {u"コード", 70, 0},
    {u"ｸﾗｳﾄﾞ", 40, 2},
    {u"データ名  ", 0, 0},
    {u"会計年度", 80, 2},
    {u"会計期間", 180, 2},
    {u"データフォルダ", 200, 0},
    {u"バージョン", 90, 2},
    {u"", 0, 2},
    {u"", 0, 2},
    {u"鍵", 0, 1},
    {u"共有", 0, 1},
    {u"バージョン", 0, 0},
    {u"データ更新", 0, 0},
    {u"合算区分", 0, 0},
    {u"", 0, 0},
    {u"", 0, 0},
    {u"データステータス", 0, 0},
    {u"ｸﾗｳﾄﾞ", 0, 1},
    {u"参照専用ﾞ", 0, 0},
};

const QString kGridHintHead = QStringLiteral("［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。|");

// The period column wide enough for a whole period as the list writes it, in design units: the dialog
// scales its design widths from the program's base font to the operator's font and the screen.
int periodColumnWidth(const QFont& gridFont, int designWidth) {
    const QFont font = SystemDef.BaseFont ? *SystemDef.BaseFont : gridFont;
    const QString widest = KikanToStr(TDateTime::fromDate(2028, 12, 28), TDateTime::fromDate(2029, 12, 28));
    const int pixels = QFontMetrics(font).horizontalAdvance(widest) + 16;
    return std::max(designWidth, (pixels * 96 + ScreenPixelsPerInch() - 1) / ScreenPixelsPerInch());
}

bool isFreeName(const QString& name) {
    return name.isEmpty() || name == kFreeAreaText || name == kNewAreaText;
}

} // namespace

void TDataSentakuBox::setupGrid() {
    TPerfectGrid* g = ui->PerfectGrid1;
    g->SetCols(ColCount);
    g->AllowSelCol = false;
    g->AllowSelRow = false;
    const bool server = ConnectMode != 0;
    const bool cloud = DM && DM->IsCloudShareEnabled(0);
    for (int c = 0; c < ColCount; ++c) {
        g->SetCellText(-1, c, QString::fromUtf16(kColumns[c].header));
        g->SetColAlignment(c, kColumns[c].align);
        g->SetColWidth(c, kColumns[c].width);
    }
    g->SetCellText(-1, colLockPic, server ? QStringLiteral("鍵") : QString());
    g->SetCellText(-1, colSharePic, server ? QString() : QStringLiteral("共有"));
    g->SetColWidth(colCloud, cloud ? 40 : 0);
    g->SetColWidth(colLockPic, server ? 32 : 0);
    g->SetColWidth(colSharePic, server ? 0 : 32);
    g->SetColWidth(colName, 280 - g->GetColWidth(colCloud) - 32);
    g->SetColWidth(colKikan, periodColumnWidth(g->font(), kColumns[colKikan].width));
    for (int c : {colCloud, colLockPic, colSharePic})
        g->SetColCellType(c, 5);
    if (QHeaderView* h = g->horizontalHeader())
        h->setDefaultAlignment(Qt::AlignCenter);
    SetGridColors(g, 0);
    // The operator's scheme, where it has one, else the list's own colours.
    const auto orDefault = [](qint32 scheme, qint32 fallback) { return scheme != 0 ? scheme : fallback; };
    g->setBackColor(orDefault(SystemDef.ClientColor1, 0xFFFFFF));
    g->setOddRowBackColor(server ? 0xFFF0E1 : orDefault(SystemDef.ClientColor2, 0xE1F0FF));
    g->setProperty("FocusBorderColor", server ? 0x804000 : orDefault(SystemDef.ActiveColor, 0x246BFF));
    g->setFixedBackColor(orDefault(SystemDef.ColHeaderColor, 0xDBDBDB));
    if (server) {
        ui->btnSharedGet->hide();
        ui->btnSharedPut->hide();
        ui->chkSharedAuto->hide();
        ui->pnlDataMan->show();
    } else {
        ui->pnlDataMan->hide();
    }
    if (!cloud)
        ui->btnCloud->hide();
    ui->txtIncSerch->hide();
}

void TDataSentakuBox::ReloadView() {
    SetHints();
    if (ConnectMode != 0)
        refreshPlaceCombo();
    TDataKensakuRec saved;
    KensakuIO.ListType = 0;
    KensakuIO.SelectRecord(saved);
    Jyoken = saved;
    if (Jyoken.JYOKENUSE == 0)
        ClearKensakuFilters(Jyoken);
    if (CallerJyokenSet) {
        const qint32 sortCol = Jyoken.SORTCOL, sortType = Jyoken.SORTTYPE;
        Jyoken = CallerJyoken;
        Jyoken.SORTCOL = sortCol;
        Jyoken.SORTTYPE = sortType;
        ui->btnSearch->setProperty("Tag", 1);
    } else {
        ui->btnSearch->setProperty("Tag", 0);
    }
    ui->btnSearchCancel->setEnabled(Jyoken.JYOKENUSE != 0);
    SortCol = Jyoken.SORTCOL == 0 && saved.SORTCOL == 0 ? -1 : Jyoken.SORTCOL;
    SortDesc = Jyoken.SORTTYPE == 1;
    if (LoadList() == 0)
        return;
    ShowRows(-1);
    {
        const QSignalBlocker block(ui->chkSharedAuto);
        ui->chkSharedAuto->setChecked(SystemDef.Reserve4Flag1 == 1);
    }
    PrevSelection = SystemDef.DataDir;
    EscFlag = false;
}

void TDataSentakuBox::refreshPlaceCombo() {
    const QStringList names = PlaceBox->NamedPlacesText().split(u'\r', Qt::SkipEmptyParts);
    const QSignalBlocker block(ui->cmbDataMan);
    ui->cmbDataMan->clear();
    ui->cmbDataMan->addItems(names);
    int index = PlaceBox->IndexOfRec(PlaceRec);
    if (index < 0) {
        PlaceRec = 0;
        index = PlaceBox->IndexOfRec(0);
    }
    ui->cmbDataMan->setCurrentIndex(index);
    if (index >= 0) {
        PlaceRec = PlaceBox->RecAt(index);
        PlacePath = PlaceBox->PathAt(index);
    }
    if (PlacePath.isEmpty())
        PlacePath = SystemDef.SYSDIR;
}

int TDataSentakuBox::LoadList() {
    quint8 order = 1;
    switch (SortCol) {
    case colCode:
        order = 7;
        break;
    case colName:
        order = 2;
        break;
    case colNendo:
        order = 3;
        break;
    case colKikan:
        order = 4;
        break;
    case colFolder:
        order = 5;
        break;
    case colVersion:
        order = 6;
        break;
    default:
        order = 1;
        break;
    }
    ListCtl->SetConnectMode(ConnectMode);
    ListCtl->SetDataPlace(PlaceRec);
    ListCtl->Execute(0, order, QString(), SortDesc);
    List = ListCtl->Rows;
    AllChildren = ListCtl->Children;
    ApplyListFilter();
    return int(List.size());
}

void TDataSentakuBox::ApplyListFilter() {
    Disp = ApplyKensaku(Jyoken, List);
}

void TDataSentakuBox::ShowRows(int position) {
    TPerfectGrid* g = ui->PerfectGrid1;
    const auto drawParent = [&](int gridRow, qint32 listIndex) {
        TDataSentakuRec& e = List[listIndex];
        if (e.GASSAN > 2)
            return gridRow;
        ShowRow(gridRow, e);
        g->SetCellValue(gridRow, colListIndex, listIndex);
        const auto sharedMarks = [&](int r, int state) {
            if (state == 1) {
                g->SetCellValue(r, colShared, 0);
                g->SetCellPicture(r, colSharePic, StatePictures[2]);
            } else if (state == 2) {
                g->SetCellValue(r, colShared, 1);
                g->SetCellPicture(r, colSharePic, StatePictures[0]);
            }
        };
        sharedMarks(gridRow, SharedState(1, listIndex));
        // Child rows of an earlier drawing of this parent go first.
        int next = gridRow + 1;
        while (next < g->RowCount() && g->CellText(next, colListIndex).toInt() == listIndex &&
               g->CellText(next, colGassan).toInt() == 10 && g->CellText(next, colChild).toInt() >= 0)
            g->DeleteRows(next, 1);
        TDataSentakuListCtl::NumberChildNames(e);
        g->InsertRows(next, int(e.CHILDREN.size()));
        for (int c = 0; c < e.CHILDREN.size(); ++c) {
            const int r = next + c;
            ShowRow(r, e.CHILDREN[c]);
            g->SetCellText(r, colNo, QString());
            g->SetCellValue(r, colListIndex, listIndex);
            g->SetCellValue(r, colChild, c);
            const TDataListRec& child = e.CHILDREN[c];
            sharedMarks(r, child.NETDRIVE != 1 ? 0 : (child.KYOYULOCK == 1 ? 2 : 1));
        }
        return next + int(e.CHILDREN.size());
    };

    if (position >= 0) {
        if (position >= Disp.size())
            return;
        const qint32 listIndex = Disp[position];
        int gridRow = -1;
        for (int r = 0; r < g->RowCount(); ++r)
            if (g->CellText(r, colListIndex).toInt() == listIndex &&
                g->CellText(r, colGassan).toInt() != 10) {
                gridRow = r;
                break;
            }
        if (gridRow < 0) {
            gridRow = g->RowCount();
            g->InsertRows(gridRow, 1);
        }
        drawParent(gridRow, listIndex);
        return;
    }

    g->DeleteRows(0, g->RowCount());
    for (int c : {colNo, colCode, colName, colNendo, colKikan, colFolder, colVersion})
        g->SetCellText(-1, c, QString::fromUtf16(kColumns[c].header));
    if (SortCol == colNo || SortCol == colCode || (SortCol >= colName && SortCol <= colVersion))
        g->SetCellText(-1, SortCol,
                       QString::fromUtf16(kColumns[SortCol].header) +
                           (SortDesc ? QStringLiteral("▼") : QStringLiteral("▲")));
    if (ConnectMode != 0)
        g->SetCellText(-1, colLockPic, QStringLiteral("鍵"));
    else
        g->SetCellText(-1, colSharePic, QStringLiteral("共有"));
    const int n = qMin(int(Disp.size()), g->Rows());
    int gridRow = 0;
    for (int pos = 0; pos < n; ++pos) {
        g->InsertRows(gridRow, 1);
        gridRow = drawParent(gridRow, Disp[pos]);
    }
    // Rows of entries that are not parents stay empty; drop them.
    for (int r = g->RowCount() - 1; r >= gridRow; --r)
        g->DeleteRows(r, 1);
    if (g->RowCount() > 0) {
        g->SetCurrentCell(0, 0);
        g->SetTopRow(0);
    }
}

void TDataSentakuBox::ShowRow(int r, const TDataListRec& e) {
    TPerfectGrid* g = ui->PerfectGrid1;
    g->SetCellValue(r, -1, e.REC);
    g->SetCellText(r, colNo, QString::number(e.REC));
    g->SetCellText(r, colCode, e.DATACODE);
    g->SetCellPicture(r, colCloud, CloudPictures[e.CLOUD == 1 ? 1 : 0]);
    g->SetCellText(r, colName, e.DISPNAME.isEmpty() ? e.ENTTEXT : e.DISPNAME);
    const bool free = isFreeName(e.ENTTEXT);
    g->SetCellText(r, colNendo, free ? QString() : QStringLiteral("%1 期").arg(e.NENDO));
    g->SetCellText(r, colKikan, free ? QStringLiteral("～") : e.KIKAN);
    QString folder = e.PASNAME;
    if (!SystemDef.DataRoot.isEmpty())
        folder.replace(ExcludePathDelim(SystemDef.DataRoot), QStringLiteral("~"), Qt::CaseInsensitive);
    g->SetCellText(r, colFolder, folder);
    g->SetCellText(r, colVersion, e.VER_TEXT);
    g->SetCellPicture(r, colLockPic, StatePictures[e.DATALOCK != 0 ? 1 : 0]);
    g->SetCellValue(r, colLock, e.DATALOCK);
    g->SetCellValue(r, colShared, 0);
    g->SetCellText(r, colVerFull,
                   QStringLiteral("%1.%2.%3").arg(e.VER_MAJOR).arg(e.VER_MINOR1).arg(e.VER_MINOR2));
    g->SetCellValue(r, colUpdate, e.UPDATE_LOCK);
    g->SetCellValue(r, colGassan, e.GASSAN);
    g->SetCellValue(r, colListIndex, 0);
    g->SetCellValue(r, colChild, 0);
    g->SetCellValue(r, colStatus, e.DATA_STATUS);
    g->SetCellValue(r, colCloudFlag, e.CLOUD);
    g->SetCellValue(r, colReadOnly, e.READ_ONLY);
    paintRowColours(r, e);
}

void TDataSentakuBox::paintRowColours(int r, const TDataListRec& e) {
    TPerfectGrid* g = ui->PerfectGrid1;
    qint32 back = r % 2 == 1 ? g->OddRowBackColor() : g->BackColor();
    if (e.DATA_STATUS == 1)
        back = 255;
    g->SetRowBackColor(r, back);
    g->SetRowForeColor(r, CheckDbUpdate(r, true) ? 0x808080 : g->ForeColor());
}

bool TDataSentakuBox::CheckDbUpdate(int row, bool fresh) {
    TPerfectGrid* g = ui->PerfectGrid1;
    const QString version = g->CellText(row, colVerFull);
    if (version.isEmpty())
        return false;
    const int x = g->CellText(row, colUpdate).toInt();
    if (!fresh || x != 1)
        return x == 1;
    if (!m_dbUpdate)
        m_dbUpdate = std::make_unique<TDbUpdateBox>();
    m_dbUpdate->SetupPendingList(1, version);
    const bool pending = m_dbUpdate->IsPending();
    g->SetCellValue(row, colUpdate, pending ? 1 : 0);
    return pending;
}

void TDataSentakuBox::ScrollToPrevious() {
    TPerfectGrid* g = ui->PerfectGrid1;
    if (PrevSelection.isEmpty())
        return;
    const QString previous = ExcludePathDelim(PrevSelection);
    for (int r = 0; r < g->RowCount(); ++r) {
        if (RowDataPath(r).compare(previous, Qt::CaseInsensitive) != 0)
            continue;
        g->SetCurrentCell(r, 0);
        if (r >= 6)
            g->SetTopRow(r - 6);
        g->MakeRowVisible(r);
        return;
    }
}

// ---- the key bar and hints ---------------------------------------------------------------------------

void TDataSentakuBox::SetFunctionKeys() {
    TListKeyBar::Captions cap = m_fullCaptions;
    cap[kF2] = QStringLiteral("F2:コピー");
    cap[kF3] = QStringLiteral("F3:新規作成");
    cap[kF4] = QStringLiteral("F4:割当解除");
    const auto blank = [&](Key k) { TListKeyBar::Blank(cap, k); };
    const bool server = ConnectMode != 0;
    if (server)
        cap[kF4] = QStringLiteral("F4:領域追加");
    if (SyoriType == 2 || SyoriType == 4)
        blank(kF3);
    TPerfectGrid* g = ui->PerfectGrid1;
    int k = 0;
    bool sharedGet = false, sharedPut = false, cloudOn = false;
    const bool autoShared = ui->chkSharedAuto->isChecked();
    if (hasCurrentRow() && g->isEnabled()) {
        SetHints();
        k = CopyPending ? 2 : 1;
        const int row = g->CurrentRow();
        const TDataListRec e = RowRecord(row);
        if (k == 2) {
            cap[kF2] = QStringLiteral("F2:貼り付け");
            SetHint(g, QStringLiteral(
                           "貼り付け先を選択して［F2］を押します。|貼り付け先を選択して［F2］を押します。\r\n"
                           "ｺﾋﾟｰ処理を中断する場合は［ESC］を押します。"));
        }
        const bool named = !e.ENTTEXT.isEmpty();
        if (DM && DM->IsCloudShareEnabled(0) && e.CLOUD == 1)
            blank(kF3);
        const int parentKind = e.GASSAN == 10 ? RowRecord(ParentRow(row)).GASSAN : -1;
        if (server) {
            if (named) {
                blank(kF3);
                if (ConnectMode == 1)
                    cap[kF3] = QStringLiteral("F3:持ち出し");
            } else {
                if (!CopyPending)
                    blank(kF2);
                blank(kF5);
                blank(kF6);
            }
        } else if (e.NETDRIVE == 1) {
            if (e.KYOYULOCK == 0) {
                for (Key key : {kF2, kF3, kF5, kF7})
                    blank(key);
                if (e.GASSAN == 10)
                    blank(kF4);
                if (ui->chkSharedAuto->isVisible() && SystemDef.Reserve4Flag1 == 0)
                    blank(kF12);
            } else {
                for (Key key : {kF3, kF4, kF5})
                    blank(key);
                if (e.GASSAN != 10 && (e.ENTTEXT == kFreeAreaText || e.ENTTEXT == kNewAreaText)) {
                    cap[kF3] = QStringLiteral("F3:新規作成");
                    cap[kF4] = QStringLiteral("F4:割当解除");
                }
                if (e.GASSAN == 1)
                    cap[kF3] = QStringLiteral("F3:分散追加");
                if (parentKind == 1)
                    cap[kF5] = QStringLiteral("F5:ﾃﾞｰﾀ削除");
            }
        } else {
            blank(kF4);
            if (named) {
                blank(kF3);
                if (e.GASSAN == 1)
                    cap[kF3] = QStringLiteral("F3:分散追加");
                if (parentKind == 2)
                    blank(kF5);
            } else {
                if (!CopyPending)
                    blank(kF2);
                blank(kF5);
                blank(kF6);
            }
        }
        if (k == 1) {
            if (!autoShared) {
                if (e.NETDRIVE != 1) {
                    sharedGet = !named;
                } else if (e.ENTTEXT != kFreeAreaText && e.ENTTEXT != kNewAreaText) {
                    sharedGet = e.KYOYULOCK == 0;
                    sharedPut = e.KYOYULOCK == 1;
                }
            }
            cloudOn = true;
            if (e.DATA_STATUS != 0) {
                cloudOn = false;
                for (Key key : {kF2, kF3, kF4, kF6, kF12})
                    blank(key);
                sharedPut = false;
            } else if (e.VER_MAJOR == 0) {
                cloudOn = false;
            }
        }
        ShowLongHint(g, HintTarget);
    }
    ui->btnSharedGet->setEnabled(sharedGet);
    ui->btnSharedPut->setEnabled(sharedPut);
    if (k != 2)
        ui->btnCloud->setEnabled(cloudOn);
    if (!g->isEnabled() || !ui->pnlBottom->isEnabled()) {
        k = 0;
        blank(kF8);
        blank(kF12);
    }
    if (k == 0)
        for (Key key : {kF2, kF3, kF4, kF5, kF6, kF7})
            blank(key);
    if (SyoriType == 3) {
        for (Key key : {kF1, kF2, kF3, kF4, kF5, kF6, kF7, kF8})
            blank(key);
        ui->btnSearchCancel->setEnabled(false);
        ui->btnSearch->setEnabled(false);
    } else if (SyoriType == 4) {
        for (Key key : {kF1, kF2, kF3, kF6, kF7, kF8})
            blank(key);
    } else if (SyoriType == 5) {
        for (Key key : {kF1, kF2, kF3, kF4, kF5, kF6, kF7, kF8})
            blank(key);
    }
    m_keys.Show(cap);
    KeyState = k;
}

void TDataSentakuBox::SetHints() {
    SetHint(ui->chkSharedAuto, QStringLiteral("ﾁｪｯｸを入れると取得・保管ﾎﾞﾀﾝを使わずに共有ﾃﾞｰﾀを処理できます。"
                                              "空白行に共有ﾃﾞｰﾀを割り当てる場合やLANから"
                                              "切り離してﾃﾞｰﾀ持ち出す場合はﾁｪｯｸを外してください。|"));
    SetHint(ui->btnSharedPut,
            QStringLiteral(
                "選択した共有ﾃﾞｰﾀを他のPCで使用可能にします。保管を行うと［共有］欄にｱｲｺﾝが付きます。|"));
    SetHint(ui->btnSharedGet,
            QStringLiteral(
                "空白行を選択してｸﾘｯｸすると［共有ﾃﾞｰﾀの選択］画面が開きます。共有ﾃﾞｰﾀ行を選択してｸﾘｯｸすると"
                "選択可能になります。（［共有］欄のｱｲｺﾝが外れます。）|"));
    SetHint(ui->btnSearchCancel, QStringLiteral("検索状態を解除します。|"));
    SetHint(ui->btnSearch,
            QStringLiteral(
                "［検索条件の設定］画面を開きます。一定条件に該当するﾃﾞｰﾀを抽出表示する場合に使用します。|"));
    const QString info =
        QStringLiteral("「ﾃﾞｰﾀの詳細情報」画面を開きます。入力済み仕訳件数や部門・本支店の設定状況など、"
                       "選択ﾃﾞｰﾀの基本情報を表示します。");
    SetHint(ui->btnDataInfo,
            info + u'|' + info + QStringLiteral("\r\nﾃﾞｰﾀの表示名称もこの画面で変更できます。"));
    const QString update = QStringLiteral("ﾃﾞｰﾀﾘｽﾄを更新します。［F5：ﾃﾞｰﾀ削除］や［F7：復元］などの機能を使"
                                          "わずに移行したﾃﾞｰﾀを再表示します。");
    SetHint(ui->btnListUpdate,
            update + u'|' + update +
                QStringLiteral(
                    "\r\nﾃﾞｰﾀの基本情報（会社名・会計期間・ﾊﾞｰｼﾞｮﾝなど）をﾃﾞｰﾀから読み直して表示します。"));
    SetHint(ui->cmbDataMan,
            QStringLiteral("データの場所を選択します。|データの場所をドロップダウンリストより選択します。"
                           "選択された場所のデータリストが表示されます。"));
    SetHint(ui->btnDataMan,
            QStringLiteral("データの場所を設定します。|データの場所を設定する画面が開きます。"));
    if (SyoriType == 5)
        return;
    QString tail;
    const bool empty = SyoriType == 4;
    if (empty) {
        tail = QStringLiteral("［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で空いている行を選択します。\r\n");
    } else if (ConnectMode != 0) {
        tail = SyoriType == 2
                   ? QStringLiteral("［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。\r\n")
                   : QStringLiteral(
                         "［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。\r\n空白行は選択できません。");
    } else {
        const QString rest = QStringLiteral(
            "選択ﾃﾞｰﾀを削除する場合は［F5］、ﾌﾗｯｼｭﾒﾓﾘなどのﾒﾃﾞｨｱに保存する場合は［F6］を押します。\r\n"
            "共有ﾃﾞｰﾀを処理する場合は［共有取得］、取得した共有ﾃﾞｰﾀを他のｵﾍﾟﾚｰﾀが使えるようにする場合は［共有"
            "保管］をｸﾘｯｸします。");
        tail = SyoriType == 2 ? QStringLiteral("［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。\r\n［F7］で作"
                                               "成済みのﾃﾞｰﾀを復元してください。\r\n") +
                                    rest
                              : QStringLiteral("［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。\r\n空白行は選"
                                               "択できません。［F3］で新規にﾃﾞｰﾀを作成するか、"
                                               "又は［F7］で作成済みのﾃﾞｰﾀを復元してください。\r\n") +
                                    rest;
    }
    SetHint(ui->PerfectGrid1, kGridHintHead + tail);
}

// ---- grid events -------------------------------------------------------------------------------------

void TDataSentakuBox::PerfectGrid1CellClick(int row, int col) {
    if (row == -1) {
        if (!(col == colNo || col == colCode || (col >= colName && col <= colVersion)))
            return;
        if (col == SortCol || (col == colNo && SortCol == -1)) {
            SortDesc = !SortDesc;
        } else {
            SortDesc = false;
        }
        SortCol = col;
        LoadList();
        ShowRows(-1);
        if (ui->PerfectGrid1->RowCount() > 0)
            PerfectGrid1CellGotFocus(0, 0);
        return;
    }
    if (row >= 0 && col == colLockPic && ConnectMode != 0)
        ToggleRowLock(row);
}

void TDataSentakuBox::PerfectGrid1CellGotFocus(int row, int col) {
    Q_UNUSED(col);
    TPerfectGrid* g = ui->PerfectGrid1;
    if (row == TPerfectGrid::NoRow || row < 0 || row >= g->RowCount())
        return;
    qint32 fore = ConnectMode != 0 ? 0x804000 : g->FocusBorderColor();
    if (CheckDbUpdate(row, false))
        fore = 0x808080;
    if (g->CellText(row, colStatus).toInt() == 1)
        fore = g->ForeColor();
    g->SetRowForeColor(row, fore);
    QFont font = MainForm() ? MainForm()->font() : this->font();
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    g->SetRowFont(row, font);
    SetFunctionKeys();
}

void TDataSentakuBox::PerfectGrid1CellLostFocus(int row, int col) {
    Q_UNUSED(col);
    TPerfectGrid* g = ui->PerfectGrid1;
    if (row == TPerfectGrid::NoRow || row < 0 || row >= g->RowCount())
        return;
    g->SetRowForeColor(row, CheckDbUpdate(row, false) ? 0x808080 : g->ForeColor());
    g->SetRowFont(row, std::nullopt);
}

void TDataSentakuBox::PerfectGrid1DblClick() {
    if (ui->PerfectGrid1->RowCount() > 0 && hasCurrentRow())
        F12Click();
}

void TDataSentakuBox::PerfectGrid1KeyPress(QChar& key) {
    if (key != u'\r')
        return;
    key = QChar();
    PerfectGrid1DblClick();
}

void TDataSentakuBox::PerfectGrid1KeyDown(int& key, Qt::KeyboardModifiers shift) {
    TPerfectGrid* g = ui->PerfectGrid1;
    if (g->RowCount() == 0 || (shift & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return;
    // Letters, digits (also of the numeric pad) and the punctuation keys; the key code of these is the
    // character itself.
    if (key < 0x21 || key > 0x7E)
        return;
    IncSearchText += QChar(key);
    key = 0;
    if (IncSearchText.size() <= ui->txtIncSerch->maxLength()) {
        QLineEdit* edit = ui->txtIncSerch;
        edit->setText(IncSearchText);
        const QRect design = DesignGeometry(g);
        SetDesignGeometry(edit, QRect(design.left() + 4 + qRound(design.width() / 10.0), design.top() - 12,
                                      DesignGeometry(edit).width(), DesignGeometry(edit).height()));
        edit->show();
        edit->raise();
    }
    int interval = m_incTimer->interval();
    if (interval < 2000)
        interval += 500;
    if (interval > 1000)
        interval = 1000;
    m_incTimer->setInterval(interval);
    m_incTimer->start();
}

void TDataSentakuBox::IncSerchTimerTimer() {
    TPerfectGrid* g = ui->PerfectGrid1;
    if (g->hasFocus() && !IncSearchText.isEmpty()) {
        const int current = hasCurrentRow() ? g->CurrentRow() : -1;
        QList<int> order;
        for (int r = current + 1; r < g->RowCount(); ++r)
            order << r;
        for (int r = 0; r <= current && r < g->RowCount(); ++r)
            order << r;
        for (int r : std::as_const(order)) {
            if (g->isRowHidden(r))
                continue;
            if (g->CellText(r, colCode).startsWith(IncSearchText, Qt::CaseInsensitive)) {
                if (current >= 0 && current != r)
                    PerfectGrid1CellLostFocus(current, 0);
                g->SetCurrentCell(r, 0);
                g->MakeRowVisible(r);
                PerfectGrid1CellGotFocus(r, 0);
                break;
            }
        }
    }
    m_incTimer->stop();
    m_incTimer->setInterval(0);
    IncSearchText.clear();
    ui->txtIncSerch->hide();
}

// ---- search, refresh and data places -----------------------------------------------------------------

void TDataSentakuBox::btnSearchClick(bool cancel) {
    if (cancel) {
        ClearKensakuFilters(Jyoken);
        Jyoken.JYOKENUSE = 0;
        LoadList();
        ShowRows(-1);
        ui->btnSearchCancel->setEnabled(false);
        ui->btnSearch->setProperty("Tag", 0);
    } else {
        if (!m_kensakuBox)
            m_kensakuBox = new TDataListKensakuBox(this);
        m_kensakuBox->SetListType(0);
        m_kensakuBox->KensakuRec = Jyoken;
        m_kensakuBox->Setup(0);
        if (m_kensakuBox->exec() != ui::mrOk)
            return;
        Jyoken = m_kensakuBox->KensakuRec;
        m_kensakuBox->UpdateRecord(Jyoken);
        Jyoken.JYOKENUSE = 1;
        LoadList();
        ShowRows(-1);
        ui->btnSearchCancel->setEnabled(true);
        ui->btnSearch->setProperty("Tag", 1);
    }
    afterKey(true);
}

void TDataSentakuBox::btnListUpdateClick() {
    if (!ui->PerfectGrid1->isEnabled()) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("データリストが応答状態ではないので処理は行えません。"));
        return;
    }
    if (ui::showMessage(ui::MsgKind::Confirmation,
                        QStringLiteral("データリストの更新を行います。\rよろしいですか？"),
                        ui::mbYes | ui::mbNo) != ui::mrYes)
        return;
    TxAnimeProgressDialog progress;
    ExecuteProgramProgress(progress, this, QStringLiteral("更新中"), QStringLiteral("データリストの更新中…"),
                           true);
    // The cancel button stops the pass after the row under way.
    const std::function<bool()> caller = RefreshCancelled;
    RefreshCancelled = [&] { return progress.Cancelled() || (caller && caller()); };
    m_refreshProgress = &progress;
    struct Restore {
        TDataSentakuBox* box;
        TxAnimeProgressDialog& progress;
        std::function<bool()> caller;
        ~Restore() {
            box->m_refreshProgress = nullptr;
            box->RefreshCancelled = caller;
            box->raise();
            box->activateWindow();
            progress.Close();
            box->show();
        }
    } restore{this, progress, caller};
    DataListRefresh(-1);
    SetFunctionKeys();
}

void TDataSentakuBox::cmbDataManChange() {
    m_placeChanging = true;
    ui->btnDataMan->setFocusPolicy(Qt::StrongFocus);
    ui->btnSearch->setEnabled(false);
    ui->btnSearchCancel->setEnabled(false);
    ui->PerfectGrid1->setEnabled(false);
    SetFunctionKeys();
}

void TDataSentakuBox::cmbDataManExit() {
    m_placeChanging = false;
    ui->btnDataMan->setFocusPolicy(Qt::NoFocus);
    const int index = ui->cmbDataMan->currentIndex();
    const qint32 rec = PlaceBox->RecAt(index);
    PlaceRec = rec < 0 ? 0 : rec;
    PlacePath = PlaceBox->PathAt(index);
    if (PlacePath.isEmpty())
        PlacePath = SystemDef.SYSDIR;
    ui->btnSearch->setEnabled(SyoriType != 3);
    ui->btnSearchCancel->setEnabled(SyoriType != 3 && Jyoken.JYOKENUSE != 0);
    ui->PerfectGrid1->setEnabled(true);
    if (LoadList() > 0) {
        ShowRows(-1);
        ui->PerfectGrid1->setFocus();
    }
    SetFunctionKeys();
}

void TDataSentakuBox::btnDataManClick() {
    PlaceBox->Setup(true);
    if (PlaceBox->exec() == ui::mrOk) {
        const qint32 current = PlaceRec;
        refreshPlaceCombo();
        if (PlaceRec != current) {
            PlacePath = PlaceBox->PathOfRec(0);
            cmbDataManExit();
        }
    }
    SetFunctionKeys();
}
