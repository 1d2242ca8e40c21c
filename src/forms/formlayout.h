#pragma once

#include <QCheckBox>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMargins>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QWidget>

// Laying out the windows as they were designed: positions and sizes in twips, the dialog font,
// accessible names, and centring on the screen.
namespace form {

// 15 twips make one pixel at 96 dots per inch.
constexpr int twips(int t) {
    return (t + 7) / 15;
}

inline QRect twipRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// "MS Sans Serif" at the given size; where that face is missing, the closest sans face with
// Central European letters stands in for it.
QFont dialogFont(qreal points, bool bold = false);

// A caption's text as a screen reader says it: without the access-letter marker.
inline QString spoken(QString caption) {
    return caption.remove(QLatin1Char('&'));
}

// Names a control, gives it its accessible name and puts it at its place in twips.
template <typename W>
W* place(W* widget, const char* name, const QString& accessibleName, int left, int top, int width,
         int height) {
    widget->setObjectName(QString::fromUtf8(name));
    if (!accessibleName.isEmpty())
        widget->setAccessibleName(accessibleName);
    widget->setGeometry(twipRect(left, top, width, height));
    return widget;
}

// The plain controls of the windows, named, given their accessible names and placed in twips.
// A line edit holding at most maxLength characters.
QLineEdit* entry(QWidget* parent, const char* name, const QString& spokenName, int left, int top,
                 int width, int height, int maxLength);
// A push button that Enter does not press; its caption, without the access-letter marker, is
// its accessible name.
QPushButton* button(QPushButton* button, const char* name, int left, int top, int width,
                    int height);
QCheckBox* checkBox(QWidget* parent, const QString& caption, const char* name, int left, int top,
                    int width, int height);
// A caption at the top of its box, aligned as given.
QLabel* caption(QWidget* parent, const char* name, const QString& text, int left, int top,
                int width, int height, Qt::Alignment align);

// The window manager's frame around a top-level window; empty until the window is shown.
QMargins frameMargins(const QWidget* window);

// Moves a top-level window so that its outer size stands in the middle of its screen.
void centreOnScreen(QWidget* window);

// A window manager adds its frame only after a window is shown. A window that places itself by
// its outer size asks this at each of its events, and places itself once more when it answers
// true: once, at the first move, resize or activation that shows a frame.
class FrameWatch {
public:
    bool frameArrived(const QWidget* window, const QEvent* event);

private:
    bool m_arrived = false;
};

} // namespace form
