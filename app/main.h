#pragma once
// The linkage wizard, the program's only window. Its creation takes the command line and the product
// identity, creates the exporter and disables the caller's window; its first showing logs the operator
// on; the data page chooses and connects the dataset; Finish writes the linkage file; its destruction
// hands the outcome back to the caller.

#include "app/StartupEnvironment.h"
#include "controls/xAnimeProgressDialog.h"
#include "platform/CallerWindow.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <memory>

namespace Ui {
class TForm1;
}
class TComDataExport;
class THojinZeiGenkaDataExport;
class TDataSentakuListCtl;
class TfmDataTusin;

// The one argument "handle,message,wparam,file" of a caller.
struct TCallerArgument {
    quint32 Wnd = 0;
    qint32 Msg = 0;
    qint32 WParam = 0;
    QString File;
};

enum class TArgumentKind { Standalone, Caller, Invalid };

// The program's arguments without the program name: none (standalone) or exactly one whose fields are
// the parts split at "," (a missing field is empty, an empty number 0). More arguments, or a field 1 to 3
// that is not a decimal integer of 32 bits, are invalid.
TArgumentKind ParseCallerArgument(const QStringList& arguments, TCallerArgument& caller);

// Reads "AppInfo.ini" beside the program and copies it into the framework's names. False after the box
// that ends the start has been shown.
bool LoadProductIdentity();

// Finish's export, the progress dialog aside: the file written through the exporter, the outcome's boxes
// and the exit code for the caller: 0 created, 1 nothing to export (the wizard stays open for another
// choice), 2 failed. With a caller's window no box reports a created file.
struct TFinishResult {
    int ExitCode = 2;
    bool CloseForm = true;
};
TFinishResult FinishExport(TComDataExport& exporter, bool callerWindow);
// The boxes and exit code of an export's result (1 created, 3 nothing to export, 4 failed); escaped is
// the message of an error other than the export's own.
TFinishResult FinishOutcome(int created, const QString& escaped, bool callerWindow);

// The output file of the standalone page: a bare file name lies in the documents folder, a path stays
// as it is.
QString ResolveOutputFile(const QString& text, const QString& documentsDir);

// The data page's refusals and the shared-data messages, as their boxes show them.
namespace wizardtext {
extern const QString NoDataChosen;
extern const QString ConnectFailed;
extern const QString NoRights;
extern const QString VersionTooOld;
extern const QString ChooseAnother;
extern const QString NoOutputFile;
extern const QString Created;
} // namespace wizardtext

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The creation steps up to the wizard's texts and pages. False when a step ended the start; its box
    // has been shown and the exit code stays 2.
    bool FormCreate(const QStringList& arguments);
    // The process environment and the database module. False after the failure box.
    bool InitApplication();
    // Closes the form on its own decision (Finish, Cancel) with the given exit code.
    void CloseWithExitCode(int exitCode);

    int ExitCode() const { return FExitCode; }
    bool IsClosed() const { return m_closed; }
    bool LoggedOn() const { return FLoggedOn; }
    bool DataConnected() const { return FDataConnected; }
    quint32 CallerWnd() const { return FCallerWnd; }
    qint32 CallerMsg() const { return FCallerMsg; }
    qint32 CallerWParam() const { return FCallerWParam; }
    const QString& CallerFile() const { return FCallerFile; }
    THojinZeiGenkaDataExport* Exporter() const { return m_exporter.get(); }
    Ui::TForm1& form() { return *m_ui; }

    // The operator logon; true when the operator is logged on.
    bool Logon();

    // ---- the data page ----
    void btnDataSentakuClick();
    // True when a dataset is chosen, connected and accepted.
    bool SelectData(int syoriType);
    // 1 done or nothing to do, below 1 a failure.
    int ReleaseSharedData();
    int AcquireSharedData();
    int ReceiveSharedData(int automatic);
    int SendBackSharedData(int automatic);
    int CloudShareTransfer(int send);

    // ---- navigation and Finish ----
    void Wizard1NextClicking(QObject* sender, bool finalState, bool& allow);
    void Wizard1NextClick(QObject* sender, bool finalState);
    void Wizard1PageChanged();
    void BitBtn4aClick();

    // The close path: the dataset handed back and the logon row removed. Safe to run more than once.
    void CloseConnections();

protected:
    // Any close that the form did not decide itself (close box, window manager, a request from outside)
    // ends with exit code 1.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Enter that no control took presses the wizard's Next button, Esc its ｷｬﾝｾﾙ.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void btnCancelClick();
    void FormDestroy();
    void FirstShow();
    void SetTexts();
    void RemovePages(bool hasArgument);
    bool CheckDataPage();
    bool CheckOutputFile();
    void BuildSummary();
    QString CurrentPageName() const;
    void FillDataInfoList();
    void ClearDataInfoList();
    // Disconnects the chosen dataset when it is connected, its in-use mark freed.
    void DisconnectData(int refreshList = 0);
    // A refusal of the data page: OK chooses again.
    bool AskAnotherChoice(const QStringList& lines);
    TDataSentakuListCtl& ListCtl();
    void Terminate();

    std::unique_ptr<Ui::TForm1> m_ui;
    quint32 FCallerWnd = 0;
    qint32 FCallerMsg = 0;
    qint32 FCallerWParam = 0;
    QString FCallerFile;
    int FExitCode = 2;
    CallerWindow m_callerWindow;
    std::unique_ptr<THojinZeiGenkaDataExport> m_exporter;
    TStartupEnvironment m_environment;
    QString m_documentsDir;
    QString m_systemDrive;
    bool FLoggedOn = false;
    bool FDataConnected = false;
    bool FHadData = false;
    QString FPrevDataFolder;
    std::unique_ptr<TDataSentakuListCtl> m_listCtl;
    QPointer<TfmDataTusin> m_dataTusin;
    TxAnimeProgressDialog xAnimeProgressDialog1;
    bool m_closingByForm = false;
    bool m_closed = false;
    bool m_shownOnce = false;
    bool m_destroyed = false;
};
