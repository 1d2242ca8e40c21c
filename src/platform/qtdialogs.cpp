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

QString QtDialogs::askPassword(const QString& title, const QString& label) {
    bool ok = false;
    const QString answer = QInputDialog::getText(m_parent, boxTitle(title), displayText(label),
                                                 QLineEdit::Password, QString(), &ok);
    return ok ? answer : QString();
}

void QtDialogs::showProgress(const QString& title, const QString& step,
                             std::function<void()> cancelled) {
    if (!m_progress) {
        // No range: the bar only shows that work goes on.
        m_progress = new QProgressDialog(m_parent);
        m_progress->setAttribute(Qt::WA_DeleteOnClose);
        m_progress->setWindowModality(Qt::WindowModal);
        m_progress->setRange(0, 0);
        m_progress->setMinimumDuration(0);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
    }
    m_progress->disconnect(m_progress, &QProgressDialog::canceled, nullptr, nullptr);
    QObject::connect(m_progress, &QProgressDialog::canceled, m_progress,
                     [cancel = std::move(cancelled)] {
                         if (cancel)
                             cancel();
                     });
    m_progress->setWindowTitle(boxTitle(title));
    m_progress->setLabelText(displayText(step));
    m_progress->show();
}

void QtDialogs::hideProgress() {
    if (m_progress)
        m_progress->close();
}

QString QtDialogs::openFileName(const QString& filter, const QString& preset) {
    const QString name = QFileDialog::getOpenFileName(m_parent, QString(), preset, filter);
    return name.isEmpty() ? preset : name;
}

QString QtDialogs::saveFileName(const QString& filter, const QString& preset) {
    const QString name = QFileDialog::getSaveFileName(m_parent, QString(), preset, filter);
    return name.isEmpty() ? preset : name;
}
