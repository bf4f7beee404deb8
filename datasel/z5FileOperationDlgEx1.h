#pragma once
// The file and folder dialog with a choice of source: the chosen place (Source 1) or a default location
// that the caller knows (Source 2, which closes with 1 without a path and leaves the history alone).

#include "datasel/z5FileOperationDlg.h"

namespace Ui {
class TFileOperationBoxEx1;
}

class QRadioButton;

class TFileOperationBoxEx1 : public TFileOperationBox {
    Q_OBJECT
public:
    explicit TFileOperationBoxEx1(QWidget* owner = nullptr);
    ~TFileOperationBoxEx1() override;

    int Source = 1;

    void Setup(int mode) override;
    void RefreshView() override;
    void SetHints() override;
    void btnOKClick() override;

    void SetChoice1Caption(const QString& caption);
    void SetChoice2Caption(const QString& caption);
    // Checks choice 1 or 2 and applies the enabling of the place controls.
    void SelectChoice(int choice);

    QRadioButton* Choice(int choice) const;

private:
    void applyChoice();

    std::unique_ptr<Ui::TFileOperationBoxEx1> ui;
};
