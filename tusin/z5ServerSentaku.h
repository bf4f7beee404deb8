#pragma once
// The dialog "共有データの選択": the data areas of a shared folder that several stand-alone computers
// use. The share root is a share folder plus ShareDir ("pellanzaimu"); every sub-folder is an area, and
// each area's data-information file (placc.ini: STATUS, SHARE_STATUS) is the only thing the computers
// coordinate through. The list of areas is cached per share in SERVERDATALIST / CHILD_SERVERDATALIST and
// rebuilt from the folders by a refresh.
//
// Share folders: the folders configured in the application ini (section "SHAREFOLDER", a one-letter
// alias as key and the folder holding ShareDir as value) and the mounted network file systems of the
// kernel's mount table that hold ShareDir, which get the next free letters. The letter is what the caller
// keeps as the last shared drive.
//
// The data-selection dialog creates the form once, sets DriveLetter, calls Setup(1) and runs it modally:
// 1 when an area was chosen (ChosenFolder, ChosenName, DriveLetter), 2 on Esc.

#include "controls/SDI.h"
#include "core/TDataInfomation.h"
#include "core/TDataListRec.h"
#include "datalist/DataKensaku.h"
#include "datalist/ListKeyBar.h"
#include "datalist/z5ComDataSentaku.h"

#include <QPixmap>
#include <QPointer>
#include <array>
#include <memory>

namespace Ui {
class TServerSentakuBox;
}

class QPushButton;
class QTimer;
class TDataListKensakuBox;
class TDataSyosaiInfoBox;
class TPerfectGrid;
class TxAnimeProgressDialog;

// One offered share folder: its alias letter, the folder holding the share root and the share root.
struct TShareFolder {
    QString Letter;
    QString Folder;
    QString Root;
};

// The share folders that hold ShareDir: the configured ones in alias order, then the network mounts.
QList<TShareFolder> ListShareFolders();
// Adds a folder to the configured share folders under the first free letter; the letter, empty when
// the folder does not hold ShareDir (or is the share root itself, whose parent is taken) or no letter is
// free. A folder already offered keeps its letter.
QString AddShareFolder(const QString& folder);

// True when path, after resolving "." / ".." and symbolic links, lies strictly inside root (never root
// itself); false for an empty path or root.
bool IsPathStrictlyInside(const QString& path, const QString& root);

// The character a key of the incremental search stands for (virtual-key codes 48-57, 65-90, 96-111,
// 186-226), a null character for any other key.
QChar IncSearchChar(int virtualKey);
// The virtual-key code of a Qt key on a Japanese keyboard layout; 0 for keys the search does not take.
int VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers);

class TServerSentakuBox : public TBSDI {
    Q_OBJECT
public:
    // Grid columns; 9 to 17 are hidden and carry the row's values.
    enum Col : int {
        colNo = 0,
        colCode = 1,
        colCloud = 2,
        colName = 3,
        colNendo = 4,
        colKikan = 5,
        colFolder = 6,
        colVersion = 7,
        colShare = 8,
        colShareFlag = 9,
        colUnused = 10,
        colUpdateLock = 11,
        colGassan = 12,
        colListIndex = 13,
        colChildIndex = 14,
        colStatus = 15,
        colCloudFlag = 16,
        colReadOnly = 17,
        ColCount = 18
    };
    using Key = TListKeyBar::Key;
    using enum TListKeyBar::Key;
    static constexpr int MaxAreas = 2000;

    explicit TServerSentakuBox(QWidget* owner = nullptr);
    ~TServerSentakuBox() override;

    // ---- state ----
    int Mode = 0;
    QString DriveLetter;
    QString ShareRoot;
    QList<TShareFolder> Drives;
    TDataSentakuRecArray List;
    TDataListArray ChildList;
    TDataSentakuRecDispArray Disp;
    TDataKensakuRec StoredJyoken;
    TDataKensakuRec Jyoken;
    int SortCol = 6;
    bool SortDesc = false;
    bool SortChosen = false;
    int KeyMode = 0; // 0 no row, 1 a row, 2 paste pending
    bool PastePending = false;
    QString CopySource;
    TDataListRec CopyRec;
    QString CopyName;
    int CopyIndex = -1;
    QString ChosenFolder;
    QString ChosenName;
    QString IncSearchText;

