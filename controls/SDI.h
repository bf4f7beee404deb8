#pragma once
// The base form of the framework's dialogs and work screens. What it gives every form derived from it:
// - the bounds remembered per operator (system table FORMRSIZE) for forms that are not dialog-style;
// - a running-job row of the form in the accounting database (table OPINF) while it is open;
// - rescaling to the screen resolution and the operator's font, always from the design sizes recorded
//   when the form is created (FormCreate), so a form shown or prepared again never grows; widgets placed
//   by a layout are left to it, widgets created after FormCreate are scaled only when given to
//   SetDesignGeometry;
// - set-up of the period panels ("KikanPanel16", "KikanPanel12", "KikanPanel4", "KikanPanel2") and the
//   era date edits of the form from the open dataset;
// - keys: Esc closes a dialog-style form, F12 presses its ExecuteButton (closes any other form);
// - a hint line (HintTarget) that shows the long part of the focused control's hint;
// - saved screen values per operator, a "," splitter, a query factory on the accounting database.
//
// Deriving, with forms/<Unit>.ui (top-level widget a QDialog named after the form):
//
//     TMyBox::TMyBox(QWidget* owner) : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TMyBox>()) {
//         ui->setupUi(this);
//         FormCreate();                  // the base form's creation, after the form's widgets exist
//         SaveFormSize = false;          // the form's own flags after it
//         ExecuteButton = ui->btnOK;
//         SetupDone = true;
//     }
//     void TMyBox::FormShow() { TBSDI::FormShow(); ... }              // every show
//     void TMyBox::FormClose(TCloseAction& a) { TBSDI::FormClose(a); a = caHide; }
//
// Closing (done(), reject(), Esc, the close box) runs FormClose. A form closed with caFree that was shown
// modeless deletes itself later; a form run by exec() is left to its owner, as C++ owners expect.
// The database is reached only when it is connected: a form shown before logon or before a dataset is
// open neither reads nor writes anything.

#include "controls/z5MessageDlg2.h"
#include "core/TGamenKeyValue.h"
#include "core/TMojiBunkatu.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QDialog>
#include <QFont>
#include <QPointer>
#include <QRect>
#include <functional>
#include <memory>
#include <vector>

class QTimer;
class TDM;
class TxPlButton;

// The program's main window (PlaceForm, PutFormSize measure against it); none until the program sets it.
QWidget* MainForm();
void SetMainForm(QWidget* form);

// The screen resolution the forms scale to: the logical dots per inch of the primary screen, unless a
// value above 0 was set (tests set one).
int ScreenPixelsPerInch();
void SetScreenPixelsPerInch(int ppi);

// Where a form is shown (the class library's position modes).
enum TFormPosition : quint8 {
    poDesigned = 0,
    poDefault = 1,
    poScreenCenter = 4,
    poDesktopCenter = 5,
    poMainFormCenter = 6,
    poOwnerFormCenter = 7
};

// Called when a form is activated with its ActivateNotify and ActivateArg; not installed by this program.
extern std::function<void(bool notify, qint32 arg)> FormActivateProc;

// The design values of one owned widget, recorded once and scaled from on every rescale.
struct TGridLayoutRec {
    int DefaultRowHeight = 0;
    std::vector<int> ColWidths;
};
struct TLayoutRec {
    QPointer<QWidget> Control;
    QRect Geometry;          // valid when the widget is placed by hand, not by a layout
    qreal FontPointSize = 0; // above 0 for a widget with a font of its own
    std::unique_ptr<TGridLayoutRec> Grid;
};

class TBSDI : public QDialog {
    Q_OBJECT
public:
    enum TFormBorderStyle { bsSizeable, bsDialog };
    enum TCloseAction { caNone, caHide, caFree };

    explicit TBSDI(QWidget* parent = nullptr, TFormBorderStyle borderStyle = bsSizeable);
    ~TBSDI() override;

    TFormBorderStyle BorderStyle() const { return m_borderStyle; }
    bool isDialogStyle() const { return m_borderStyle == bsDialog; }

    // ---- fields ----
    QPointer<QWidget> ParentWnd;
    QString ParentCaption;
    bool ProcHistory = false;   // running-job row in OPINF
    bool HostQuerySkip = false; // descendants skip asking the host whether another job runs
    bool SaveFormSize = false;  // remembered bounds in FORMRSIZE and a minimum size
    bool RefreshAccInfo = false;
    bool ActivateNotify = false;
    qint32 ActivateArg = 0;
    bool SetupDone = false; // set by the descendant when its creation succeeded
    bool Shown = false;     // the first-show work has run
    bool ForcePlace = true; // PlaceForm also moves a form that lies inside the work area
    QPointer<QWidget> HintTarget;
    bool KeepOnClose = false;
    std::vector<TLayoutRec> Layout;
    int LayoutCount = 0;
    std::unique_ptr<QFont> FormFont;
    std::unique_ptr<TGamenKeyValue> ScreenValues;
    QString ScreenValueText;
    TMessage2InfoRec MsgInfo;
    // A TxPlButton or any QAbstractButton.
    QPointer<QWidget> ExecuteButton;
    bool Deactivated = false;
    std::unique_ptr<TMojiBunkatu> Splitter;

