#pragma once
// The dialog "検索条件の設定": edits one search condition of a dataset list. The caller sets the list
// type, copies its condition into KensakuRec, calls Setup and runs the dialog modally; on result 1 it
// copies KensakuRec back. Cancel (2) leaves KensakuRec as it was. Reads and writes of the stored
// conditions go through IO (DataKensaku.h).

#include "core/TSeihinVersionList.h"
#include "datasel/DataKensaku.h"

#include <QDialog>
#include <QList>
#include <memory>

namespace Ui {
class TDataListKensakuBox;
}

class TDataListKensakuBox : public QDialog {
    Q_OBJECT
public:
    explicit TDataListKensakuBox(QWidget* parent = nullptr);
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
    // False when the lists of the dialog could not be built; showing it then reports that and closes.
    bool Created() const { return m_created; }

    // The buttons' work, also for tests.
    void btnOKClick();
    void btnCancelClick();

    // Esc and the close box cancel like "キャンセル".
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void buildLists();

    std::unique_ptr<Ui::TDataListKensakuBox> ui;
    QList<TKensakuPerson> m_persons;
    TSeihinVersionList m_versions;
    bool m_created = false;
};
