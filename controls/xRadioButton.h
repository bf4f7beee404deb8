#pragma once
// Radio button that moves the focus on Enter and the arrow keys of its KeyStyles instead of moving
// within its group.

#include "controls/xKeyStyles.h"
#include <QRadioButton>

class TxRadioButton : public KeyNavigating<QRadioButton> {
    Q_OBJECT
public:
    explicit TxRadioButton(QWidget* parent = nullptr) : KeyNavigating<QRadioButton>(parent) {}
    explicit TxRadioButton(const QString& text, QWidget* parent = nullptr)
        : KeyNavigating<QRadioButton>(text, parent) {}
};
