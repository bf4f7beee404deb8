#pragma once
// The data-communication dialog "データ通信": the entry to every exchange with the relay server. Started
// by the program name "QzDataTusin" with an operation kind (SyoriType), or created by other dialogs for
// the cloud-share entry points. For the relay kinds it lists the relay server's folders (or the
// cloud-share areas), from which the operator sends, receives, deletes or releases; the other kinds run
// their operation directly.
//
// The form owns what a transfer needs: the server information of the last status request (ServerInfo),
// the operation's bookkeeping, the data package's stages in the work folders "ComS" and "ComR", and a
// connection of its own to the dataset's database for one operation at a time.

#include "controls/SDI.h"
#include "core/DialogRegistry.h"
#include "core/TDataInfomation.h"
#include "core/TDataListRec.h"
#include "tusin/RelayStatus.h"

#include <QPixmap>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TBackupRestoreThread;
class TCashBookLoaderBox;
class TfmWaitMess;
class TPerfectGrid;
class TfmWaitMess2;
namespace Ui {
class TfmDataTusin;
}
namespace fb {
class Database;
class Transaction;
} // namespace fb

// The work folders of the data package ("ComS" for sending, "ComR" for receiving) under the temporary
// folder: the process's TEMP folder, or the system's temporary folder when none was taken at start-up.
QString PackageTempFolder();
// "/01" to "/10": the relay folder of a slot (the rightmost two characters of "0" + the number).
QString RelayFolderName(int slot);

// An in-use refusal: the heading, then the holder's operator code (the first four characters of
// UserOperator as a number, empty when they are none), name and computer; the heading and a blank alone
// when the area names no operator.
QString InUseText(const QString& head, const TRelayServerEntry& entry);

// A connection of its own to the accounting database of a dataset folder (through the host of
// SystemDef); a failure is reported and thrown.
std::unique_ptr<fb::Database> OpenDatasetConnection(const QString& folder);
// Whether the folder's dataset holds approved journal entries; false after a reported failure.
bool ApprovedJournalsExistIn(const QString& folder);

// The operation kinds that run by themselves without a road of their own in this dialog.
enum TTusinKind : int {
    tkSend = 1,
    tkReceive = 2,
    tkServerCheck = 8,
    tkCloudSend = 20,
    tkCloudReceive = 21,
    tkCloudReceiveToFolder = 22,
    tkCloudRelease = 23,
    tkAreaList = 25,
    tkAreaListOnline = 26,
};

// Which road runs a package step: their failure texts and framing differ.
enum class TPackageRoad {
    Send,        // general and cloud-share send
    CashSend,    // cash-book and master send
    Receive,     // general and cloud-share receive
    CashReceive, // cash-book receive
};

// The three stage files of a package in one work folder.
struct TPackageStages {
    QString Folder;  // the work folder, no trailing delimiter
    QString Backup;  // "placc.fbk" or "cplacc.fbk"
    QString Archive; // "placc.lzh" or "cplacc.lzh"
    QString Package; // "placc.wen" or "cplacc.wen"
};

// What the comparison before a restore reads of a dataset.
struct TCompareInfo {
    QString SHOUGOU;
    QString KISHU, KIMATU; // "yyyy/mm/dd"
    qint32 TOTALSIWAKE = 0;
};

class TfmDataTusin : public TBSDI, public ISyoriKidou {
    Q_OBJECT
public:
    // A list column: its header and its width in design pixels.
    struct ColumnSpec {
        const char16_t* header;
        int width;
    };
    enum Key : int { kEsc, kF1, kF2, kF3, kF4, kF5, kF6, kF7, kF8, kF12, KeyCount };

    explicit TfmDataTusin(QWidget* owner = nullptr);
    ~TfmDataTusin() override;

    // ---- ISyoriKidou ----
    // 1 after a modal receive dialog that took data in, 0 for a modeless show and a modal dialog
    // without a receive, -1 when a gate refuses; the direct kinds answer their own results.
    int Execute(bool modal) override;
    // "SyoriType" (taken only when 0 or more) and "FormStyle".
    void SetParams(const QStringList& params) override;

