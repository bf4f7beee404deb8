#include "controls/xRadioButton.h"

void TxRadioButton::keyPressEvent(QKeyEvent* e)
{
    if (!navigateKey(e))
        QRadioButton::keyPressEvent(e);
}
