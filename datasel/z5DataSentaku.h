#pragma once
// The dialog "データ選択": chooses an accounting dataset from the dataset list of the system database
// and is the home of the dataset operations. Started by name as "QzDataSenkaku" with parameter lines
// (SyoriType, JyokenSet, DataType, CodeType, DataVer, DataVerMajor, DataVerMore, ManualFree,
// OnlySA_Syori, OnlySA_BackupPath). A result of 1 means a dataset (or a destination) was chosen: its
// folder is then in SystemDef.DataDir and its stored list path in SystemDef.ListPath (types 2 and 4:
// SystemDef.SelectedPaths holds "PATH1=<folder>\rPATH2=<list path>").
//
// The grid shows one row per dataset and, under merged data, one row per child; hidden columns carry
// what the row services read (see Col). Copy and paste, new data, delete, save and restore work on
// the focused row (z5DataSentaku_Ops.cpp); the shared-server actions are in z5DataSentaku_Shared.cpp,
// the take-out and bring-back in z5DataSentaku_TakeOut.cpp.

#include "controls/SDI.h"
#include "core/DialogRegistry.h"
#include "core/TDataInfomation.h"
#include "core/TDataListRec.h"
#include "datalist/DataKensaku.h"
#include "datalist/ListKeyBar.h"

#include <QPixmap>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

namespace Ui {
class TDataSentakuBox;
}

class QPushButton;
class QTimer;
class TDataListKensakuBox;
class TDataPlaceBox;
class TDataSentakuListCtl;
class TDataSyosaiInfoBox;
class TDbUpdateBox;
class TFileOperationBox;
class TFileOperationBoxEx1;
class TGassanDataCtl;
class TPerfectGrid;
class TServerSentakuBox;
class TfrmTusinSettei;
class TxAnimeProgressDialog;

// Registers the dialog under "QzDataSenkaku" (done once by the program's start-up).
void RegisterDataSentakuBox();

class TDataSentakuBox : public TBSDI, public ISyoriKidou {
    Q_OBJECT
public:
    // Grid columns; -1 is each row's own data cell (REC).
    enum Col : int {
        colNo = 0,
        colCode = 1,
        colCloud = 2,
        colName = 3,
        colNendo = 4,
        colKikan = 5,
        colFolder = 6,
        colVersion = 7,
        colLockPic = 8,
        colSharePic = 9,
        colLock = 10,
        colShared = 11,
        colVerFull = 12,
        colUpdate = 13,
        colGassan = 14,
        colListIndex = 15,
        colChild = 16,
        colStatus = 17,
        colCloudFlag = 18,
        colReadOnly = 19,
        ColCount = 20
    };
    // The function keys of the key bar, in bar order.
    using Key = TListKeyBar::Key;
    using enum TListKeyBar::Key;

    explicit TDataSentakuBox(QWidget* owner = nullptr);
    ~TDataSentakuBox() override;

    // ---- ISyoriKidou ----
    int Execute(bool modal) override;
    void SetParams(const QStringList& params) override;

    // ---- state ----
    QStringList Params;
    int SyoriType = 0;
    TDataKensakuRec CallerJyoken;
    bool CallerJyokenSet = false;
    TDataKensakuRec Jyoken;
    int SortCol = -1;
    bool SortDesc = false;
    TDataSentakuRecArray List;
    TDataListArray AllChildren;
    TDataSentakuRecDispArray Disp;
    QString ChosenPath;
    QString ChosenPasName;
    QString PrevSelection;
    int KeyState = 0; // 0 no row, 1 a row is focused, 2 paste pending
    bool CopyPending = false;
    QString CopySource;
    TDataListRec CopySourceEntry;
    bool EscFlag = false;
    qint32 PlaceRec = 0;
    QString PlacePath;
    int OnlySaOperation = 0; // 0 back-up, 1 restore
    QString OnlySaBackupPath;
    qint32 SavedSharedAuto = 0;
    QString IncSearchText;
    bool ScrollOnShow = true;
    TDataInfomationRec InfoBuf;
    std::array<QPixmap, 3> StatePictures;
    std::array<QPixmap, 2> CloudPictures;

    std::unique_ptr<TDataSentakuListCtl> ListCtl;
    std::unique_ptr<TDataInfomation> DataInfo;
    TDataKensakuIO KensakuIO;
    TDataPlaceBox* PlaceBox = nullptr;
    QPointer<TDataSyosaiInfoBox> SyosaiBox;
    // Made on first use (owned by the dialog).
    QPointer<TGassanDataCtl> GassanCtl;

