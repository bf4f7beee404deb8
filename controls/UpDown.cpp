#include "controls/UpDown.h"

#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

TUpDown::TUpDown(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    for (QToolButton* b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, [this] { step(true); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(false); });
}

void TUpDown::setRange(int min, int max) {
    m_min = min;
    m_max = std::max(min, max);
    setPosition(m_position);
}

void TUpDown::setPosition(int position) {
    m_position = std::clamp(position, m_min, m_max);
    if (m_associate)
        m_associate->setText(QString::number(m_position));
}

void TUpDown::setAssociate(QLineEdit* edit) {
    m_associate = edit;
    setPosition(m_position);
}

void TUpDown::step(bool up) {
    int base = m_position;
    if (m_associate) {
        bool ok = false;
        const int shown = m_associate->text().trimmed().toInt(&ok);
        if (ok)
            base = shown;
    }
    setPosition(base + (up ? m_increment : -m_increment));
}

void TUpDown::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}
