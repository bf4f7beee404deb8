#include "clouddump/z5FtpWebDbSqlDump.h"

#include "clouddump/FtpSession.h"
#include "clouddump/uAccZip.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <curl/curl.h>

namespace {

struct CurlHandle {
    CURL* h = curl_easy_init();
    ~CurlHandle() {
        if (h)
            curl_easy_cleanup(h);
    }
};

size_t collectHeader(char* data, size_t size, size_t count, void* target) {
    static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
    return size * count;
}

size_t discardBody(char*, size_t size, size_t count, void*) {
    return size * count;
}

// libcurl wants its global set-up once before any handle.
void curlGlobalInit() {
    static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)done;
}

} // namespace

TFtpWebDbSqlDump::TFtpWebDbSqlDump() {
    curlGlobalInit();
    Dump = std::make_unique<TWebDbSqlDump>();
    CloudHost = AppInfo.Application.WebSolvarnetServer;
    FtpPort = AppInfo.Application.WebSolvarnetFtpPort > 0 ? AppInfo.Application.WebSolvarnetFtpPort : 21;
    CaFile = AppInfo.Application.WebSolvarnetCaFile;
    ArchivePassword = QStringLiteral("Kvwnte5172");
}

TFtpWebDbSqlDump::~TFtpWebDbSqlDump() = default;

QString TFtpWebDbSqlDump::ResultText(const QString& code) {
    static const QHash<QString, QString> texts{
        {"000", "正常終了"},
        {"001", "「qzaimu」データ無し"},
        {"002", "「qzaimu」データより、認証不許可"},
        {"003", "「FtpUsers」データ無し"},
        {"801", "通信IDなし"},
        {"802", "データリスト番号不正"},
        {"811", "SQLDumpファイル作成失敗"},
        {"812", "SQLDumpファイル作成失敗(結果0バイト)"},
        {"813", "SQLDumpファイルZip圧縮失敗"},
        {"814", "SQLDumpファイルZip圧縮失敗(結果0バイト)"},
        {"821", "FTP コネクト失敗"},
        {"822", "FTP ログアウト失敗"},
        {"823", "FTP ディレクトリ移動失敗"},
        {"824", "FTP アップロード失敗"},
        {"825", "FTP ダウンロード失敗"},
        {"831", "HTTP GET失敗"},
        {"900", "ユーザーエージェント不正"},
        {"901", "制御モード不明"},
        {"902", "通信ID不明"},
        {"903", "該当制御コード無し"},
        {"911", "データ管理番号不正"},
        {"912", "データバージョン不正"},
        {"913", "データバージョン内容不正"},
        {"921", "Zipオープン失敗"},
        {"922", "Zip解凍パスワード失敗"},
        {"923", "Zip展開失敗"},
        {"924", "SQLDumpファイル不明"},
        {"999", "サーバープログラム例外エラー"},
    };
    return texts.value(code, QStringLiteral("原因不明のエラー発生"));
}

QString TFtpWebDbSqlDump::Send(const QString& commId, int number) {
    CommId = QString(commId).remove(u'-');
    DataNumber = number;
    DumpStem = QStringLiteral("solvar_d_%1_%2").arg(CommId).arg(number);
    ResultCode = QStringLiteral("000");
    FtpHost.clear();
    FtpPassword.clear();
    ResponseHeaders.clear();
    bool dumpWritten = false;
    try {
        steps(dumpWritten);
    } catch (...) {
        if (dumpWritten)
            QFile::remove(Dump->DumpPath);
        throw;
    }
    if (dumpWritten)
        QFile::remove(Dump->DumpPath);
    return ResultCode;
}