    // ---- the dialog (choice, parameters, closing) ----
    void SetSyoriType(int type);
    void Prepare(bool modal);
    // 1 data present, 0 no data, -1 refused, -2 no folder (type 3), -3 refused and damaged.
    int CheckDataFolder(const QString& folder);
    void FillEntry(TDataListRec& entry, bool empty);
    void ESCClick();
    void F1Click();
    void F2Click();
    void F3Click();
    void F4Click();
    void F5Click();
    void F6Click();
    void F7Click();
    void F8Click();
    void F12Click();

    // ---- dataset operations ----
    // The copy step while a copy is pending on entry (F2 in copy mode sets it), else the paste step.
    void CopyPasteData();
    // The merge-kind patterns a paste or restore ("貼り付け", "復元") may not overwrite, then the
    // identity comparison; the target folder is created when it does not exist.
    bool CheckRestorePattern(const QString& caption, const TDataInfomationRec& source, const QString& target);
    bool CompareDataIdentity(const QString& caption, const TDataInfomationRec& source,
                             const TDataInfomationRec& target);
    // Saves the focused dataset as "placc.fbk" in the folder (asked for when empty): 1 saved, -1 the
    // backup failed, 0 not done. An existing backup is replaced only by a complete new one.
    int SaveData(const QString& folder);
    // Restores "placc.fbk" of the folder (asked for when empty) into the focused row: 1 restored, -1
    // not done or failed.
    int RestoreData(const QString& folder);
    // Runs the registered creator of new data for the focused row; always 1.
    int NewData();
    // 1 when refused or cancelled, else whether the list entry was removed (1) or not (0).
    int DeleteData(bool errorMessage);
    // F4 in the client/server modes: a new empty data area (a list row with its folder under the chosen
    // data place; the folder itself is made when data is created in it). Always true.
    bool AddArea();
    // The folder dialogs of saving and restoring, created on first use.
    TFileOperationBox* SaveFolderBox();
    TFileOperationBoxEx1* RestoreSourceBox();

    // ---- shared-server data (stand-alone) ----
    // 共有取得: receives the shared data of an assigned row, or assigns an empty row to a shared
    // dataset chosen in the shared-server dialog and receives it.
    void btnKyoyuDataDownClick();
    // 共有保管: a confirmed send of the focused row's shared data.
    void btnKyoyuDataUpClick();
    void btnCloudShareClick();
    // The result of the list's receive (1 received and held), 0 when declined.
    int ReceiveSharedData(bool automatic);
    // The result of the list's send (1 handed back), 0 when refused or declined.
    int SendSharedData(bool automatic);
    // F4 in stand-alone mode: 1 when cancelled, else whether the local copy could be removed.
    int UnassignSharedData();
    // Sets the hold mark of a list entry (and of its children) in the list, the local copy and, unless
    // another operator holds it, the shared folder.
    void SetSharedHold(bool hold, TDataListRec& entry);
    // Brings the focused row's local copy of shared data that is not held up to date by a receive and
    // send; true when there was nothing to do or both worked.
    bool SyncSharedCopy();
    // The shared-server dialog, created on first use and reused.
    TServerSentakuBox* ServerBox();

    // F3 on a named row of the server's list: takes the dataset out to this computer's own data list,
    // or brings it back from there into the row. True when done (and in connection mode 2, where it
    // does nothing); false when it ended early, was refused, cancelled or failed.
    bool TakeOutData();

    // ---- merged data (stand-alone) ----
    // F3 on a merged row: adds a distributed-input child.
    void AddBunsanData();
    // The merge settings of a merged row after its children changed (a child deleted: count - 1).
    void WriteGassanSettings(const TDataSentakuRec& parent, const QString& folder, qint32 count);

    // ---- the list view ----
    void ReloadView();
    int LoadList();
    void ApplyListFilter();
    void ShowRows(int position);
    void ShowRow(int row, const TDataListRec& entry);
    void SetFunctionKeys();
    void SetHints();
    void ScrollToPrevious();
    bool CheckDbUpdate(int row, bool fresh);
    void PerfectGrid1CellClick(int row, int col);
    void PerfectGrid1CellGotFocus(int row, int col);
    void PerfectGrid1CellLostFocus(int row, int col);
    void PerfectGrid1DblClick();
    void PerfectGrid1KeyDown(int& key, Qt::KeyboardModifiers shift);
    void PerfectGrid1KeyPress(QChar& key);
    void IncSerchTimerTimer();
    void btnSearchClick(bool cancel);
    void btnListUpdateClick();
    // The details of the focused dataset; what was changed there is written back.
    void btnDataInfoClick();
    // The row of held shared data in the shared-server list follows a change of the entry.
    void UpdateServerListRow(const TDataListRec& entry);
    void cmbDataManChange();
    void cmbDataManExit();
    void btnDataManClick();

