#pragma once
// Masked edit (Qt's input mask) that moves the focus on Enter and the arrow keys of its KeyStyles,
// wherever the caret stands.

#include "controls/xKeyStyles.h"
#include <QLineEdit>

class TxMaskEdit : public KeyNavigating<QLineEdit> {
    Q_OBJECT
public:
    explicit TxMaskEdit(QWidget* parent = nullptr) : KeyNavigating<QLineEdit>(parent) {}
};
