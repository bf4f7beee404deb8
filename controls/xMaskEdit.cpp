#include "controls/xMaskEdit.h"

void TxMaskEdit::keyPressEvent(QKeyEvent* e)
{
    if (!navigateKey(e))
        QLineEdit::keyPressEvent(e);
}