    // ---- row services ----
    TDataListRec& RowRecord(int row);
    int ParentRow(int row) const;
    QString RowDataPath(int row);
    int SharedState(int source, int index);
    int CheckDataStatus(const QString& folder, bool message, bool gate);
    void SetDataStatus(const QString& folder, int status);
    void UpdateListRow(TDataListRec& entry);
    void SetRowLock(bool locked);
    // The operator code (as the lock column shows it) of an operator key of the logged-on group.
    static qint32 OperatorCodeOf(qint32 key);
    // The lock column of a data row (client/server): takes or releases the operator's lock.
    void ToggleRowLock(int row);
    void RemoveChildRows(int row, bool all);
    void CopyChildRows(int row);
    void FixMergeKind(int row);
    // The merge kind and child count of the typed settings of the dataset in the folder.
    void WriteMergeSettings(const QString& folder, int kind, int count);
    int DisplayIndexOf(int row) const;
    void ReselectRow(int topRow, const TDataListRec& entry);
    void DataListRefresh(int row);
    // Asked between the rows of a whole-list refresh: true stops it after the current row.
    std::function<bool()> RefreshCancelled;
    void ReadChildRows(int row);
    // The common end of a copy or restore into a row once its worker has finished: the target is
    // freed, and only a worker that succeeded fixes the merge settings and counts as done (1);
    // otherwise the row is rebuilt from what its folder holds and the result is -1.
    int FinishCopyOrRestore(int row, bool workerSucceeded);

    // ---- for the form and tests ----
    TPerfectGrid* Grid() const;
    QPushButton* KeyButton(Key key) const;
    QString KeyCaption(Key key) const;
    Ui::TDataSentakuBox& form() { return *ui; }
    QTimer* IncSearchTimer() const { return m_incTimer; }

public Q_SLOTS:
    void done(int r) override;

protected:
    void FormClose(TCloseAction& Action) override;
    void FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) override;
    void ShowingChanged(bool Visible) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void setupGrid();
    void connectHandlers();
    // Returns false when the close is refused (result may change to 3).
    bool closeQuery(int& result);
    void afterKey(bool recompute);
    void showStatusBox(const QString& caption, const QString& folder, qint32 opcode, const QString& name,
                       const QString& text);
    int autoSharedStep(bool upload, const TDataListRec& entry);
    int listIndexOf(int row) const;
    // The shared-state cells of a parent row and its children.
    void markSharedRows(int parentRow, bool held);
    // After an operation changed the row's held shared data: the share gets the new data and the hold
    // is kept.
    void storeHeldCopy(int row, bool changed);
    void paintRowColours(int row, const TDataListRec& entry);
    bool hasCurrentRow() const;
    void refreshPlaceCombo();
    void copyStep(int row);
    void pasteStep(int row);
    bool pasteLocal(int row, const QString& target);
    bool pasteOnServer(int row, const QString& target);
    // The cloud-share receive before a copy or save; false when it failed.
    bool cloudReceive(TDataListRec& entry, const QString& folder);
    void showProgress(const QString& caption, const QString& info);
    void closeProgress();
    void setEntryLock(TDataListRec& entry, bool locked);
    // The information of a dataset: its ini in stand-alone mode, its database otherwise.
    void readDataInfo(const QString& folder, TDataInfomationRec& info);

    std::unique_ptr<Ui::TDataSentakuBox> ui;
    TListKeyBar m_keys;
    TListKeyBar::Captions m_fullCaptions;
    QTimer* m_incTimer = nullptr;
    QPointer<TDataListKensakuBox> m_kensakuBox;
    std::unique_ptr<TDbUpdateBox> m_dbUpdate;
    QPointer<TFileOperationBox> m_saveBox;
    QPointer<TFileOperationBoxEx1> m_restoreBox;
    std::unique_ptr<TxAnimeProgressDialog> m_progress;
    // The progress window of a whole-list refresh while it runs.
    TxAnimeProgressDialog* m_refreshProgress = nullptr;
    QPointer<TServerSentakuBox> m_serverBox;
    QPointer<TfrmTusinSettei> m_tusinSettei;
    bool m_modal = false;
    bool m_placeChanging = false;
};
