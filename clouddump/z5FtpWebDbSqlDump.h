#pragma once
// The upload of the open dataset to the management-analysis service: writes the SQL dump, packs it into
// a password-protected archive, asks the service over HTTPS for FTP access, uploads the archive into the
// data slot's folder and asks the service to import it. Send returns a three-digit result code.

#include "clouddump/z5WebSolvarnetDataDump.h"

#include <QString>
#include <QStringList>
#include <memory>

class TFtpWebDbSqlDump {
public:
    TFtpWebDbSqlDump();
    ~TFtpWebDbSqlDump();
    TFtpWebDbSqlDump(const TFtpWebDbSqlDump&) = delete;
    TFtpWebDbSqlDump& operator=(const TFtpWebDbSqlDump&) = delete;

    // commId: the communication ID ("-" removed; letters and digits only), number: data slot 1 to 10.
    QString Send(const QString& commId, int number);
    static QString ResultText(const QString& code);

    std::unique_ptr<TWebDbSqlDump> Dump;
    QString CloudHost; // "host" or "host:port" of the HTTPS service
    qint32 FtpPort = 21;
    QString CaFile;
    // Seconds an HTTPS request may go without a byte from the service before it is given up (as "831").
    qint32 StallSeconds = 120;
    QString FtpHost;
    QString FtpPassword;
    QString ResultCode;
    QString CommId;
    qint32 DataNumber = 0;
    QString DumpStem;
    QString SqlFileName;
    QString ZipFileName;
    QString ArchivePassword;
    QStringList ResponseHeaders; // name=value lines of the last response
    QString DataVersionText;

private:
    // A GET of the service; false when it failed (connection, TLS, an HTTP error status).
    bool httpGet(const QString& url);
    QString header(const QString& name) const;
    // Connects and logs on, changes to the slot folder and stores the archive: "" or the failure's code.
    QString ftpUpload(const QString& archivePath);
    void steps(bool& dumpWritten);
};
