#include "forms/widgets.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

WrapButton::WrapButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent) {}

void WrapButton::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    p.drawControl(QStyle::CE_PushButton, option);
    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this))
        flags |= Qt::TextHideMnemonic;
    p.drawItemText(area.adjusted(2, 2, -2, -2), flags, option.palette, isEnabled(), caption,
                   QPalette::ButtonText);
}

OutlineBox::OutlineBox(const QColor& border, int borderWidth, const QColor& fill, QWidget* parent)
    : QWidget(parent)
    , m_border(border)
    , m_borderWidth(borderWidth)
    , m_fill(fill) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void OutlineBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_border);
    p.fillRect(rect().adjusted(m_borderWidth, m_borderWidth, -m_borderWidth, -m_borderWidth),
               m_fill);
}
