#include "tusin/RelayStatus.h"

#include "core/uAccFunction2.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "platform/IniFile.h"
#include "platform/UserInteraction.h"
#include "tusin/xPzConv.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <functional>

namespace {

const QString kIdeographicSpace = QStringLiteral("　");

QString framed(const QString& text) {
    return kIdeographicSpace + QStringLiteral("\r\n") + text + QStringLiteral("\r\n ");
}

QString connectText(const QString& step = {}) {
    return framed(QStringLiteral("サーバーに接続出来ません。") + step);
}

QString serviceText(const QString& prefix, const QString& code) {
    return framed(prefix + QStringLiteral("サーバーエラー(") + code + u')');
}

const QString kRefusedText = framed(QStringLiteral("サーバーに接続出来ません、通信IDを確認して下さい。"));

QByteArray twoDigits(int n) {
    return QByteArray::number(n).rightJustified(2, '0');
}

QByteArray dateKey(TDateTime date) {
    return date.toDate().toString(QStringLiteral("yyyyMMdd")).toLatin1() + "0000";
}

// The date-time value YYYY?MM?DD?HH?NN?SS as YYYY/MM/DD HH:MM.
QString reformatted(const QByteArray& v) {
    return QString::fromLatin1(v.mid(0, 4) + '/' + v.mid(5, 2) + '/' + v.mid(8, 2) + ' ' + v.mid(11, 5));
}

// The display form; withTime adds " HH:MM" to the era date.
QString displayForm(const QString& text, bool withTime) {
    if (SystemDef.WarekiDisp == 0)
        return text;
    const QString era = DateToStrFmt(QStringLiteral("yy/mm/dd"), 2, StrToDateFixed(text.left(10)));
    return withTime ? era + u' ' + text.mid(11, 5) : era;
}

QString decodedName(const QByteArray& base64) {
    return cp932::decode(TxPzConv::DecodeBase64(base64));
}

struct Texts {
    QString connect;
    QString servicePrefix;
    // "920" has a text of its own (else it is a service error like any other code).
    bool refusedText = false;
};

// Runs one request whose result code is in line codeLine and shows its failure texts; on success the
// reply stays open for the lines after the code. A connection failure is shown too, unless rethrow.
TRelayOutcome run(const TRelaySettings& settings, const TRelayQuery& query, int codeLine, const Texts& texts,
                  const std::function<void(TRelayReply&, const QList<QByteArray>&)>& onSuccess = {},
                  bool rethrow = false) {
    try {
        TRelayReply reply(settings, query);
        // Lines 1 to 5 are read whatever the request.
        const QList<QByteArray> lines = reply.linesUpTo(std::max(5, codeLine));
        const QString code = RelayCodeOf(lines[codeLine - 1]);
        if (code == u"920" && texts.refusedText) {
            ui::showError(kRefusedText);
            return TRelayOutcome::Refused;
        }
        if (code != u"000") {
            ui::showError(serviceText(texts.servicePrefix, code));
            return TRelayOutcome::ServiceError;
        }
        if (onSuccess)
            onSuccess(reply, lines);
    } catch (const ERelayConnection&) {
        if (rethrow)
            throw;
        ui::showError(texts.connect);
        return TRelayOutcome::ConnectionFailed;
    }
    return TRelayOutcome::Ok;
}

} // namespace

TRelaySettings& RelaySettings() {
    static TRelaySettings settings;
    return settings;
}

void LoadRelaySettings(const IniFile& ini, TRelaySettings& s) {
    const QString sec = QStringLiteral("RELAY");
    s.StatusHost = ini.readString(sec, QStringLiteral("STATUSHOST"), s.StatusHost);
    s.StatusPort = static_cast<quint16>(ini.readInteger(sec, QStringLiteral("STATUSPORT"), s.StatusPort));
    s.FtpPort = static_cast<quint16>(ini.readInteger(sec, QStringLiteral("FTPPORT"), s.FtpPort));
    s.CaFile = ini.readString(sec, QStringLiteral("CAFILE"), s.CaFile);
    s.Serial = ini.readString(sec, QStringLiteral("SERIAL"), s.Serial);
    s.PauseMs = ini.readInteger(sec, QStringLiteral("PAUSE"), s.PauseMs);
    s.LoginPage = ini.readString(sec, QStringLiteral("LOGINPAGE"), s.LoginPage);
}

TRelayContext TRelayContext::current() {
    TRelayContext c;
    c.GeneralId = AccInf.WEB_HOLDER;
    c.GeneralPassword = AccInf.PASWORD;
    c.CashId = AccInf.TusinHolder[1];
    c.CashPassword = AccInf.TusinPasword[1];
    c.TavrinoEdition = ::TavrinoEdition != 0;
    return c;
}

