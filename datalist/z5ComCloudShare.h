#pragma once
// The cloud-share area a dataset is bound to: ACCDEF1.CLOUD_LINE of the dataset's own accounting
// database (data newer than 11.0.0), mirrored in stand-alone mode by DATAINFO CLOUD_SHARE of its
// data-information ini. Each call works in a transaction of its own on the folder's database: the open
// dataset's connection when it is that folder, a connection made for the call when no dataset is open,
// and an attachment of its own when another dataset is open, which stays open and untouched.

#include <QString>
#include <functional>

namespace fb {
class Transaction;
}

class TCloudShareIO {
public:
    // Writes the area number (0: not shared). True also when the data is too old to hold it.
    bool SetCloudLine(const QString& host, const QString& folder, qint32 value);
    bool ClearSetting(const QString& host, const QString& folder);
    // The stored area number, 0 when there is none or it cannot be read.
    qint32 GetCloudLine(const QString& host, const QString& folder);

private:
    struct Failure {
        QString context;
        QString dbMessage;
        QString otherMessage;
    };
    // Runs work (on data newer than 11.0.0 only) in an own transaction on the folder's database; false
    // after a reported failure.
    bool run(const QString& host, const QString& folder, const Failure& failure,
             const std::function<void(fb::Transaction&)>& work);
};
