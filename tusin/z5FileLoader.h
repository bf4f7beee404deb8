#pragma once
// Text files that carry master data between accounting databases: comment lines starting with "//"
// (a header of labelled lines), then comma-separated data lines whose first field names the kind of
// line. TJisyoLoader writes and reads the description and partner dictionaries.

#include "core/TMojiBunkatu.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace fb {
class Transaction;
}

// One row of the account-code cache: an account with a sub-account and department it has balances for.
struct TKamokuCodeRec {
    QString KCODE, USERCODE, HCODE, BCODE;
    qint32 Value1 = 0, Value2 = 0;
};

class TBaseLoader {
public:
    TBaseLoader();
    virtual ~TBaseLoader();
    TBaseLoader(const TBaseLoader&) = delete;
    TBaseLoader& operator=(const TBaseLoader&) = delete;

    // The database every statement works on, through this transaction (default: the open dataset's).
    void setTransaction(fb::Transaction& transaction) { m_transaction = &transaction; }
    fb::Transaction* transaction() const { return m_transaction; }

    virtual int CountRecords() { return 0; }

    void WriteHeader();
    bool CheckHeader();
    static QString EscapeText(const QString& text, bool removeControls);
    static QString UnescapeText(const QString& text, bool removeControls);

    qint32 OperatorKey = 0;
    QString FileKind;
    QString Version;
    bool VersionCheck = true;
    QStringList Lines;
    QChar Quote = u'"';
    QChar Separator = u',';
    TMojiBunkatu Splitter;

    // The header labels, exactly as they start the lines.
    static const QString LabelKind, LabelVersion, LabelDataName, LabelDataType, LabelDataVersion, LabelDate;

protected:
    fb::Transaction* m_transaction = nullptr;
    QString quoted(const QString& text) const { return Quote + text + Quote + Separator; }
    QString number(qint64 value) const { return QString::number(value) + Separator; }
    bool loadFile(const QString& fileName);
    bool saveFile(const QString& fileName) const;
};

class TJisyoLoader : public TBaseLoader {
public:
    struct Dictionary;

    TJisyoLoader();

    // "1.1" writes entries with user account codes; "1.0" and any other text with internal codes.
    void SetVersion(const QString& version);
    bool Export(const QString& fileName);
    bool Import(const QString& fileName);
    int CountRecords() override;

    QString SectionCode1, EntryCode1, SectionCode2, EntryCode2; // description, partner
    QString Scode;            // facility code when not all facilities
    qint32 Mode = 0;          // 0 both dictionaries, 1 descriptions only, 2 partners only
    bool AllFacilities = true;
    QStringList SectionMap; // "crec-scode=target crec" while importing
    std::vector<TKamokuCodeRec> KamokuCache;
    QString KamokuCacheScode = QStringLiteral("**");

private:
    void exportDictionary(const Dictionary& d);
    void importDictionary(const Dictionary& d);
    void loadKamokuCache(const QString& scode);
    // Resolves an account (internal or user code by the entry code), sub-account and department of a
    // line against the cache; unknown parts become empty.
    void resolveAccount(const QString& entryCode, QString& kcode, QString& hcode, QString& bcode) const;
};
