#pragma once
// The loopback relay servers that ./test.sh starts (scripts/relayservers.sh): their settings, and the
// control port on which a test adds its own communication ID, sets faults and reads the request log.

#include "platform/IniFile.h"
#include "tusin/RelayStatus.h"

#include <QByteArray>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QtGlobal>

#include <gtest/gtest.h>

class RelayServers {
public:
    // False when ./test.sh did not start the servers.
    bool available() const { return !m_ini.isEmpty(); }

    RelayServers() : m_ini(qEnvironmentVariable("QV_RELAY_SERVERS")) {
        if (m_ini.isEmpty())
            return;
        IniFile ini(m_ini, false);
        const QString s = QStringLiteral("relay");
        settings.StatusHost = ini.readString(s, QStringLiteral("host"));
        settings.StatusPort = static_cast<quint16>(ini.readInteger(s, QStringLiteral("status_port")));
        settings.FtpPort = static_cast<quint16>(ini.readInteger(s, QStringLiteral("ftp_port")));
        settings.CaFile = ini.readString(s, QStringLiteral("ca_file"));
        settings.Serial = QStringLiteral("SER-0001");
        settings.PauseMs = 0;
        settings.TimeoutMs = 10000;
        otherCaFile = ini.readString(s, QStringLiteral("other_ca_file"));
        m_controlPort = static_cast<quint16>(ini.readInteger(s, QStringLiteral("control_port")));
        folder = QFileInfo(m_ini).absolutePath();
    }

    QJsonObject control(QJsonObject request) {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), m_controlPort);
        EXPECT_TRUE(socket.waitForConnected(-1));
        socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
        while (!socket.canReadLine())
            if (!socket.waitForReadyRead(-1))
                break;
        return QJsonDocument::fromJson(socket.readLine()).object();
    }

    // A new ID of the test's own; returns it and keeps its FTP password.
    QString addId() {
        const QString id =
            QStringLiteral("t%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        ftpPassword = control({{"cmd", "add"}, {"id", id}}).value("password").toString();
        return id;
    }

    void fault(const QString& id, const QString& name, const QString& value = {}) {
        EXPECT_TRUE(
            control({{"cmd", "fault"}, {"id", id}, {"fault", name}, {"value", value}}).value("ok").toBool());
    }

    void entry(const QString& id, const char* kind, int n, const QJsonObject& fields) {
        EXPECT_TRUE(control({{"cmd", "entry"}, {"id", id}, {"kind", kind}, {"n", n}, {"fields", fields}})
                        .value("ok")
                        .toBool());
    }

    void clock(const QString& id, const QString& value) {
        control({{"cmd", "clock"}, {"id", id}, {"value", value}});
    }

    // The raw bytes of every request the service received for the ID.
    QList<QByteArray> log(const QString& id) {
        QList<QByteArray> out;
        for (const auto& v : control({{"cmd", "log"}, {"id", id}}).value("requests").toArray())
            out << QByteArray::fromBase64(v.toString().toLatin1());
        return out;
    }

    QJsonObject state(const QString& id) { return control({{"cmd", "state"}, {"id", id}}); }

    TRelaySettings settings;
    QString otherCaFile;
    QString ftpPassword;
    QString folder;

private:
    QString m_ini;
    quint16 m_controlPort = 0;
};

#define SKIP_WITHOUT_RELAY(servers)                                                                          \
    if (!(servers).available())                                                                              \
    GTEST_SKIP() << "QV_RELAY_SERVERS is not set (./test.sh starts the relay servers)"
