#pragma once
// The spin button of the class library: two arrow buttons that step an integer position within a range,
// showing it in the edit it is bound to. A step starts from the number the edit holds (its position when
// the edit holds no number), as the platform's up-down control reads its buddy.

#include <QWidget>

class QLineEdit;
class QToolButton;

class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);

    int Min() const { return m_min; }
    int Max() const { return m_max; }
    void setRange(int min, int max);
    int Increment() const { return m_increment; }
    void setIncrement(int increment) { m_increment = increment; }
    int Position() const { return m_position; }
    // Clamped to the range; the bound edit shows it.
    void setPosition(int position);
    QLineEdit* Associate() const { return m_associate; }
    // Binds the edit and shows the position in it.
    void setAssociate(QLineEdit* edit);

    // One step up (true) or down, as a click on the arrow does.
    void step(bool up);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
    QLineEdit* m_associate = nullptr;
    int m_min = 0;
    int m_max = 100;
    int m_increment = 1;
    int m_position = 0;
};
