#pragma once
// The data-communication dialog "データ通信", started by the program name "QzDataTusin" or created by the
// wizard for the cloud-share transfers of the chosen dataset.
//
// This version has no relay or cloud-share transfers yet: started by name it says so and returns 0
// (nothing done), and both cloud-share operations answer that the dataset has no cloud share to
// exchange, which lets the wizard go on with the local copy.

#include "core/DialogRegistry.h"

#include <QDialog>
#include <QStringList>

class TfmDataTusin : public QDialog, public ISyoriKidou {
    Q_OBJECT
public:
    explicit TfmDataTusin(QWidget* owner = nullptr);

    int Execute(bool modal) override;
    void SetParams(const QStringList& params) override { m_params = params; }

    // 0 success (nothing to send), 1 failure.
    int CloudShareSend(const QString& dataFolder, const QString& caption, int automatic);
    // 0 success (nothing newer to receive), 1 to 9 failure.
    int CloudShareReceive(const QString& dataFolder, int mode, int flag);

private:
    QStringList m_params;
};
