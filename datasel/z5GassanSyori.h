#pragma once
// Merged data and its distributed-input children. A merged dataset (merge kind 1 "合算" or 2
// "合算本支店") gathers the figures of distributed-input datasets (kind 10 "分散"): ordinary accounting
// databases in sub-folders of the merged dataset's folder, listed as child rows of the merged row in
// CHILD_DATALIST. TGassanDataCtl makes such a child (a copy of the merged database cleared down to an
// empty input dataset, registered as a child row) and keeps the merge settings of the merged dataset.
//
// Sub-folders: "%.3d" (001 to 999) for merged data without branches; the facility code "%.2d" for
// merged data with branches ("00" only in medical-corporation data).
//
// Use: DataPath, Rec, SetActive(true) (loads the children), then AddBunsanData and WriteGassanSettings.
// The control borrows the database module's accounting connection: no other dataset may be connected
// through it while a child is made.

#include "core/TDataInfomation.h"
#include "core/TDataListRec.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

class TDataSentakuListCtl;

struct TGassanDataRec {
    qint32 Rec = 0;   // REC of the merged row
    qint32 Yobi = 0;  // always 0
    QString Folder;   // the merged dataset's folder
    qint32 Siten = 0; // 0: numbered sub-folders
    qint32 Count = 0; // "合算データ数" of the merged dataset
};

struct TGassanChildDataRec {
    qint32 Rec = 0;     // REC of the merged row
    qint32 RowNo = 0;   // ROWNO of the child in CHILD_DATALIST
    QString SubFolder;  // the facility code for merged data with branches, else empty
    QString Folder;     // full path of the child's folder
};

using TGassanChildDataArray = QList<TGassanChildDataRec>;

class TGassanDataCtl : public QObject {
public:
    explicit TGassanDataCtl(QObject* owner = nullptr);
    ~TGassanDataCtl() override;

    // The merged dataset's folder (kept without a trailing delimiter); a new value deactivates.
    const QString& DataPath() const { return m_dataPath; }
    void SetDataPath(const QString& path);
    // The merged row's list number; a new value deactivates.
    qint32 Rec() const { return m_rec; }
    void SetRec(qint32 rec);
    bool Active() const { return m_active; }
    // True loads the children again, also when already active.
    void SetActive(bool active);

    const TGassanDataRec& Data() const { return m_data; }
    const TGassanChildDataArray& Children() const { return m_children; }
    // The merged row's share marks as the list holds them.
    qint32 NetDrive() const { return m_netDrive; }
    const QString& SharePath() const { return m_sharePath; }

    // Index of the child with that folder (exact text), -1 when none.
    int IndexOfChild(const QString& folder) const;
    // The highest row number of the children plus step (step - 1 without children).
    qint32 NextRowNo(qint32 step) const;
    // The next free numbered sub-folder name ("%.3d") of a folder; empty when the folder does not exist.
    // Throws std::runtime_error "作成できるフォルダ名は[999]までです。" beyond 999.
    static QString NextFolderName(const QString& folder, int step);
    // Creates one distributed-input child; false (no folder left behind) when it could not be made.
    bool AddBunsanData(const QString& facilityCode);
    // Clears the child database of the creation under way down to an empty input dataset, in one
    // transaction that is rolled back on an error (the error is reported and passes on).
    void AccDataSyokika();
    // Writes "合算データ区分" and "合算データ数" into the merged dataset (kinds 0 and 10: count 0). The
    // dataset is disconnected again, also when a write fails (the failure passes on).
    void WriteGassanSettings(qint32 kind, qint32 count);

private:
    void LoadChildren();
    bool isMedical() const;
    void forgetWork();

    bool m_active = false;
    QString m_dataPath;
    qint32 m_rec = 0;
    TGassanDataRec m_data;
    TGassanChildDataArray m_children;
    qint32 m_netDrive = 0;
    QString m_sharePath;
    bool m_medical = false;
    // The creation under way.
    QString m_workFolder;
    QString m_workCode;
    TDataInfomationRec m_workInfo;

    std::unique_ptr<TDataSentakuListCtl> m_list;
    std::unique_ptr<TDataInfomation> m_info;
    TDataSentakuRec m_entry;
};