void TFtpWebDbSqlDump::steps(bool& dumpWritten) {
    // The ID goes into a URL, a database name and an FTP user name unencoded: letters and digits only.
    static const QRegularExpression alnum(QStringLiteral("^[A-Za-z0-9]+$"));
    if (CommId.isEmpty() || !alnum.match(CommId).hasMatch()) {
        ResultCode = QStringLiteral("801");
        return;
    }
    if (DataNumber < 1 || DataNumber > 10) {
        ResultCode = QStringLiteral("802");
        return;
    }
    Dump->DatabaseName = DumpStem;
    if (!Dump->WriteDump()) {
        ResultCode = QStringLiteral("811");
        return;
    }
    dumpWritten = true;
    if (GetFileSize64(Dump->DumpPath) <= 0) {
        ResultCode = QStringLiteral("812");
        return;
    }
    const QFileInfo dumpInfo(Dump->DumpPath);
    const QString folder = dumpInfo.absolutePath();
    SqlFileName = dumpInfo.fileName();
    ZipFileName = dumpInfo.completeBaseName() + QStringLiteral(".zip");
    const QString archive = folder + u'/' + ZipFileName;
    if (QFileInfo(archive).isFile())
        QFile::remove(archive);
    ForceFolder(folder);
    int packed = -1;
    try {
        packed = ZipFiles(QStringLiteral("-D -P ") + ArchivePassword + QStringLiteral(" -q -j"),
                          u'"' + archive + u'"', u'"' + Dump->DumpPath + u'"');
    } catch (const std::exception&) {
        packed = -1;
    }
    if (packed != 0) {
        ResultCode = QStringLiteral("813");
        return;
    }
    if (GetFileSize64(archive) <= 22) {
        ResultCode = QStringLiteral("814");
        return;
    }

    const QString base = QStringLiteral("https://") + CloudHost + QStringLiteral("/request.php?pmd=");
    if (!httpGet(base + QStringLiteral("1000&fnm=") + CommId)) {
        ResultCode = QStringLiteral("831");
        return;
    }
    FtpHost = header(QStringLiteral("X-Add"));
    FtpPassword = header(QStringLiteral("X-Pas"));
    ResultCode = header(QStringLiteral("X-Status"));
    if (ResultCode != QLatin1String("000"))
        return;

    const QString failed = ftpUpload(archive);
    if (!failed.isEmpty()) {
        ResultCode = failed;
        return;
    }

    // The service knows versions from 8.0.2 on; the revision is not sent.
    if (AccInf.MAJOR < 8 || (AccInf.MAJOR == 8 && AccInf.MINOR1 == 0 && AccInf.MINOR2 < 2))
        DataVersionText = QStringLiteral("8.0.0");
    else
        DataVersionText = QStringLiteral("%1.%2.0").arg(AccInf.MAJOR).arg(AccInf.MINOR1);
    if (!httpGet(base + QStringLiteral("1100&fnm=%1&dno=%2&dvr=%3&fpa=%4")
                            .arg(CommId)
                            .arg(DataNumber)
                            .arg(DataVersionText, ArchivePassword))) {
        ResultCode = QStringLiteral("831");
        return;
    }
    ResultCode = header(QStringLiteral("X-Status"));
}

bool TFtpWebDbSqlDump::httpGet(const QString& url) {
    ResponseHeaders.clear();
    CurlHandle curl;
    if (!curl.h)
        return false;
    QByteArray headers;
    const QByteArray u = url.toUtf8();
    const QByteArray ca = QFile::encodeName(CaFile);
    curl_easy_setopt(curl.h, CURLOPT_URL, u.constData());
    curl_easy_setopt(curl.h, CURLOPT_USERAGENT, "Tesuvio");
    curl_easy_setopt(curl.h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl.h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl.h, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl.h, CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(curl.h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl.h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!CaFile.isEmpty())
        curl_easy_setopt(curl.h, CURLOPT_CAINFO, ca.constData());
    curl_easy_setopt(curl.h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.h, CURLOPT_CONNECTTIMEOUT, 30L);
    // A service that accepted the request and stays silent is given up as the FTP side gives up a
    // stalled transfer.
    curl_easy_setopt(curl.h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl.h, CURLOPT_LOW_SPEED_TIME, long(std::max(1, StallSeconds)));
    curl_easy_setopt(curl.h, CURLOPT_HEADERFUNCTION, collectHeader);
    curl_easy_setopt(curl.h, CURLOPT_HEADERDATA, &headers);
    curl_easy_setopt(curl.h, CURLOPT_WRITEFUNCTION, discardBody);
    if (curl_easy_perform(curl.h) != CURLE_OK)
        return false;
    // Name and value split at the first ":" only; values keep any further colons.
    for (QByteArray l : headers.split('\n')) {
        l = l.trimmed();
        const qsizetype colon = l.indexOf(':');
        if (colon <= 0)
            continue;
        ResponseHeaders << QString::fromUtf8(l.left(colon)).trimmed() + u'=' +
                               QString::fromUtf8(l.mid(colon + 1)).trimmed();
    }
    return true;
}

QString TFtpWebDbSqlDump::header(const QString& name) const {
    for (const QString& l : ResponseHeaders) {
        const qsizetype eq = l.indexOf(u'=');
        if (l.left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return l.mid(eq + 1).trimmed();
    }
    return {};
}

QString TFtpWebDbSqlDump::ftpUpload(const QString& archivePath) {
    TFtpSession ftp(FtpHost, FtpPort, CommId, FtpPassword);
    if (!ftp.Connect())
        return QStringLiteral("821");
    if (!ftp.ChangeDir(QStringLiteral("%1").arg(DataNumber, 2, 10, QChar(u'0'))))
        return ftp.LastFailure == TFtpSession::Failure::Folder ? QStringLiteral("823")
                                                               : QStringLiteral("821");
    if (!ftp.Put(archivePath, ZipFileName))
        return QStringLiteral("824");
    return {};
}
