#pragma once
// The processing log of the cash-book exchange: entries with a level, a code and a message.

#include <QString>
#include <QStringList>
#include <vector>

struct TTesuvioSyoriInfo {
    QString ProcessName;
    quint8 Level = 0; // 0 none, 1 information, 2 warning, 3 error
    qint32 Code = 0;
    QString Message;
};

using TTesuvioSyoriLog = std::vector<TTesuvioSyoriInfo>;

// The code of the first entry that is an error or a success (code 1); otherwise the last entry's code;
// 0 for an empty log.
inline qint32 TesuvioLogResult(const TTesuvioSyoriLog& log) {
    for (const TTesuvioSyoriInfo& e : log)
        if (e.Level == 3 || e.Code == 1)
            return e.Code;
    return log.empty() ? 0 : log.back().Code;
}

// "" / "情報" / "警告" / "エラー" for levels 0 to 3.
inline QString TesuvioLevelText(quint8 level) {
    static const QStringList texts{QString(), QStringLiteral("情報"), QStringLiteral("警告"), QStringLiteral("エラー")};
    return level < texts.size() ? texts[level] : QString();
}
