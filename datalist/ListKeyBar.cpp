#include "datalist/ListKeyBar.h"

TListKeyBar::Captions TListKeyBar::CurrentCaptions() const {
    Captions captions;
    for (size_t k = 0; k < captions.size(); ++k)
        captions[k] = m_buttons[k]->text();
    return captions;
}

void TListKeyBar::Show(const Captions& captions) const {
    for (size_t k = 0; k < captions.size(); ++k)
        m_buttons[k]->setText(captions[k]);
}
