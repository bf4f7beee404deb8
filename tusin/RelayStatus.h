#pragma once
// The relay status service: one TLS connection per request, five request lines, a reply read line by
// line and cut at fixed byte positions of its CP932 lines. The information requests fill
// TRelayServerInfo; the others report a step or change the service's state. Every request shows its own
// failure texts through the user-interaction interface and returns how it went.

#include "core/TDateTime.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QPair>
#include <QString>
#include <array>
#include <memory>
#include <stdexcept>

class IniFile;
class QSslSocket;

// Where the service and the FTP server are, and how the requests identify the installation.
struct TRelaySettings {
    QString StatusHost = QStringLiteral("relay.quarno.example");
    quint16 StatusPort = 443;
    quint16 FtpPort = 21;
    // The CA certificates the service's certificate must chain to; empty: the system's.
    QString CaFile;
    QString Serial;
    // The pause of the roads between their steps.
    int PauseMs = 480;
    int TimeoutMs = 30000;
    // The login page of the management-analysis service, opened from the communication settings.
    QString LoginPage = QStringLiteral("https://solvarnet.quarno.example/login");
};

// The process's settings, and their reading from the "RELAY" section of an ini file (STATUSHOST,
// STATUSPORT, FTPPORT, CAFILE, SERIAL, PAUSE in milliseconds, LOGINPAGE); absent keys keep their values.
TRelaySettings& RelaySettings();
void LoadRelaySettings(const IniFile& ini, TRelaySettings& settings);

struct TRelayServerEntry {
    QString DataName;
    QString FiscalYear;
    QString PeriodStart, PeriodStartText;
    QString PeriodEnd, PeriodEndText;
    QString SendTime, SendTimeText;
    QString LastUpdateFull;
    QString Password;
    QString Version;
    QString ReceiveTime, ReceiveTimeText;
    QString ShareStatus;
    QString UserOperator, UserComputer;
};

struct TRelayServerInfo {
    QString FtpHost;
    QString FtpPassword;
    QString Serial;
    QString ServerTimeText;
    TDateTime ServerTime;
    std::array<TRelayServerEntry, 10> Entries;
};

enum class TRelayOutcome { Ok, Refused, ServiceError, ConnectionFailed };

// The communication ID pairs and process values the requests send.
struct TRelayContext {
    QString GeneralId, GeneralPassword;
    QString CashId, CashPassword;
    bool TavrinoEdition = false;
    // The cloud-share operation runs for another program's linkage.
    bool Automatic = false;
    // From the open dataset (AccInf) and the process flags.
    static TRelayContext current();
};

// A request: its code, the ID in sFName and the further keys in their order.
struct TRelayQuery {
    QByteArray Code;
    QByteArray Id;
    QList<QPair<QByteArray, QByteArray>> Keys;
};

// A failure to connect, write or read (also a reply that ends too early).
class ERelayConnection : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The five request lines, CR LF after each.
QByteArray RelayRequestBytes(const TRelaySettings& settings, const TRelayQuery& query);
// One request on its own connection: the constructor connects and sends, nextLine() gives the reply's
// lines from line 1 on (empty lines before line 1 skipped). Both throw ERelayConnection.
class TRelayReply {
public:
    TRelayReply(const TRelaySettings& settings, const TRelayQuery& query);
    ~TRelayReply();
    QByteArray nextLine();
    // The lines after those read so far, up to and including line `last`.
    QList<QByteArray> linesUpTo(int last);
    int linesRead() const { return m_read; }

private:
    int remaining() const;
    std::unique_ptr<QSslSocket> m_socket;
    QDeadlineTimer m_deadline;
    int m_read = 0;
};
// The rest of a line from byte position (1-based); empty when the line is shorter.
QByteArray RelayValueFrom(const QByteArray& line, int position);
// Positions 11 to 13 of a code line.
QString RelayCodeOf(const QByteArray& line);

// "+" becomes "%2b" and "=" becomes "%3d"; everything else is kept.
QString EscapeQueryText(const QString& text);
// The display form of a version's major and minor.
QString VersionLabel(int major, int minor);
// A client name sent as fOpName or fPcName (and fSg): broken double-byte characters cleaned, Base64,
// escaped.
QByteArray RelayNameValue(const QString& text);

// The information request of an operation kind (1720 or 1725); fills info only when all went well.
TRelayOutcome RequestServerInfo(TRelayServerInfo& info, int kind, const TRelayContext& context,
                                const TRelaySettings& settings = RelaySettings());

// 1730: shows the "920" and service-error texts; a connection failure is thrown to the caller.
TRelayOutcome RequestShareStatus(int area, int status, const QString& operatorText,
                                 const QString& computerText, const TRelayContext& context,
                                 const TRelaySettings& settings = RelaySettings());
// 1750 (a relay folder, of the cash-book pair when cashPair) and 1753 (a cloud-share area).
TRelayOutcome RequestDeleteData(bool cloudArea, bool cashPair, int number, const TRelayContext& context,
                                const TRelaySettings& settings = RelaySettings());

// What a send-complete request reports of the sent data.
struct TRelaySentData {
    QString DataName;      // ENTTEXT (1820, 1823) or SHOUGOU (1810)
    int FiscalYear = 0;    // NENDO
    TDateTime PeriodStart; // KISHU
    TDateTime PeriodEnd;   // KIMATU
    int VersionMajor = 0, VersionMinor = 0;
    QString OperatorText, ComputerText; // 1823 only
};

// 1810 (cash-book folder), 1820 (relay folder) and 1823 (cloud-share area).
TRelayOutcome RequestSendComplete(TRelayServerInfo& info, int code, int number, const TRelaySentData& data,
                                  const TRelayContext& context,
                                  const TRelaySettings& settings = RelaySettings());
// 1830: the receive of a relay folder is complete.
TRelayOutcome RequestReceiveComplete(TRelayServerInfo& info, int number, const TRelayContext& context,
                                     const TRelaySettings& settings = RelaySettings());

// Why 1833 is asked: its failure texts differ.
enum class TAreaUsePurpose { BeforeSend, BeforeReceive, ReceiveNotice };
// 1833: start of use of a cloud-share area; sets ServerTimeText and ServerTime. *timeLine gets the raw
// time value (the receive road stops when it is shorter than 11 bytes).
TRelayOutcome RequestAreaUse(TRelayServerInfo& info, TAreaUsePurpose purpose, int area,
                             const QString& operatorText, const QString& computerText,
                             const TRelayContext& context, QByteArray* timeLine = nullptr,
                             const TRelaySettings& settings = RelaySettings());
