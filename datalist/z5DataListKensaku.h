#pragma once
// The dialog "検索条件の設定": edits one search condition of a dataset list. Each list creates it once,
// sets the list type and reuses it (closing hides it). The caller copies its condition into KensakuRec,
// calls Setup and runs the dialog modally; on result 1 it copies KensakuRec back. Cancel and Esc (2)
// leave KensakuRec as it was. Reads and writes of the stored conditions go through IO (DataKensaku.h).

#include "controls/SDI.h"
#include "core/TSeihinVersionList.h"
#include "datalist/DataKensaku.h"

#include <QList>
#include <memory>

namespace Ui {
class TDataListKensakuBox;
}

class TDataListKensakuBox : public TBSDI {
    Q_OBJECT
public:
    explicit TDataListKensakuBox(QWidget* owner = nullptr);
    ~TDataListKensakuBox() override;

    TDataKensakuIO IO;
    TDataKensakuRec KensakuRec;

    void SetListType(qint32 listType) { IO.ListType = listType; }
    void InitKensakuRec(TDataKensakuRec& rec) const { IO.InitKensakuRec(rec); }
    bool SelectRecord(TDataKensakuRec& rec) { return IO.SelectRecord(rec); }
    int UpdateRecord(const TDataKensakuRec& rec) { return IO.UpdateRecord(rec); }
    int UpdateRecordSortField(const TDataKensakuRec& rec) { return IO.UpdateRecordSortField(rec); }

    // Loads the controls from KensakuRec.
    void Setup(int mode);

    // The buttons' work, also for tests.
    void btnOKClick();
    void btnCancelClick();

protected:
    void ShowingChanged(bool Visible) override;

private:
    bool buildLists();

    std::unique_ptr<Ui::TDataListKensakuBox> ui;
    QList<TKensakuPerson> m_persons;
    TSeihinVersionList m_versions;
};
