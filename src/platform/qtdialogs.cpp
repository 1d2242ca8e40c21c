#include "platform/qtdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {

// A box without a title of its own carries the program's name.
QString boxTitle(const QString& title) {
    return title.isEmpty() ? QApplication::applicationName() : title;
}

} // namespace

QtDialogs::QtDialogs(QWidget* parent)
    : m_parent(parent) {}

QString QtDialogs::displayText(const QString& text) {
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

bool QtDialogs::askYesNo(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Question, boxTitle(title), displayText(text),
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::message(const QString& title, const QString& text, Icon icon) {
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Information:
        boxIcon = QMessageBox::Information;
        break;
    case Icon::Warning:
        boxIcon = QMessageBox::Warning;
        break;
    case Icon::Critical:
        boxIcon = QMessageBox::Critical;
        break;
    }
    QMessageBox box(boxIcon, boxTitle(title), displayText(text), QMessageBox::Ok, m_parent);
    box.exec();
}

QString QtDialogs::prompt(const QString& title, const QString& label,
                          const QString& defaultAnswer) {
    bool ok = false;
    const QString answer = QInputDialog::getText(m_parent, boxTitle(title), displayText(label),
                                                 QLineEdit::Normal, defaultAnswer, &ok);
    return ok ? answer : QString();
}

QString QtDialogs::openFileName(const QString& filter, const QString& preset) {
    const QString name = QFileDialog::getOpenFileName(m_parent, QString(), preset, filter);
    return name.isEmpty() ? preset : name;
}

QString QtDialogs::saveFileName(const QString& filter, const QString& preset) {
    const QString name = QFileDialog::getSaveFileName(m_parent, QString(), preset, filter);
    return name.isEmpty() ? preset : name;
}
