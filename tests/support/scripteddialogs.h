#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>

#include <functional>

// Answers the window's dialogs from a script and records every one it was shown.
class ScriptedDialogs final : public Dialogs {
public:
    enum class Kind { YesNo, Message, Prompt, Password, Progress, OpenFile, SaveFile };
    struct Shown {
        Kind kind;
        QString title;
        QString text;
        Icon icon = Icon::None;
    };

    // Queued answers, used in order; a question with nothing queued is answered No / Cancel.
    void queueYesNo(bool yes) { m_yesNo.enqueue(yes); }
    void queueText(const QString& answer) { m_texts.enqueue(answer); }
    // Runs while the next Yes/No question is open, as another program could meanwhile.
    void whileAsking(std::function<void()> action) { m_whileAsking = std::move(action); }

    const QList<Shown>& shown() const { return m_shown; }
    void clear() { m_shown.clear(); }
    int count(Kind kind) const;
    // The last dialog of a kind; a default value when there was none.
    Shown last(Kind kind) const;

    bool askYesNo(const QString& title, const QString& text) override;
    void message(const QString& title, const QString& text, Icon icon) override;
    QString prompt(const QString& title, const QString& label,
                   const QString& defaultAnswer) override;
    QString askPassword(const QString& title, const QString& label) override;
    // Records each step shown; presses Cancel at the step whose text contains cancelAt.
    void showProgress(const QString& title, const QString& step,
                      std::function<void()> cancelled) override;
    void hideProgress() override { m_progressOpen = false; }
    void cancelAtStep(const QString& text) { m_cancelAt = text; }
    bool progressOpen() const { return m_progressOpen; }
    QString openFileName(const QString& filter, const QString& preset) override;
    QString saveFileName(const QString& filter, const QString& preset) override;

private:
    QQueue<bool> m_yesNo;
    std::function<void()> m_whileAsking;
    QQueue<QString> m_texts;
    QList<Shown> m_shown;
    QString m_cancelAt;
    bool m_progressOpen = false;
};
