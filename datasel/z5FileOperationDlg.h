#pragma once
// The dialog that asks for a file or a folder: a drop-down list of remembered places, a browse button and
// an optional history of places kept in an ini file (at most eight lines "HIST%d=%s", the most recent
// first). The caller fills the settings, calls Setup(1) and runs the dialog modally; result 1 leaves the
// chosen path in ResultPath. Closing hides the dialog: callers create it once and reuse it.

#include "controls/SDI.h"
#include "controls/TColor.h"

#include <QStringList>
#include <memory>

namespace Ui {
class TFileOperationBox;
}

class QComboBox;
class QLabel;
class QPushButton;
class TxEdit;

class TFileOperationBox : public TBSDI {
    Q_OBJECT
public:
    // 0 open a file, 1 save a file, 2 a folder to read from, 3 a folder to write to.
    enum Kind : int { OpenFile = 0, SaveFile = 1, ReadFolder = 2, WriteFolder = 3 };

    explicit TFileOperationBox(QWidget* owner = nullptr);
    ~TFileOperationBox() override;

    // ---- settings ----
    int FileKind = OpenFile;
    bool UseHistory = false;
    QString HistoryDir; // the data root's ini folder at creation
    QString HistoryFile;
    QString HistorySection;
    QString CaptionText;
    QString MessageText;
    TColor MessageColor = 0;
    QString PlaceLabel;
    QString DefaultFolder;
    QString DefaultFileName;
    QString PlaceHint;
    QString FileNameHint;
    QString DefaultExt;
    QString FilterDesc;

    // ---- result ----
    QString ResultPath;
    // The remembered places as last loaded or saved.
    QStringList History;

    virtual void Setup(int mode);
    virtual void RefreshView();
    virtual void SetHints();

    // The buttons' work, also for tests.
    virtual void btnOKClick();
    void btnBrowseClick();
    void btnHistoryDeleteClick();

    QString HistoryPath() const;
    QComboBox* PlaceList() const { return m_place; }
    TxEdit* FileNameEdit() const { return m_fileName; }
    QPushButton* HistoryDeleteButton() const { return m_historyDelete; }

protected:
    struct Controls {
        QLabel* message = nullptr;
        QLabel* placeLabel = nullptr;
        QComboBox* place = nullptr;
        QPushButton* browse = nullptr;
        QPushButton* historyDelete = nullptr;
        QLabel* fileNameLabel = nullptr;
        TxEdit* fileName = nullptr;
        QPushButton* ok = nullptr;
        QPushButton* cancel = nullptr;
    };
    // For a derived dialog with a form of its own: it builds its form and hands its controls over.
    struct NoForm {};
    TFileOperationBox(QWidget* owner, NoForm);
    void useControls(const Controls& controls);
    // The base OK: true when the dialog was accepted (its result is then 1).
    bool acceptChoice();

    void ShowingChanged(bool Visible) override;

    int Mode = 0;

private:
    void loadHistory();
    void saveHistory();
    // Puts the folder first in the list when it is not there and selects it.
    void selectPlace(const QString& folder);

    std::unique_ptr<Ui::TFileOperationBox> ui;
    QLabel* m_message = nullptr;
    QLabel* m_placeLabel = nullptr;
    QComboBox* m_place = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_historyDelete = nullptr;
    QLabel* m_fileNameLabel = nullptr;
    TxEdit* m_fileName = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
