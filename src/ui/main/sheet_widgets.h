#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

class FlexGrid;

// Small builders for the fixed-geometry sheets (twips from the sheet's top-left).
namespace sheet {

// The tab captions take the top 360 twips of the tabbed container; the
// design positions controls from the container's top.
constexpr int kTabHeader = 360;

QLineEdit *lineEdit(QWidget *parent, int left, int top, int width, int height = 360);
QComboBox *combo(QWidget *parent, int left, int top, int width, int height = 360);
QPushButton *button(QWidget *parent, const QString &caption, int left, int top, int width,
                    int height = 420);
QLabel *label(QWidget *parent, const QString &text, int left, int top, int width, int height);
void place(QWidget *w, int left, int top, int width, int height);

} // namespace sheet

// The pupils spinner: two arrow buttons stepping the number in a buddy box.
class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(QLineEdit *buddy, QWidget *parent = nullptr, int min = 0, int max = 999);
    void step(int delta);

private:
    QLineEdit *m_buddy;
    int m_min;
    int m_max;
};
