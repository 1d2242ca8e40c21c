#include "scripteddialogs.h"

#include <utility>

int ScriptedDialogs::count(Kind kind) const {
    int n = 0;
    for (const Shown& s : m_shown)
        n += s.kind == kind ? 1 : 0;
    return n;
}

ScriptedDialogs::Shown ScriptedDialogs::last(Kind kind) const {
    for (auto it = m_shown.crbegin(); it != m_shown.crend(); ++it)
        if (it->kind == kind)
            return *it;
    return Shown{kind, {}, {}, Icon::None};
}

bool ScriptedDialogs::askYesNo(const QString& title, const QString& text) {
    m_shown.append({Kind::YesNo, title, text, Icon::None});
    if (m_whileAsking)
        std::exchange(m_whileAsking, {})();
    return m_yesNo.isEmpty() ? false : m_yesNo.dequeue();
}

void ScriptedDialogs::message(const QString& title, const QString& text, Icon icon) {
    m_shown.append({Kind::Message, title, text, icon});
}

QString ScriptedDialogs::prompt(const QString& title, const QString& label,
                                const QString& defaultAnswer) {
    m_shown.append({Kind::Prompt, title, label + QLatin1Char('\0') + defaultAnswer, Icon::None});
    return m_texts.isEmpty() ? QString() : m_texts.dequeue();
}

QString ScriptedDialogs::askPassword(const QString& title, const QString& label) {
    m_shown.append({Kind::Password, title, label, Icon::None});
    return m_texts.isEmpty() ? QString() : m_texts.dequeue();
}

void ScriptedDialogs::showProgress(const QString& title, const QString& step,
                                   std::function<void()> cancelled) {
    m_shown.append({Kind::Progress, title, step, Icon::None});
    m_progressOpen = true;
    if (!m_cancelAt.isEmpty() && step.contains(m_cancelAt) && cancelled) {
        m_cancelAt.clear();
        cancelled();
    }
}

QString ScriptedDialogs::openFileName(const QString& filter, const QString& preset) {
    m_shown.append({Kind::OpenFile, filter, preset, Icon::None});
    return m_texts.isEmpty() ? preset : m_texts.dequeue();
}

QString ScriptedDialogs::saveFileName(const QString& filter, const QString& preset) {
    m_shown.append({Kind::SaveFile, filter, preset, Icon::None});
    return m_texts.isEmpty() ? preset : m_texts.dequeue();
}
