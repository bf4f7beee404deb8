#include "core/DataModule.h"

#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"

#include <QFile>
#include <QFileInfo>

namespace {

bool isServerMode(int mode) {
    return mode == 1 || mode == 2;
}

// Connects the system database for one operation when it is not connected, and leaves it as it was.
class SystemConnection {
public:
    explicit SystemConnection(TDM& dm) : m_dm(dm) {
        if (!dm.IBDatabaseDEF.isConnected())
            m_connectedHere = dm.fnAccDefConnected(SystemDef.HOSTNAME, 1);
    }
    ~SystemConnection() {
        if (m_connectedHere) {
            try {
                m_dm.IBDatabaseDEF.detach();
            } catch (const fb::Error&) {
            }
        }
    }
    bool connected() const { return m_dm.IBDatabaseDEF.isConnected(); }

private:
    TDM& m_dm;
    bool m_connectedHere = false;
};

} // namespace

bool TDM::ServerFileOperation(const QString& modeWord, const QString& path1, const QString& path2) {
    const QString word = modeWord.toUpper();
    static const QStringList fileWords{QStringLiteral("FEXIST"), QStringLiteral("FCOPY"),
                                       QStringLiteral("FDEL")};
    static const QStringList dirWords{QStringLiteral("DEXIST"), QStringLiteral("MKDIR"),
                                      QStringLiteral("RMDIR")};
    const bool fileWord = fileWords.contains(word);
    if (!fileWord && !dirWords.contains(word))
        return false;
    if (path1.trimmed().isEmpty() || (word == QStringLiteral("FCOPY") && path2.trimmed().isEmpty()))
        return false;
    const QString message = QStringLiteral("サーバーへのファイル操作(%1)に失敗しました。").arg(word);
    SystemConnection connection(*this);
    if (!connection.connected())
        return false;
    bool result = false;
    try {
        OwnTransaction own(IBTransactionDEF);
        if (fileWord) {
            IBSQLDEF.setSql(QStringLiteral("SELECT WBOOL FROM FILEOPERATION(:MODE,:FILEPATH1,:FILEPATH2)"));
            IBSQLDEF.setString("FILEPATH2", path2);
        } else {
            IBSQLDEF.setSql(QStringLiteral("SELECT WBOOL FROM DIRECTORYTEST(:MODE,:FILEPATH1)"));
        }
        IBSQLDEF.setString("MODE", word);
        IBSQLDEF.setString("FILEPATH1", path1);
        IBSQLDEF.open();
        result = !IBSQLDEF.eof() && IBSQLDEF.field("WBOOL").asInt() == 1;
        IBSQLDEF.close();
        own.commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.ServerFileOperation"), message);
        result = false;
    } catch (const std::exception& e) {
        ShowErrDetail(message, QString::fromUtf8(e.what()), ui::MsgKind::Error);
        result = false;
    }
    return result;
}

void TDM::ServerLongToShortFileName(const QString& longPath, QString& shortPath) {
    shortPath.clear();
    if (longPath.trimmed().isEmpty())
        return;
    const QString message = QStringLiteral("サーバーからのファイル名の変換(LongToShort)に失敗しました。");
    SystemConnection connection(*this);
    if (!connection.connected())
        return;
    try {
        OwnTransaction own(IBTransactionDEF);
        IBSQLDEF.setSql(QStringLiteral("SELECT SHORTNAME FROM LONGTOSHORTFILENAME(:LONGNAME)"));
        IBSQLDEF.setString("LONGNAME", longPath);
        IBSQLDEF.open();
        if (!IBSQLDEF.eof())
            shortPath = IBSQLDEF.field("SHORTNAME").asString();
        IBSQLDEF.close();
        // Nothing was written; ending the transaction here keeps no reader open on the server.
        own.commit();
    } catch (const fb::Error& e) {
        shortPath.clear();
        ErrFbAccess(e, QStringLiteral("TDM.ServerLongToShortFileName"), message);
    } catch (const std::exception& e) {
        shortPath.clear();
        ShowErrDetail(message, QString::fromUtf8(e.what()), ui::MsgKind::Error);
    }
}

bool TDM::ServerDExist(const QString& path, int mode) {
    if (mode == 0)
        return QFileInfo(path).isDir();
    return isServerMode(mode) && ServerFileOperation(QStringLiteral("DExist"), path, {});
}

bool TDM::ServerMkDir(const QString& path, int mode) {
    if (mode == 0)
        return ForceFolder(path);
    return isServerMode(mode) && ServerFileOperation(QStringLiteral("MkDir"), path, {});
}

bool TDM::ServerRmDir(const QString& path, int mode, bool toRecycleBin) {
    if (mode == 0)
        return ShellFolderOp(path, FO_DELETE, toRecycleBin, true);
    return isServerMode(mode) && ServerFileOperation(QStringLiteral("RmDir"), path, {});
}

bool TDM::ServerFExist(const QString& path, int mode) {
    if (mode == 0)
        return QFileInfo(path).isFile();
    return isServerMode(mode) && ServerFileOperation(QStringLiteral("FExist"), path, {});
}

bool TDM::ServerFDel(const QString& path, int mode, bool toRecycleBin) {
    if (mode == 0)
        return ShellFolderOp(path, FO_DELETE, toRecycleBin, true);
    return isServerMode(mode) && ServerFileOperation(QStringLiteral("FDel"), path, {});
}

bool TDM::ServerFMove(const QString& from, const QString& to, int mode) {
    if (mode == 0)
        return QFile::rename(from, to);
    if (!isServerMode(mode))
        return false;
    return ServerFileOperation(QStringLiteral("FCopy"), from, to) &&
           ServerFileOperation(QStringLiteral("FDel"), from, {});
}

bool TDM::ServerFCopy(const QString& from, const QString& to, int mode) {
    if (mode == 0)
        return ShellFolderCopyMove(from, to, FO_COPY);
    return isServerMode(mode) && ServerFileOperation(QStringLiteral("FCopy"), from, to);
}

void TDM::GetShortFileName(const QString& path, int mode, QString& shortPath) {
    shortPath.clear();
    if (mode == 0) {
        try {
            shortPath = GetShortPath(path);
        } catch (const std::exception&) {
            shortPath = path;
        }
    } else if (isServerMode(mode)) {
        ServerLongToShortFileName(path, shortPath);
    }
}