    // ---- state ----
    int SyoriType = 0;
    QStringList Params;
    int FormStyle = 0;
    QString DataFolder; // the cloud-share kinds' dataset folder (the relay kinds use SystemDef.DataDir)
    QString CaptionText;
    QString BackupName = QStringLiteral("placc.fbk");
    QString PasteReceiveFolder;
    quint8 AutoMode = 0;
    TRelayServerInfo ServerInfo;
    QString OperatorQuery, ComputerQuery, OperatorText, ComputerText;
    QString OperationName;
    qint32 CloudAnalysisSend = 0;
    quint8 StartPending = 0;
    quint8 Initialised = 0;
    quint8 Received = 0;
    quint8 DataLost = 0;
    quint8 AreaChosen = 0;
    int ChosenArea = 0;
    QString ChosenAreaName;
    QString ChosenAreaState;
    int CashBookFolder = 0;
    quint8 MasterReceive = 0;
    quint8 ReceiveCancelled = 0;
    TDataSentakuRecArray ListRows;
    quint8 ArchiverLoaded = 0;
    int ShowMode = 0;
    // The dataset's version as the cloud-share send reads it (UpdateCloudLine with flag 1).
    qint32 VersionMajor = 0, VersionMinor1 = 0, VersionMinor2 = 0;
    // The version a send reported (fYobi: major and minor, two digits each).
    QString YobiText;
    // The merged-data rows kept across a receive (ReadGassanSetting / WriteGassanSetting).
    QString GassanKbnText, GassanCountText;
    // A backup worker a road left behind; freed with the form.
    std::unique_ptr<TBackupRestoreThread> BackupWorker;
    std::unique_ptr<TDataInfomation> DataInfo;
    std::array<QPixmap, 2> Pictures;
    // Where the status service is; the process's settings unless a caller sets others.
    TRelaySettings Relay;

    // ---- the dialog ----
    // In-use check, status request and list for kinds 1, 2, 25 and 26: -1 when the list was filled, 0
    // when the status request failed; other kinds 0 at once.
    int StartOperation();
    // The dataset's database connected again (mark-in-use) when it is not; its result is not relied on.
    bool ConnectData(bool flag);
    // Disconnects the dataset and ends an active system transaction; false only when that raised.
    bool ReleaseData();
    void PrepareList(int showMode);
    // The folder of the operation: SystemDef.DataDir below kind 20, else DataFolder.
    QString OperationFolder() const;
    // The information request of the kind through the status service; true when it was read.
    bool RequestServerInfo();
    // The roads the list's F12 runs; 0 for success.
    virtual int SendData();
    virtual int ReceiveData();
    // Restores the backup a receive unpacked in the receive work folder over the target dataset, after
    // the merge-kind and comparison checks; true when it was restored.
    bool RestoreReceivedData(bool showFailMessage);
    // The kinds that run without the list (cash-book, master, automatic) and kind 8's pre-steps.
    virtual int RunDirectKind(bool modal);

    // ---- cash-book, master and automatic kinds ----
    // Sends the open dataset into the kind's cash-book folder (3 "/02", 5 "/03", 7 and 9 "/01") with the
    // cash-book pair and marks the cash journal rows: 1 when the package arrived, was reported and the
    // rows were marked; 0 after any failure, each of which has shown its message.
    int SendCashBookData();
    // Fetches the package of cash-book folder 0, 1 or 2 ("/01", "/02", "/03"), restores it into the work
    // area and imports it: 1 when the import completed; 0 otherwise. ReceiveCancelled is set when the
    // operator closed the import window without running it.
    int ReceiveCashBookData(int folder);
    // Before a send into cash-book folder `index`: -1 the operator declined, 1 agreed to overwrite,
    // 2 nothing differs.
    int CompareWithServerData(int index);
    // The process-history end row; a database error is passed on.
    void EndProcessHistory();
    // The import window of folder 0, shown modally; its modal result. A seam for tests.
    virtual int ShowCashBookLoader(TCashBookLoaderBox& box);
    // Whether the cash-book program's updater window is open: every cash-book, master and automatic send
    // then stops without a message. No such window exists on this platform; false unless set.
    static std::function<bool()> CashBookUpdaterOpen;

