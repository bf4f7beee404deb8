#pragma once
// Check box that moves the focus on Enter and the arrow keys of its KeyStyles; those keys never reach
// the check box itself or the form's default button.

#include "controls/xKeyStyles.h"
#include <QCheckBox>

class TxCheckBox : public KeyNavigating<QCheckBox> {
    Q_OBJECT
public:
    explicit TxCheckBox(QWidget* parent = nullptr) : KeyNavigating<QCheckBox>(parent) {}
    explicit TxCheckBox(const QString& text, QWidget* parent = nullptr)
        : KeyNavigating<QCheckBox>(text, parent) {}
};
