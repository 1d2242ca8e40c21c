#pragma once

#include <QPushButton>
#include <QWidget>

// A push button whose caption wraps onto several lines, for the square buttons of the window.
class WrapButton final : public QPushButton {
    Q_OBJECT
public:
    WrapButton(const QString& text, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A rectangle drawn on the window's background: a coloured border around a filled inside.
class OutlineBox final : public QWidget {
    Q_OBJECT
public:
    OutlineBox(const QColor& border, int borderWidth, const QColor& fill, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_border;
    int m_borderWidth;
    QColor m_fill;
};
