#include "controls/xCheckBox.h"

void TxCheckBox::keyPressEvent(QKeyEvent* e)
{
    if (!navigateKey(e))
        QCheckBox::keyPressEvent(e);
}
