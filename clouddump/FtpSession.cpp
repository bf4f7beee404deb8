#include "clouddump/FtpSession.h"

#include <QFile>
#include <curl/curl.h>

namespace {

size_t discardBody(char*, size_t size, size_t count, void*) {
    return size * count;
}

size_t readFile(char* buffer, size_t size, size_t count, void* file) {
    const qint64 n = static_cast<QFile*>(file)->read(buffer, qint64(size * count));
    return n < 0 ? CURL_READFUNC_ABORT : size_t(n);
}

size_t writeFile(char* data, size_t size, size_t count, void* file) {
    const qint64 n = static_cast<QFile*>(file)->write(data, qint64(size * count));
    return n < 0 ? 0 : size_t(n);
}

CURL* handle(void* p) {
    return static_cast<CURL*>(p);
}

} // namespace

TFtpSession::TFtpSession(const QString& host, int port, const QString& user, const QString& password)
    : m_root(QStringLiteral("ftp://%1:%2").arg(host).arg(port)), m_user(user.toUtf8()),
      m_password(password.toUtf8()) {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialised;
    m_curl = curl_easy_init();
}

TFtpSession::~TFtpSession() {
    Quit();
}

void TFtpSession::Quit() {
    if (m_curl)
        curl_easy_cleanup(handle(m_curl)); // sends QUIT on the open connection
    m_curl = nullptr;
}

QByteArray TFtpSession::urlOf(const QString& name) const {
    return (m_root + m_folder + u'/' + name).toUtf8();
}

void TFtpSession::reset() {
    CURL* c = handle(m_curl);
    curl_easy_reset(c);
    curl_easy_setopt(c, CURLOPT_USERNAME, m_user.constData());
    curl_easy_setopt(c, CURLOPT_PASSWORD, m_password.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp");
    // Passive: EPSV first, PASV when the server does not know it.
    curl_easy_setopt(c, CURLOPT_FTP_USE_EPSV, 1L);
    curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
    // A transfer that has stalled for half a minute is given up.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, 30L);
    curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, discardBody);
}

bool TFtpSession::perform(Failure kind) {
    const CURLcode rc = curl_easy_perform(handle(m_curl));
    m_code = int(rc);
    if (rc == CURLE_OK) {
        LastFailure = Failure::None;
        LastError.clear();
        return true;
    }
    LastFailure = kind;
    LastError = QString::fromUtf8(curl_easy_strerror(rc));
    return false;
}

bool TFtpSession::Connect() {
    if (!m_curl) {
        LastFailure = Failure::Connect;
        return false;
    }
    reset();
    m_url = (m_root + u'/').toUtf8();
    curl_easy_setopt(handle(m_curl), CURLOPT_URL, m_url.constData());
    curl_easy_setopt(handle(m_curl), CURLOPT_NOBODY, 1L);
    return perform(Failure::Connect);
}

bool TFtpSession::ChangeDir(const QString& folder) {
    if (!m_curl) {
        LastFailure = Failure::Connect;
        return false;
    }
    const QString f = folder.startsWith(u'/') ? folder : u'/' + folder;
    reset();
    // A folder that cannot be entered fails the CWD of a directory URL.
    curl_easy_setopt(handle(m_curl), CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
    m_url = (m_root + f + u'/').toUtf8();
    curl_easy_setopt(handle(m_curl), CURLOPT_URL, m_url.constData());
    curl_easy_setopt(handle(m_curl), CURLOPT_NOBODY, 1L);
    if (!perform(Failure::Folder)) {
        // Only the server's refusal of the folder is a folder failure; a connection that broke on the
        // way stays a connection failure.
        if (m_code != CURLE_REMOTE_ACCESS_DENIED && m_code != CURLE_REMOTE_FILE_NOT_FOUND)
            LastFailure = Failure::Connect;
        return false;
    }
    m_folder = f;
    return true;
}

qint64 TFtpSession::Size(const QString& name) {
    if (!m_curl)
        return -1;
    reset();
    m_url = urlOf(name);
    curl_easy_setopt(handle(m_curl), CURLOPT_URL, m_url.constData());
    curl_easy_setopt(handle(m_curl), CURLOPT_NOBODY, 1L); // SIZE (and MDTM) without a transfer
    if (!perform(Failure::Transfer))
        return -1;
    curl_off_t size = -1;
    curl_easy_getinfo(handle(m_curl), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
    return qint64(size);
}

bool TFtpSession::quote(const QStringList& commands) {
    if (!m_curl) {
        LastFailure = Failure::Connect;
        return false;
    }
    reset();
    curl_slist* list = nullptr;
    QList<QByteArray> keep;
    for (const QString& c : commands) {
        keep << c.toUtf8();
        list = curl_slist_append(list, keep.last().constData());
    }
    m_url = (m_root + u'/').toUtf8();
    curl_easy_setopt(handle(m_curl), CURLOPT_URL, m_url.constData());
    curl_easy_setopt(handle(m_curl), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle(m_curl), CURLOPT_QUOTE, list);
    const bool ok = perform(Failure::Transfer);
    curl_easy_setopt(handle(m_curl), CURLOPT_QUOTE, nullptr);
    curl_slist_free_all(list);
    return ok;
}

bool TFtpSession::Rename(const QString& from, const QString& to) {
    return quote({QStringLiteral("RNFR ") + m_folder + u'/' + from, QStringLiteral("RNTO ") + m_folder + u'/' + to});
}

bool TFtpSession::Delete(const QString& name) {
    return quote({QStringLiteral("DELE ") + m_folder + u'/' + name});
}

bool TFtpSession::Put(const QString& localFile, const QString& name) {
    if (!m_curl) {
        LastFailure = Failure::Connect;
        return false;
    }
    QFile file(localFile);
    if (!file.open(QIODevice::ReadOnly)) {
        LastFailure = Failure::Transfer;
        LastError = file.errorString();
        return false;
    }
    reset();
    m_url = urlOf(name);
    curl_easy_setopt(handle(m_curl), CURLOPT_URL, m_url.constData());
    curl_easy_setopt(handle(m_curl), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle(m_curl), CURLOPT_READFUNCTION, readFile);
    curl_easy_setopt(handle(m_curl), CURLOPT_READDATA, &file);
    curl_easy_setopt(handle(m_curl), CURLOPT_INFILESIZE_LARGE, curl_off_t(file.size()));
    return perform(Failure::Transfer);
}

bool TFtpSession::Get(const QString& name, const QString& localFile) {
    if (!m_curl) {
        LastFailure = Failure::Connect;
        return false;
    }
    QFile file(localFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        LastFailure = Failure::Transfer;
        LastError = file.errorString();
        return false;
    }
    reset();
    m_url = urlOf(name);
    curl_easy_setopt(handle(m_curl), CURLOPT_URL, m_url.constData());
    curl_easy_setopt(handle(m_curl), CURLOPT_WRITEFUNCTION, writeFile);
    curl_easy_setopt(handle(m_curl), CURLOPT_WRITEDATA, &file);
    const bool ok = perform(Failure::Transfer);
    file.close();
    return ok;
}