    // ---- cloud-share entry points ----
    // Called on a form the caller keeps, without showing it (except for the area lists). 0 done, 1
    // failed or refused. The automatic flag is 1 when the linkage wizard calls on its own.
    int CloudShareSend(const QString& dataFolder, const QString& caption, int automatic);
    // 0 also when the local copy is already the area's newest.
    int CloudShareReceive(const QString& dataFolder, int automatic);
    // The area's copy restored into the receive folder of the work area (PasteReceiveFolder).
    int CloudShareReceiveToFolder(const QString& dataFolder, int automatic);
    // Marks the dataset's area free again.
    int ReleaseCloudShareArea(const QString& dataFolder);
    // The area list, shown modally; afterwards AreaChosen, ChosenArea and ChosenAreaName. 0 after the
    // list was shown; the online form makes its own status request first and gives 1 when it fails.
    int ShowCloudShareInfo(const QString& dataFolder);
    int ShowCloudShareInfoOnline(const QString& dataFolder);
    // OperatorText, ComputerText and their query forms for the operator of SystemDef and this computer.
    bool PrepareClientNames();
    // The operator as the status service knows a holder: the code right-aligned in four characters (its
    // last four when longer), then the name.
    static QString CloudOperatorText(qint32 code, const QString& name);
    // The computer name, at most 15 bytes, cut without splitting a character; QV_COMPUTER_NAME replaces
    // the host name when set.
    static QString CloudComputerText();
    // Whether the local copy (its last cloud time) is the area's newest. In client/server mode a copy
    // that someone else holds is not current.
    static bool IsCurrentCloudCopy(const TRelayServerEntry& area, const TDateTime& cloudTime, int connectMode,
                                   const QString& operatorText, const QString& computerText);

    // ---- list and keys ----
    void SetupGrid();
    void ShowServerList();
    int GetDataListRecord();
    // Writes the row's list fields into the list table of the received dataset. Throws
    // std::runtime_error (and database errors) to its caller.
    void UpdateDataListRecord(int index);
    void SetKeyCaptions();
    void ESCClick();
    void F1Click(int key);
    void PerfectGrid1CellGotFocus(int row, int col);
    void PerfectGrid1CellLostFocus(int row, int col);
    bool IsAreaList() const { return SyoriType >= tkAreaList; }

    // ---- relay data: delete and release ----
    // False only when the area was refused because it is in use.
    bool DeleteServerData();
    // Index 0, 1, 2: cash-book folder "01", "02", "03". False only when kind 8 shows no data there.
    bool DeleteCashBookServerData(int index);
    // 1730; a connection failure passes to the caller as ERelayConnection.
    bool SetAreaShareStatus(int area, int status);

    // ---- the data package ----
    TPackageStages SendStages() const;
    TPackageStages ReceiveStages() const;
    // The cash-book and master roads always use the placc names.
    TPackageStages StagesOf(TPackageRoad road) const;
    // The cipher key of a package: our fixed prefix and the password of the pair in use.
    static QString PackageKey(const QString& password);
    QString PackageKeyOf(TPackageRoad road) const;
    void SetFolderStatus(const QString& folder, int status);
    // The work folder created and an old backup stage removed; false after the message.
    bool PreparePackageFolder(TPackageRoad road);
    bool SaveSendBackup(bool showFailMessage);
    bool PackSequence(TPackageRoad road);
    bool EncryptSequence(TPackageRoad road);
    bool DecryptSequence(TPackageRoad road);
    bool ExtractSequence(TPackageRoad road);
    // Deletes the three stage files of the road's work folder, ignoring failures.
    void CleanUpStages(TPackageRoad road);

