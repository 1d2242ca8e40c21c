#pragma once

#include "platform/dialogs.h"

#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

// Dialogs on the desktop: QMessageBox, QInputDialog and QFileDialog over a parent window.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr);

    void setParent(QWidget* parent) { m_parent = parent; }

    bool askYesNo(const QString& title, const QString& text) override;
    void message(const QString& title, const QString& text, Icon icon) override;
    QString prompt(const QString& title, const QString& label,
                   const QString& defaultAnswer) override;
    QString askPassword(const QString& title, const QString& label) override;
    void showProgress(const QString& title, const QString& step,
                      std::function<void()> cancelled) override;
    void hideProgress() override;
    QString openFileName(const QString& filter, const QString& preset) override;
    QString saveFileName(const QString& filter, const QString& preset) override;

    // The program's texts break lines with CR LF and, in places, LF CR; a label wants LF.
    static QString displayText(const QString& text);

private:
    QPointer<QWidget> m_parent;
    QPointer<QProgressDialog> m_progress;
};
