#pragma once
// The individual-number ("マイナンバー") administration of a dataset: its log table MYNUMBER_LOG, its
// settings in the typed settings store (group "基本設定": "＃USE", "＃KEY", "＃VALUE") and the prompt for
// the administration password.
//
// Every operation works on the database module's accounting connection. The operations on "another
// dataset" take the path of its database file: when the module has that dataset open it is used as it
// is; otherwise it is connected for the operation and the module's earlier connection (if any) comes
// back afterwards. They show their failures themselves and never pass an error on.

#include "core/TDateTime.h"

#include <QString>
#include <functional>
#include <vector>

struct TMyNumberLogRec {
    TDateTime FHIZUKE; // 0: set to the time of writing
    QString FSERIAL;
    QString FOPCODE;
    QString FOPNAME;
    QString FHOST;
    quint8 FSTATE = 0; // event kind 0..10
    QString FPROCNAME;
    QString FCOMMENT;
};
using TMyNumberLogList = std::vector<TMyNumberLogRec>;

// Asks for the administration password (up to three entries) when the logged-on operator administers
// individual numbers; true when the entry, without blanks, equals the password. An operator who does
// not administer them passes without a prompt; an empty stored password never passes.
bool AskMyNumberAdminPassword(const QString& password);

class TMyNumberIO {
public:
    // The time a new log row gets; tests fix it.
    static std::function<TDateTime()> NowProc;

    QString SHOUGOU; // company of the dataset whose log was read last
    qint32 Count = 0;
    TMyNumberLogList LogList;
    TMyNumberLogRec WorkRec;
    qint32 UseFlag = 0;
    QString AdminPassword;
    QString ValueText;

    void MakeLogRec(TMyNumberLogRec& row, int kind, const QString& procName) const;
    // The company name and the whole log of the open dataset; newestFirst 1 orders by time descending.
    void GetLogList(int newestFirst);
    void GetLogListOfData(const QString& host, const QString& path);
    // Inserts the row; a row whose key exists already is tried again with a new time, four times in all.
    void AddLog(TMyNumberLogRec& row);
    void AddLogToData(const QString& host, const QString& path, TMyNumberLogRec& row);
    // Adds the rows of LogList that the other dataset lacks, when it holds the same company.
    void MergeLogList(const QString& host, const QString& path);
    void DeleteLog(const TMyNumberLogRec& row);
    // Reads the dataset's settings; the command "MyNumber_Clear" then clears them and logs it (kind 3).
    void GetMyNumberSetting(const QString& host, const QString& path, const QString& command,
                            const QString& procName);
    // Writes the settings held here back (only when UseFlag is 1) and removes the log row of a clearing.
    void PutMyNumberSetting(const QString& host, const QString& path);

private:
    void readLog(int newestFirst);
};
