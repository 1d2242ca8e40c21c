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
