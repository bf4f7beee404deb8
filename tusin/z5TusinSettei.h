#pragma once
// The communication settings "通信設定" of the open dataset: the general communication pair (ACCDEF1
// WEB_HOLDER and PASWORD, for whole datasets and the cloud share), the cash-book pair (TUSIN_ID HOLDER
// and PASWORD), the dataset's cloud-share area and the switch that adds the management-analysis upload
// to a send. Started by the program name "QzTusinSettei" with the mode in SyoriType; the data-selection
// dialog keeps one for OpenCloudShareSettings.
//
// The ID is twelve ASCII letters or digits, shown and typed as "aaaa-aaaa-aaaa" and stored without the
// dashes (an unfilled position as a space); the password at most six letters or digits.

#include "controls/SDI.h"
#include "core/DialogRegistry.h"

#include <QStringList>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
namespace Ui {
class TfrmTusinSettei;
}

// Whether the computer is connected to the Internet: Qt's network reachability where a backend is
// available, else true. Tests replace it.
extern std::function<bool()> IsInternetConnectedProc;

class TfrmTusinSettei : public TBSDI, public ISyoriKidou {
    Q_OBJECT
public:
    explicit TfrmTusinSettei(QWidget* owner = nullptr);
    ~TfrmTusinSettei() override;

    // ---- ISyoriKidou ----
    // -1 refused or failed, 1 shown modeless, else the modal result.
    int Execute(bool modal) override;
    // "SyoriType" (taken only when 0 or more) and "FormStyle".
    void SetParams(const QStringList& params) override;

    virtual void Setup(bool flag);
    void LoadSettings();
    // The cloud-share settings of the dataset in the folder: 0 accepted (F12), 9 cancelled, refused or
    // failed, 1 no folder given. Afterwards ConfirmedCloudLine and AreaEmpty.
    int OpenCloudShareSettings(const QString& folder);
    bool ConnectData();
    bool DisconnectData();
    // Whether ConnectData made the data module's connection (DisconnectData closes only that).
    bool OwnDataConnection = false;
    bool ApprovedJournalsExist();
    bool IsInternetConnected() const;

    // ---- state ----
    int SyoriType = 0;
    QStringList Params;
    int FormStyle = 0;
    QString DataFolder;
    int CloudLine = 0;
    int InitialCloudLine = 0;
    int ConfirmedCloudLine = 0;
    bool AreaEmpty = false;
    bool Cancelled = false;
    bool AreaPicked = false;
    bool SetupFlag = false;

    // ---- entry ----
    // The ID as the edit holds it: 14 characters with the dashes, an unfilled position as a space.
    QString IdEditText() const;
    // The 12 stored characters (positions 1-4, 6-9, 11-14 of the edit text).
    QString StoredIdText() const;
    // Twelve characters and the two dashes, no unfilled position.
    bool IdComplete() const;
    // The shown form of a stored ID: "xxxx-xxxx-xxxx" when it holds exactly 12 non-space characters,
    // else empty.
    static QString ShownId(const QString& stored);

    void ESCClick();
    void F1Click();
    void F12Click();
    void btnKyouyuClick();
    void xURLButtonClick();
    void txtConIDExit();
    void txtConPasswdExit();

    // ---- the form's parts ----
    QLineEdit* txtConID() const;
    QLineEdit* txtConPasswd() const;
    QCheckBox* CheckBox1() const;
    QRadioButton* RadioButton1() const;
    QRadioButton* RadioButton2() const;
    QLabel* Label5() const;
    QPushButton* btnKyouyu() const;
    QPushButton* xURLButton() const;
    QPlainTextEdit* HintArea() const;

protected:
    void FormClose(TCloseAction& Action) override;
    void FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Stores the pair of the mode (and the area in mode 5) before the close checks.
    void FormCloseQuery();
    void setAreaLabel(int line);
    void setIdEditText(const QString& text);
    bool organisationEdition() const;
    void moveRowsDown();

    std::unique_ptr<Ui::TfrmTusinSettei> ui;
    QString m_helpPage;
    bool m_rowsMoved = false;
};
