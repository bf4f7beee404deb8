#pragma once
// The information of one dataset: its identity and counts read from its accounting database, and its
// status kept in the data-information ini ("placc.ini", sections DATASTS and DATAINFO) beside the
// database in stand-alone mode. The ini is the only coordination between processes sharing a dataset
// folder; in client/server mode it is neither read nor written.

#include "core/TSeihinVersionList.h"

#include <QString>
#include <functional>

struct TDataInfomationRec {
    quint8 STATUS = 1;
    qint32 OPCODE = 0;
    QString OPERATOR;
    quint8 SHARE_STATUS = 1;
    qint32 SHARE_OPCODE = 0;
    QString SHARE_OPERATOR;
    qint32 UPDATE_LOCK = 0;
    qint32 READ_ONLY = 0;
    QString DATALISTNAME;
    QString CODE;
    qint32 DATAKBN = 0;
    qint32 CODEKBN = 0;
    QString SHOUGOU;
    QString KANA;
    qint32 NENDO = 0;
    QString KISHU;
    QString KIMATU;
    qint32 TANTO = 0;
    qint32 SITEN = 0;
    qint32 SITENCNT = 0;
    qint32 BUMON = 0;
    qint32 BUMONCNT = 0;
    qint32 SIWAKE = 0;
    qint32 TOTALSIWAKE = 0;
    qint32 MAJOR = 0, MINOR1 = 0, MINOR2 = 0;
    QString VERSION2;
    quint8 GASSANKBN = 0;
    qint32 USEMYNUMBER = 0;
    quint8 CLOUD_SHARE = 0;
};

// The dataset-list table of a dataset folder: "DATALIST" for a folder in the default data folder (its
// path holds "/data/"), "DATALIST_EX" for one in a data place.
QString DataListTableOfFolder(const QString& folder);

class TDataInfomation {
public:
    TDataInfomation();

    quint8 ConnectMode = 0;
    TDataInfomationRec Rec;
    TSeihinVersionList VersionList;

    static const QString SectionStatus; // "DATASTS"
    static const QString SectionInfo;   // "DATAINFO"

    void InitDataInfoRec(TDataInfomationRec& rec) const;
    qint32 GetDataInfoRec(TDataInfomationRec& rec);
    qint32 GetDataInfoRecOfFolder(const QString& folder, TDataInfomationRec& rec);
    void UpdateDataInfomation(const QString& host, const QString& folder, TDataInfomationRec& rec);

    qint32 ReadIniFile(const QString& host, const QString& folder, TDataInfomationRec& rec);
    qint32 ReadDataIni(const QString& folder, TDataInfomationRec& rec);
    // Section DATASTS, DATAINFO, or both for an empty section. Throws std::runtime_error when the
    // file cannot be written.
    void WriteIniFile(const QString& folder, const QString& section, const TDataInfomationRec& rec);
    void WriteIniValue(const QString& folder, const QString& section, bool erase, const QString& value,
                       const QString& key);
    void RefreshIniFile(const QString& folder, const QString& section);
    void SetDataStatus(const QString& folder, int status);
    void SetShareStatus(const QString& folder, int status);
    bool SetShareStatusIfChanged(const QString& folder, int status);

    // 1 done, 0 failed. Send: -1 when another operator has the shared copy taken out (nothing is
    // copied over it). Receive: -1 when the shared copy is damaged or already taken out; without
    // quiet those cases throw std::runtime_error with the message for the operator. Both leave the
    // shared folder's record they read in Rec.
    qint32 SendShareData(const QString& sharedFolder, const QString& localFolder, int quiet);
    qint32 ReceiveShareData(const QString& sharedFolder, const QString& localFolder, int quiet);

    // True when the folder's data is taken out by another operator than the logged-on one (the
    // folder's record is left in Rec).
    bool IsShareHeldByOther(const QString& folder);
    // Gives up the logged-on operator's hold on the folder's data; another operator's hold stays.
    // True when the status was changed.
    bool ReleaseOwnShareHold(const QString& folder);

    bool IsDataSiyouKengen(const QString& folder);
    bool IsDataPasswordAuth(const QString& folder);
    QString GetDataVersionLabel(qint32 major, qint32 minor) const;

    // "placc.ini" of a folder.
    static QString IniPath(const QString& folder);

private:
    bool iniWritable(const QString& folder) const;
    // STATUS with OPCODE and OPERATOR, or the SHARE_ keys.
    void writeStatus(const QString& folder, const QString& prefix, int status);
    bool databaseExists(const QString& folder);
    // Connects the dataset, runs the question in the accounting transaction and disconnects again;
    // an error answers false.
    bool askOpenDataset(const QString& folder, const QString& context, const QString& message,
                        const std::function<bool()>& question);
};
