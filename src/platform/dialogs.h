#pragma once

#include <QString>

#include <functional>

// The program's modal dialogs. Windows never open a message box or file dialog themselves, so
// that a test can build the real window and answer for the user.
class Dialogs {
public:
    enum class Icon { None, Information, Warning, Critical };

    virtual ~Dialogs() = default;

    // Yes/No question with the question-mark icon, Yes being the default button.
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
    // A message with one OK button.
    virtual void message(const QString& title, const QString& text, Icon icon) = 0;
    // A one-line text prompt; Cancel gives an empty text.
    virtual QString prompt(const QString& title, const QString& label,
                           const QString& defaultAnswer) = 0;
    // A prompt for a password, its characters hidden; Cancel gives an empty text.
    virtual QString askPassword(const QString& title, const QString& label) = 0;
    // A window showing the step of a long task, with a Cancel button, open until hideProgress;
    // the program goes on working meanwhile. cancelled runs when the user presses Cancel.
    virtual void showProgress(const QString& title, const QString& step,
                              std::function<void()> cancelled) = 0;
    virtual void hideProgress() = 0;
    // Open and save dialogs; Cancel gives the preset name back.
    virtual QString openFileName(const QString& filter, const QString& preset) = 0;
    virtual QString saveFileName(const QString& filter, const QString& preset) = 0;
};
