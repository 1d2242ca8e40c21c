#include "forms/formlayout.h"

#include <QGuiApplication>
#include <QScreen>

namespace form {

QFont dialogFont(qreal points, bool bold) {
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Microsoft Sans Serif"),
                                    QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                                    QStringLiteral("Arimo"), QStringLiteral("Arial"),
                                    QStringLiteral("DejaVu Sans")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QLineEdit* entry(QWidget* parent, const char* name, const QString& spokenName, int left, int top,
                 int width, int height, int maxLength) {
    auto* e = place(new QLineEdit(parent), name, spokenName, left, top, width, height);
    e->setMaxLength(maxLength);
    return e;
}

QPushButton* button(QPushButton* button, const char* name, int left, int top, int width,
                    int height) {
    button->setAutoDefault(false);
    return place(button, name, spoken(button->text()), left, top, width, height);
}

QCheckBox* checkBox(QWidget* parent, const QString& caption, const char* name, int left, int top,
                    int width, int height) {
    return place(new QCheckBox(caption, parent), name, caption, left, top, width, height);
}

QLabel* caption(QWidget* parent, const char* name, const QString& text, int left, int top,
                int width, int height, Qt::Alignment align) {
    auto* label = place(new QLabel(text, parent), name, text, left, top, width, height);
    label->setAlignment(align | Qt::AlignTop);
    return label;
}

QMargins frameMargins(const QWidget* window) {
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    if (outer.size() == inner.size())
        return {};
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

void centreOnScreen(QWidget* window) {
    const QScreen* s = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QMargins frame = frameMargins(window);
    const QSize outer = window->size().grownBy(frame);
    const QRect area = s->geometry();
    // move() places the outer frame's corner.
    window->move(area.left() + (area.width() - outer.width()) / 2,
                 area.top() + (area.height() - outer.height()) / 2);
}

bool FrameWatch::frameArrived(const QWidget* window, const QEvent* event) {
    if (m_arrived || !window->isVisible())
        return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::Move && type != QEvent::Resize && type != QEvent::WindowActivate)
        return false;
    if (window->frameGeometry().size() == window->geometry().size())
        return false;
    m_arrived = true;
    return true;
}

} // namespace form