    std::unique_ptr<TDataSentakuListCtl> ListCtl;
    std::unique_ptr<TDataInfomation> DataInfo;
    TDataKensakuIO KensakuIO;

    // ---- opening, list and area state ----
    void Setup(int mode);
    void BuildDriveList();
    void SelectDrive(int index);
    // Loads the areas of the current share in the sort order (refreshing every row from its folder
    // first when asked) and applies the filter.
    void LoadList(bool refresh);
    void RefreshFromShare();
    void ApplyFilter();
    void FillGrid();
    // Status of the dataset in the folder: 0 no data (with warn), 1 no data (without warn), else STATUS.
    int ShowDataState(const QString& folder, bool warnIfEmpty, bool showRefusal);
    bool SetShareStatus(const QString& folder, int status);
    void UpdateDataListRecord(TDataListRec& row);

    // ---- copy, paste, new area, delete ----
    bool PasteData();
    int CompareData(const QString& operation, const QString& source, const QString& target);
    bool AddArea();
    bool DeleteData(bool reportFailure);
    void CancelCopy();
    // The source of a copy when it is cloud-share data: fetched into a local folder first. 0 fetched,
    // 1-9 not fetched (reported to the operator).
    int FetchCloudShareSource(TDataListRec& row);

    // ---- keys, grid, buttons ----
    void SetFunctionKeys();
    void ESCClick();
    void F1Click();
    void F2Click();
    void F4Click();
    void F5Click();
    void F8Click();
    void F12Click();
    void SortByColumn(int col);
    void GridCellGotFocus(int row, int col);
    void GridCellLostFocus(int row, int col);
    void GridKeyDown(int& key, Qt::KeyboardModifiers shift);
    // One key of the incremental search as a virtual-key code.
    void IncSearchKey(int virtualKey);
    void IncSearchTimerTimer();
    void btnSearchClick();
    void btnSearchCancelClick();
    void btnInfoClick();
    void btnRefreshClick();
    void btnMapDriveClick();

    // ---- for the form and tests ----
    TPerfectGrid* Grid() const;
    QPushButton* KeyButton(Key key) const;
    QString KeyCaption(Key key) const;
    QTimer* IncSearchTimer() const { return m_incTimer; }
    Ui::TServerSentakuBox& form() { return *ui; }
    // The area-list index of a grid row's parent, -1 for none.
    int ListIndexOfRow(int row) const;
    TDataListRec* RowRecord(int row);
    bool HasCurrentRow() const;

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
    void setHints();
    void setHeaders();
    void fillRow(int r, const TDataListRec& row);
    void paintRow(int r);
    void afterKey();
    void copyStep();
    void pasteStep();
    void refreshRowFromFolder(TDataListRec& row, const QString& folder);
    // Stores the row of an area (an area whose folder holds no data keeps only its name); during a
    // refresh through the refresh's writer.
    void writeRow(TDataListRec& row, TDataSentakuListCtl::ServerAreaWriter* writer = nullptr);
    void selectFolderRow(const QString& folder);
    void clearSearchCondition();
    void saveSortOrder();
    QString areaPath(const QString& name) const;
    TDataSyosaiInfoBox* syosaiBox();

    std::unique_ptr<Ui::TServerSentakuBox> ui;
    TListKeyBar m_keys;
    std::array<QPixmap, 2> m_sharePictures;
    std::array<QPixmap, 2> m_cloudPictures;
    QTimer* m_incTimer = nullptr;
    QPointer<TDataListKensakuBox> m_kensakuBox;
    QPointer<TDataSyosaiInfoBox> m_syosaiBox;
    std::unique_ptr<TxAnimeProgressDialog> m_progress;
    bool m_bottomEnabled = true;
};