QByteArray RelayRequestBytes(const TRelaySettings& settings, const TRelayQuery& query) {
    QByteArray first = "GET /request.php?Scode=" + query.Code +
                       "&sSno=" + cp932::encodeLossy(settings.Serial) + "&sFName=" + query.Id;
    for (const auto& [key, value] : query.Keys)
        first += '&' + key + '=' + value;
    first += " HTTP/1.0";
    return first + "\r\nHost: " + settings.StatusHost.toLatin1() +
           "\r\nUser-Agent: Tesuvio\r\nConnection: Close\r\n\r\n\r\n";
}

TRelayReply::TRelayReply(const TRelaySettings& settings, const TRelayQuery& query)
    : m_socket(std::make_unique<QSslSocket>()), m_deadline(settings.TimeoutMs) {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setProtocol(QSsl::TlsV1_2OrLater);
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!settings.CaFile.isEmpty()) {
        const QList<QSslCertificate> cas = QSslCertificate::fromPath(settings.CaFile);
        if (cas.isEmpty())
            throw ERelayConnection("no CA certificate in " + settings.CaFile.toStdString());
        config.setCaCertificates(cas);
    }
    m_socket->setSslConfiguration(config);
    m_socket->connectToHostEncrypted(settings.StatusHost, settings.StatusPort);
    if (!m_socket->waitForEncrypted(remaining()))
        throw ERelayConnection(m_socket->errorString().toStdString());
    m_socket->write(RelayRequestBytes(settings, query));
    while (m_socket->bytesToWrite() > 0)
        if (!m_socket->waitForBytesWritten(remaining()))
            throw ERelayConnection(m_socket->errorString().toStdString());
}

TRelayReply::~TRelayReply() {
    m_socket->abort();
}

int TRelayReply::remaining() const {
    return static_cast<int>(std::max<qint64>(1, m_deadline.remainingTime()));
}

QByteArray TRelayReply::nextLine() {
    for (;;) {
        while (!m_socket->canReadLine()) {
            if (m_socket->state() == QAbstractSocket::ConnectedState && !m_deadline.hasExpired() &&
                m_socket->waitForReadyRead(remaining()))
                continue;
            if (m_deadline.hasExpired())
                throw ERelayConnection("the status service did not answer in time");
            // The connection has ended: what is left without a line end is the last line.
            if (m_socket->bytesAvailable() == 0)
                throw ERelayConnection("the reply ended after line " + std::to_string(m_read));
            break;
        }
        QByteArray line = m_socket->canReadLine() ? m_socket->readLine() : m_socket->readAll();
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (m_read == 0 && line.isEmpty())
            continue;
        ++m_read;
        return line;
    }
}

QList<QByteArray> TRelayReply::linesUpTo(int last) {
    QList<QByteArray> lines;
    while (m_read < last)
        lines << nextLine();
    return lines;
}

QByteArray RelayValueFrom(const QByteArray& line, int position) {
    return line.size() >= position ? line.mid(position - 1) : QByteArray();
}

QString RelayCodeOf(const QByteArray& line) {
    return cp932::decode(line.mid(10, 3));
}

QString EscapeQueryText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'+')
            out += QStringLiteral("%2b");
        else if (c == u'=')
            out += QStringLiteral("%3d");
        else
            out += c;
    }
    return out;
}

QString VersionLabel(int major, int minor) {
    if (major == 11 && minor == 1)
        return QStringLiteral("19消改版");
    if (major == 6 && minor == 1)
        return QStringLiteral("14消改版");
    if (minor != 0)
        return QStringLiteral("%1.%2").arg(major).arg(minor);
    if (major == 1)
        return QStringLiteral("09版");
    if (major == 2)
        return QStringLiteral("10版");
    return QString::number(major + 8) + QStringLiteral("版");
}

QByteArray RelayNameValue(const QString& text) {
    return EscapeQueryText(TxPzConv::EncodeBase64(RepairMbcs(cp932::encodeLossy(text)))).toLatin1();
}

