#pragma once
// Helpers shared by the source files of the dataset-list controller: how its operations report a
// failure and end a transaction on the way out.

#include "core/DataModule.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "platform/firebird/FbError.h"

#include <QString>
#include <exception>

namespace datalist {

struct Failure {
    const char* context;
    const char* message;
};

inline constexpr Failure kGetFailed{"TDataSentakuListCtl.GetDataListRecord",
                                    "データリストの取得に失敗しました。"};
inline constexpr Failure kInsertFailed{"TDataSentakuListCtl.InsertDataListRecord",
                                       "データリストの追加に失敗しました。"};
inline constexpr Failure kUpdateFailed{"TDataSentakuListCtl.UpdateDataListRecord",
                                       "データリストの更新に失敗しました。"};
inline constexpr Failure kDeleteFailed{"TDataSentakuListCtl.DeleteDataListRecord",
                                       "データリストの削除に失敗しました。"};
inline constexpr Failure kChildUpdateFailed{"TDataSentakuListCtl.UpdateDataListChildRecord",
                                            "(子)データリストの更新に失敗しました。"};
inline constexpr Failure kChildDeleteFailed{"TDataSentakuListCtl.DeleteDataListChildRecord",
                                            "(子)データリストの削除に失敗しました。"};
inline constexpr Failure kMaxFailed{"TDataSentakuListCtl.GetDataFolderName",
                                    "最大のレコー番号の取得に失敗しました。"};
inline constexpr Failure kTorokuFailed{"TDataSentakuListCtl.IsDataPathToroku",
                                       "データリストの登録チェックに失敗しました。"};
inline constexpr Failure kExecuteFailed{"TDataSentakuListCtl.Execute", "データリストの取得に失敗しました。"};
inline constexpr Failure kChildGetFailed{"TDataSentakuListCtl.GetDataListChildRecord",
                                         "(子)データリストの取得に失敗しました。"};
inline constexpr Failure kServerExecuteFailed{"TDataSentakuListCtl.ServerExecute",
                                              "共有データリストの取得に失敗しました。"};
inline constexpr Failure kServerUpdateFailed{"TDataSentakuListCtl.UpdateServerDataListRecord",
                                             "共有データリストの更新に失敗しました。"};
inline constexpr Failure kServerChildUpdateFailed{"TDataSentakuListCtl.UpdateServerDataListChildRecord",
                                                  "共有(子)データリストの更新に失敗しました。"};
inline constexpr Failure kServerChildDeleteFailed{"TDataSentakuListCtl.DeleteServerDataListChildRecord",
                                                  "共有(子)データリストの削除に失敗しました。"};

// Inside a catch block: reports the error in flight the way the list operations do (with report), or
// passes it on.
inline void reportOrThrow(const Failure& failure, bool report) {
    const QString context = QString::fromUtf8(failure.context);
    const QString message = QString::fromUtf8(failure.message);
    try {
        throw;
    } catch (const fb::Error& e) {
        if (!report)
            throw;
        ErrFbAccess(e, context, message);
    } catch (const std::exception& e) {
        if (!report)
            throw;
        ShowErrDetail(message, QString::fromUtf8(e.what()), ui::MsgKind::Error);
    }
}

inline void endQuietly(OwnTransaction& own, bool commit) {
    try {
        if (commit)
            own.commit();
        else
            own.rollback();
    } catch (const fb::Error&) {
        // The error that brought us here is the one that matters.
    }
}

inline QString lastElement(const QString& path) {
    return ExcludePathDelim(path).section(u'/', -1);
}

inline int toIntOrZero(const QString& text) {
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok ? v : 0;
}

} // namespace datalist
