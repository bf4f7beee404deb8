#pragma once
// The dialog "データの詳細情報": one dataset's details read from its data-information file. It lets the
// user change the dataset's list name, forbid updating old data and forbid journal input, and clear a
// processing status that was left behind, and rebuild the dataset's database (F7) through a backup and
// a restore on the backup worker. The caller sets the inputs, calls Setup(1), shows it modally and writes
// the results back; the dialog is created once and hidden on close.

#include "controls/SDI.h"
#include "core/TDataInfomation.h"
#include "core/TDataListRec.h"

#include <functional>
#include <memory>

namespace Ui {
class TDataSyosaiInfoBox;
}

class TBackupRestoreThread;

class TDataSyosaiInfoBox : public TBSDI {
    Q_OBJECT
public:
    explicit TDataSyosaiInfoBox(QWidget* owner = nullptr);
    ~TDataSyosaiInfoBox() override;

    // ---- inputs ----
    int SharedListMode = 0; // 0 the local dataset list, 1 the shared-server list
    TDataListRec Row;
    QString DataFolder;
    qint32 UpdateLock = 0;
    qint32 ReadOnly = 0;
    QString ListName;
    bool Editable = true;
    // The data place whose list holds the row (client/server modes): the rebuild locks the row there.
    qint32 DataPlaceRec = 0;

    // ---- results of an OK ----
    QString ResultListName;
    qint32 ResultUpdateLock = 0;
    qint32 ResultReadOnly = 0;
    bool StatusCleared = false;
    // Set by a successful rebuild, whatever the modal result.
    bool Rebuilt = false;

    // ---- working state ----
    std::unique_ptr<TDataInfomation> DataInfo;
    bool ClearOffered = false;
    bool RebuildAllowed = false;
    bool NameEditable = false;
    // The list-name edit is composing text through the input method: F7 is off meanwhile.
    bool ImeOpen = false;

    // Runs the prepared worker to its end, polling while window messages are processed; true when it
    // reports success. Replaceable (tests).
    std::function<bool(TBackupRestoreThread& worker)> RunRebuildWorker;

    void Setup(int mode);
    void OKClick();
    // F7: asks, rebuilds and loads the dialog again after a success.
    void F7Click();
    // The rebuild itself: true when the database was rebuilt. A failure leaves the database as it was.
    bool RebuildData();
    void SetFunctionKeys();
    Ui::TDataSyosaiInfoBox& form() { return *ui; }

protected:
    void ShowingChanged(bool Visible) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void load();
    std::unique_ptr<Ui::TDataSyosaiInfoBox> ui;
};