namespace {

bool generalKind(int kind) {
    return kind == 1 || kind == 2 || kind == 20 || kind == 21 || kind == 22 || kind == 25 || kind == 26;
}

QByteArray idBytes(const QString& id) {
    return cp932::encodeLossy(id);
}

// Reads the entries of an information reply into info (a copy the caller keeps only on success).
void readEntries(TRelayReply& reply, TRelayServerInfo& info, bool areas) {
    info.FtpHost = cp932::decode(RelayValueFrom(reply.nextLine(), 8));
    info.FtpPassword = cp932::decode(RelayValueFrom(reply.nextLine(), 8));
    reply.nextLine();
    const int perEntry = areas ? 12 : 9;
    for (TRelayServerEntry& e : info.Entries) {
        QList<QByteArray> l;
        for (int i = 0; i < perEntry; ++i)
            l << reply.nextLine();
        const QString name = decodedName(RelayValueFrom(l[1], 11));
        e.DataName = name;
        if (name.trimmed().isEmpty()) {
            if (areas)
                e.UserOperator.clear(), e.UserComputer.clear();
            continue;
        }
        auto text = [&l](int line, int pos) { return cp932::decode(RelayValueFrom(l[line - 1], pos)); };
        e.FiscalYear = text(3, 11);
        const QByteArray start = RelayValueFrom(l[3], 12), end = RelayValueFrom(l[4], 12);
        const QByteArray send = RelayValueFrom(l[5], 11), receive = RelayValueFrom(l[8], 11);
        e.PeriodStart = reformatted(start);
        e.PeriodStartText = displayForm(e.PeriodStart, false);
        e.PeriodEnd = reformatted(end);
        e.PeriodEndText = displayForm(e.PeriodEnd, false);
        e.SendTime = reformatted(send);
        e.SendTimeText = displayForm(e.SendTime, true);
        if (areas)
            e.LastUpdateFull = QString::fromLatin1(send.mid(0, 4) + '/' + send.mid(5, 2) + '/' +
                                                   send.mid(8, 2) + ' ' + send.mid(11, 8));
        e.Password = text(7, 11);
        e.Version = text(8, 13);
        // A relay folder shows a receive only when it came after the last send.
        if (areas || send < receive) {
            e.ReceiveTime = reformatted(receive);
            e.ReceiveTimeText = e.ReceiveTime.startsWith(QStringLiteral("0000"))
                                    ? QStringLiteral("-")
                                    : displayForm(e.ReceiveTime, true);
        } else {
            e.ReceiveTime.clear();
            e.ReceiveTimeText = QStringLiteral("-");
        }
        if (areas) {
            e.ShareStatus = text(10, 14);
            if (e.ShareStatus == u"2") {
                e.UserOperator = decodedName(RelayValueFrom(l[10], 15));
                e.UserComputer = decodedName(RelayValueFrom(l[11], 15));
            } else {
                e.UserOperator.clear();
                e.UserComputer.clear();
            }
        }
    }
}

TDateTime serverTimeOf(const QString& text) {
    const QDateTime t = QDateTime::fromString(text, QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    return t.isValid() ? TDateTime::fromDateTime(t) : TDateTime();
}

const Texts kCompleteTexts{connectText(QStringLiteral("(完了処理)")), {}};
const Texts kReceiveCompleteTexts{connectText(QStringLiteral("(完了処理)")), QStringLiteral("完了処理")};

} // namespace

TRelayOutcome RequestServerInfo(TRelayServerInfo& info, int kind, const TRelayContext& context,
                                const TRelaySettings& settings) {
    const bool general = generalKind(kind);
    const bool areas = general && kind >= 20;
    TRelayQuery q{areas ? "1725" : "1720", idBytes(general ? context.GeneralId : context.CashId), {}};
    if (general && context.TavrinoEdition)
        q.Keys.emplaceBack("sTRKubn", "10");
    else if (!general)
        q.Keys.emplaceBack("sTRKubn", "2");
    else if (areas)
        q.Keys.emplaceBack("sRendou", context.Automatic ? "1" : "0");
    TRelayServerInfo next = info;
    next.Serial = settings.Serial;
    const TRelayOutcome outcome =
        run(settings, q, 5, Texts{connectText(), {}, true},
            [&](TRelayReply& reply, const QList<QByteArray>&) { readEntries(reply, next, areas); });
    if (outcome == TRelayOutcome::Ok)
        info = next;
    return outcome;
}

TRelayOutcome RequestShareStatus(int area, int status, const QString& operatorText,
                                 const QString& computerText, const TRelayContext& context,
                                 const TRelaySettings& settings) {
    const TRelayQuery q{"1730",
                        idBytes(context.GeneralId),
                        {{"fSname", twoDigits(area)},
                         {"fShare", QByteArray::number(status)},
                         {"fOpName", RelayNameValue(operatorText)},
                         {"fPcName", RelayNameValue(computerText)}}};
    return run(settings, q, 5, Texts{connectText(), {}, true}, {}, true);
}

TRelayOutcome RequestDeleteData(bool cloudArea, bool cashPair, int number, const TRelayContext& context,
                                const TRelaySettings& settings) {
    const TRelayQuery q{cloudArea ? "1753" : "1750",
                        idBytes(cashPair ? context.CashId : context.GeneralId),
                        {{"fSname", twoDigits(number)}}};
    return run(settings, q, 5, Texts{connectText(), {}});
}

TRelayOutcome RequestSendComplete(TRelayServerInfo& info, int code, int number, const TRelaySentData& data,
                                  const TRelayContext& context, const TRelaySettings& settings) {
    const bool cash = code == 1810;
    TRelayQuery q{QByteArray::number(code),
                  idBytes(cash ? context.CashId : context.GeneralId),
                  {{"fSname", twoDigits(number)},
                   {"fSg", RelayNameValue(data.DataName)},
                   {"fNe", QByteArray::number(data.FiscalYear)},
                   {"fKis", dateKey(data.PeriodStart)},
                   {"fKie", dateKey(data.PeriodEnd)},
                   {"fPa", idBytes(cash ? context.CashPassword : context.GeneralPassword)},
                   {"fYobi", twoDigits(data.VersionMajor) + twoDigits(data.VersionMinor)}}};
    if (code == 1823) {
        q.Keys.emplaceBack("fOpName", RelayNameValue(data.OperatorText));
        q.Keys.emplaceBack("fPcName", RelayNameValue(data.ComputerText));
    }
    return run(settings, q, 6, kCompleteTexts, [&](TRelayReply&, const QList<QByteArray>& lines) {
        const QByteArray value = RelayValueFrom(lines[4], 8);
        if (code == 1810) {
            info.Entries[0].SendTime = cp932::decode(value);
            return;
        }
        TRelayServerEntry& e = info.Entries[std::clamp(number, 1, 10) - 1];
        if (code == 1820) {
            e.SendTime = cp932::decode(value);
        } else {
            info.ServerTimeText =
                QString::fromLatin1(value.mid(0, 4) + '/' + value.mid(4, 2) + '/' + value.mid(6, 2) + ' ' +
                                    value.mid(8, 2) + ':' + value.mid(10, 2) + ':' + value.mid(12, 2));
            info.ServerTime = serverTimeOf(info.ServerTimeText);
        }
        e.ReceiveTime = e.ReceiveTimeText = QStringLiteral("-");
    });
}

TRelayOutcome RequestReceiveComplete(TRelayServerInfo& info, int number, const TRelayContext& context,
                                     const TRelaySettings& settings) {
    const TRelayQuery q{"1830", idBytes(context.GeneralId), {{"fSname", twoDigits(number)}}};
    return run(settings, q, 6, kReceiveCompleteTexts, [&](TRelayReply&, const QList<QByteArray>& lines) {
        TRelayServerEntry& e = info.Entries[std::clamp(number, 1, 10) - 1];
        e.ReceiveTime = reformatted(RelayValueFrom(lines[4], 8));
        e.ReceiveTimeText = displayForm(e.ReceiveTime, true);
    });
}

TRelayOutcome RequestAreaUse(TRelayServerInfo& info, TAreaUsePurpose purpose, int area,
                             const QString& operatorText, const QString& computerText,
                             const TRelayContext& context, QByteArray* timeLine,
                             const TRelaySettings& settings) {
    const TRelayQuery q{"1833",
                        idBytes(context.GeneralId),
                        {{"fSname", twoDigits(area)},
                         {"fOpName", RelayNameValue(operatorText)},
                         {"fPcName", RelayNameValue(computerText)}}};
    Texts texts = kReceiveCompleteTexts;
    if (purpose == TAreaUsePurpose::BeforeSend)
        texts = Texts{connectText(QStringLiteral("(送信開始処理)")), QStringLiteral("送信開始処理")};
    else if (purpose == TAreaUsePurpose::BeforeReceive)
        texts = Texts{connectText(QStringLiteral("(受信開始処理)")), QStringLiteral("受信開始処理")};
    return run(settings, q, 6, texts, [&](TRelayReply&, const QList<QByteArray>& lines) {
        const QByteArray v = RelayValueFrom(lines[4], 8);
        if (timeLine)
            *timeLine = v;
        info.ServerTimeText = QString::fromLatin1(v.mid(0, 4) + '/' + v.mid(5, 2) + '/' + v.mid(8, 2) + ' ' +
                                                  v.mid(11, 2) + ':' + v.mid(14, 2) + ':' + v.mid(17, 2));
        info.ServerTime = serverTimeOf(info.ServerTimeText);
    });
}