    // ---- bookkeeping ----
    // The difference lines of two datasets' information (empty when they agree).
    static QStringList CompareLines(const QString& procName, const TCompareInfo& source,
                                    const TCompareInfo& destination);
    bool CompareDataInfo(const QString& procName, const TCompareInfo& source,
                         const TCompareInfo& destination);
    bool CompareFolders(const QString& procName, const QString& sourceHost, const QString& destinationFolder,
                        const QString& sourceFolder);
    bool CompareRecordWithFolder(const QString& procName, const TCompareInfo& source,
                                 const QString& destinationFolder);
    int ReadGassanSetting();
    // Both rows or neither: 1 when written, 0 after a reported failure.
    int WriteGassanSetting();
    bool UpdateCloudLine(int flag);
    virtual bool UpdateCloudTime(const TDateTime& time);
    bool NotifyReceiveComplete();
    bool CountApprovedJournals();
    bool SendToSolvarnetCloud();
    // The relay row a road works on (0-based); the grid's current row.
    int SelectedRow() const;

    // ---- the form's parts ----
    TPerfectGrid* PerfectGrid1() const;
    QPushButton* keyButton(Key key) const;
    QLabel* Label1() const;
    QPlainTextEdit* HintArea() const;

protected:
    void FormShow() override;
    void FormActivate() override;
    void FormClose(TCloseAction& Action) override;
    void FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // The status service's view of the dataset and this client.
    TRelayContext relayContext() const;
    // The form's own connection to the operation's dataset; opening failures are reported and thrown.
    std::unique_ptr<fb::Database> openDataConnection();
    void fillListRow(int row, const TRelayServerEntry& e);
    void fillAreaRow(int row, const TRelayServerEntry& e);
    bool reconnectForClose();
    void pause() const;
    // The comparison record of a folder's dataset through the host.
    TCompareInfo compareInfoOfFolder(const QString& host, const QString& folder);
    // The destination checks of both comparisons, then the comparison with the source read last.
    bool compareWithDestination(const QString& procName, const QString& destinationFolder,
                                const std::function<TCompareInfo()>& source);
    // Saves, packs and encrypts the open dataset in the road's send work folder, ticking progress lines
    // 1 to 3; false after the step's message.
    bool packForSend(TfmWaitMess* wait, TPackageRoad road);
    // The receive's progress window, shown: download (relayWord), decrypt, extract and restore lines.
    std::unique_ptr<TfmWaitMess> showReceiveProgress(const QString& relayWord);
    // Uploads a package under `name` into a relay folder ("/NN") with the FTP user of the pair in use: an
    // old copy is kept as name + "bak" until the new one arrived whole with the local size. False after
    // the message.
    bool uploadPackage(const QString& user, const QString& folder, const QString& localFile,
                       const QString& name);
    // The direct road's steps after the gates (kinds 3 to 10 but 8).
    int runCashBookSend(int result);
    int runMasterSend(int result);
    int runCashBookReceive(int result);
    // Headers, widths and alignments of the list's columns; nameCol is left-aligned.
    void setColumns(const ColumnSpec* columns, int count, int nameCol);

    // The cloud-share authentication window and its box: running, then finished.
    void showAuthWindow();
    void authFinished();
    // What every cloud-share send and receive does on its way out.
    void endCloudOperation();
    // The error box of an exception that ended a road or a cloud-share entry point.
    void reportException(const QString& head, const std::exception* e);
    // Kind 25 or 26: the area list shown modally.
    int showAreaList(int kind, const QString& dataFolder);

    std::unique_ptr<Ui::TfmDataTusin> ui;
    std::unique_ptr<TfmWaitMess2> m_authWindow;
    std::array<QPushButton*, KeyCount> m_keys{};
    QString m_helpPage;
    bool m_closeQueried = false;
};