    // ---- services ----
    // Mode 1 centres on the rectangle (X, Y, W, H) of the main form's client area, mode 2 on the main
    // form (both as mode 3 while the main form is not showing), any other mode on the screen; the form
    // is then kept inside the work area (a dialog-style form at 0 at least).
    void PlaceForm(int X, int Y, int W, int H, quint8 Mode);
    void SetParentWindow(QWidget* Wnd);
    // The part of the control's hint after the first "|" (the whole hint without one) into the target.
    static void ShowLongHint(QWidget* Control, QWidget* Target);
    // A control's hint "short|long": the short part becomes its tool tip, the long part goes to the hint
    // line.
    static void SetHint(QWidget* Control, const QString& Hint);
    static QString Hint(const QWidget* Control);
    // Colours of a grid from the operator's display settings, set as properties of the grid object
    // ("FixedBackColor", "BackColor", ...). Scheme 1 keeps one row colour.
    static void SetGridColors(QObject* Grid, int Scheme);
    // A statement on the accounting database in the form's own transaction; none without a connection.
    std::unique_ptr<fb::Query> CreateQuery();
    // "EXECUTE PROCEDURE Name(:P1,...)" for the parameter names, in the form's own transaction.
    std::unique_ptr<fb::Query> CreateStoredProc(const QString& Name, const QStringList& Params);
    // The form's own transaction on the accounting database (read_committed, rec_version, nowait);
    // none while the database module does not exist.
    fb::Transaction* IBTransactionDAT();
    void RestoreScreenValues();
    void SaveScreenValues();
    // Kind 0 opens the running-job row, 1 closes it. A database error is reported and passed on.
    void PutProcRirekiInfo(int Kind);
    void GetFormSize();
    void PutFormSize();
    void FreeLayout();
    void SetupPeriodControls();
    void AdjustForFrameWidth();
    void RecordLayout();
    void RescaleControls();
    // Resolution the form is scaled to (96: design size).
    int PixelsPerInch() const { return m_pixelsPerInch; }
    // A design length at the form's resolution.
    int Scaled(int designValue) const;
    // Sets the client size from design values; a dialog-style form keeps that size fixed.
    void SetDesignClientSize(int width, int height);
    // The geometry of an owned widget in design units (96 dots per inch, the form resource's values, as
    // recorded when the form was created). Setting one records it and places the widget at the form's
    // resolution now and on every later rescale: a form that moves its widgets does so in design units.
    QRect DesignGeometry(QWidget* w);
    void SetDesignGeometry(QWidget* w, const QRect& design);
    QSize designClientSize() const { return m_designSize; }

public Q_SLOTS:
    void done(int r) override;
    void reject() override;
    int exec() override;

protected:
    // The base form's creation: call from the derived constructor after setupUi.
    void FormCreate();
    // Every show, before the form becomes visible; the base handling runs its first-show work once.
    virtual void FormShow();
    virtual void FormActivate();
    virtual void FormDeactivate();
    // The base handling saves the bounds, closes the job row and sets the action (caFree, or caHide with
    // KeepOnClose). caNone keeps the form open.
    virtual void FormClose(TCloseAction& Action);
    // Esc and F12; Key becomes 0 when the key was used.
    virtual void FormKeyUp(int& Key, Qt::KeyboardModifiers Shift);
    // After the form was shown or hidden.
    virtual void ShowingChanged(bool Visible);
    // For a shown form whose creation did not finish (SetupDone false): says so in an error box and
    // closes the form; true then.
    bool CloseWhenSetupFailed();

    void setVisible(bool visible) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void applyBorderStyle();
    void recordDesign();
    TLayoutRec* layoutOf(const QWidget* w);
    void focusChanged(QWidget* now);
    bool connectedToAccountingDatabase() const;
    QList<QWidget*> ownedWidgets() const;
    void runFormClose(int r);

    TFormBorderStyle m_borderStyle;
    int m_pixelsPerInch = 96;
    QSize m_designSize;
    bool m_closing = false;
    int m_execDepth = 0;
    int m_pressedKey = 0;
    QPointer<TDM> m_transactionDm;
    std::unique_ptr<fb::Transaction> m_transaction;
};
