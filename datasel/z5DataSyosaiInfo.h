#pragma once
// The dialog "データの詳細情報": one dataset's details read from its data-information file. It lets the
// user change the dataset's list name, forbid updating old data and forbid journal input, and clear a
// processing status that was left behind. The caller sets the inputs, calls Setup(1), shows it modally
// and writes the results back; the dialog is created once and hidden on close.

#include "controls/SDI.h"
#include "core/TDataInfomation.h"
#include "core/TDataListRec.h"

#include <memory>

namespace Ui {
class TDataSyosaiInfoBox;
}

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

    // ---- results of an OK ----
    QString ResultListName;
    qint32 ResultUpdateLock = 0;
    qint32 ResultReadOnly = 0;
    bool StatusCleared = false;

    // ---- working state ----
    std::unique_ptr<TDataInfomation> DataInfo;
    bool ClearOffered = false;
    bool RebuildAllowed = false;
    bool NameEditable = false;

    void Setup(int mode);
    void OKClick();
    void SetFunctionKeys();
    Ui::TDataSyosaiInfoBox& form() { return *ui; }

protected:
    void ShowingChanged(bool Visible) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void load();
    std::unique_ptr<Ui::TDataSyosaiInfoBox> ui;
};
