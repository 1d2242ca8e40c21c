#pragma once

#include <QColor>
#include <QLabel>
#include <QWidget>

// A label that reports the mouse moving over it and a click on it.
class LinkLabel final : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& text, QWidget* parent);

Q_SIGNALS:
    void mouseMoved();
    void clicked();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

// A line drawn on the window's background; the mouse passes through it to the window.
class DrawnLine final : public QWidget {
    Q_OBJECT
public:
    DrawnLine(const QColor& colour, QWidget* parent);
    QColor colour() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_colour;
};
