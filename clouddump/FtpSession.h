#pragma once
// One FTP session on libcurl for the package transfers: passive mode (EPSV, then PASV), binary
// transfers, and the connection kept open from the log-on to the end of the session (QUIT when the
// session is freed). Every call tells how it went; the last failure's kind keeps the connection, folder
// and transfer failures apart so that each road can show its own text.

#include <QString>
#include <QStringList>

class TFtpSession {
public:
    enum class Failure { None, Connect, Folder, Transfer };

    TFtpSession(const QString& host, int port, const QString& user, const QString& password);
    ~TFtpSession();
    TFtpSession(const TFtpSession&) = delete;
    TFtpSession& operator=(const TFtpSession&) = delete;

    // Logs on; false (Connect) when the server cannot be reached or refuses the account.
    bool Connect();
    // Enters a folder below the log-on folder ("03" or "/03"); false (Folder) when the server refuses
    // it, (Connect) when the connection failed on the way.
    bool ChangeDir(const QString& folder);
    // The size of a file of the current folder; -1 when it is missing or cannot be asked.
    qint64 Size(const QString& name);
    // RNFR/RNTO and DELE as commands of their own; false (Transfer) when the server refused.
    bool Rename(const QString& from, const QString& to);
    bool Delete(const QString& name);
    // Stores a local file under a name of the current folder (replacing it), or fetches one into a
    // local file (created anew); false (Transfer) when the transfer broke.
    bool Put(const QString& localFile, const QString& name);
    bool Get(const QString& name, const QString& localFile);
    // Ends the session (QUIT); further calls fail.
    void Quit();

    Failure LastFailure = Failure::None;
    QString LastError; // libcurl's text of the last failure

private:
    QByteArray urlOf(const QString& name) const;
    bool perform(Failure kind);
    bool quote(const QStringList& commands);
    void reset();

    void* m_curl = nullptr;
    int m_code = 0; // libcurl's code of the last call
    QString m_root;   // "ftp://host:port"
    QString m_folder; // "/NN" or empty
    QByteArray m_user, m_password, m_url;
};
