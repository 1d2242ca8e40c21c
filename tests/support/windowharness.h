#pragma once

#include "platform/desktop.h"
#include "standins.h"
#include "testdata.h"
#include "windows/frmtelcsi.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/resource.h>

class QLineEdit;
class QTreeView;

// Types the text key by key; QTest::keyClicks only knows Latin-1 letters.
void typeText(QWidget* widget, const QString& text);

// A soft limit on the size of files this process writes, so that a write fails with EFBIG the
// way it fails on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// The real main window over a fresh temporary data folder, its dialogs answered from a script
// and its list model checked by QAbstractItemModelTester.
class WindowHarness {
public:
    // Shown: the window is made and shown; Hidden: made, not shown; Later: made by start(),
    // once the test has prepared the folder.
    enum class Start { Shown, Hidden, Later };

    // data: the bytes of Telefon.dat; a null array leaves the folder without one.
    explicit WindowHarness(const QByteArray& data = QByteArray(), Start when = Start::Shown);
    ~WindowHarness();
    WindowHarness(const WindowHarness&) = delete;
    WindowHarness& operator=(const WindowHarness&) = delete;

    // Makes the window over the folder as it is now; shown tells whether to show it.
    void start(bool shown = true);
    // Shows the window as the active one; false when the window system does not make it so.
    bool showActive();
    // The object name of the widget with the keyboard focus.
    QString focused() const;

    frmTelcsi& window() { return *m_window; }
    ScriptedDialogs& dialogs() { return m_standIns.dialogs; }
    ScriptedPrinters& printers() { return m_standIns.printers; }
    MemoryPasswords& passwords() { return m_standIns.passwords; }
    const Desktop& desktop() const { return m_standIns.desktop; }
    RecordingShellOpen& shell() { return m_standIns.shell; }
    ScriptedRegistry& registry() { return m_standIns.registry; }
    RecordingPrograms& programs() { return m_standIns.programs; }

    QString folder() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    QString dataPath() const { return filePath(QStringLiteral("Telefon.dat")); }

    template <typename W = QWidget> W* find(const QString& name) const {
        return m_window->findChild<W*>(name);
    }
    QLineEdit* entry(const QString& name) const;
    QTreeView* list() const;

    // Clicks a button with the mouse, or triggers a menu item, by object name.
    void press(const QString& name);
    void clickRow(int row);
    void clickHeader(int column);
    // Ticks a search switch with the mouse.
    void tick(const QString& checkName);

    // The record-number column and one text column of the list, top to bottom.
    QList<qint64> recordNumbers() const;
    QStringList column(int column) const;

private:
    QTemporaryDir m_dir;
    StandIns m_standIns;
    std::unique_ptr<frmTelcsi> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

// Gives the offscreen platform a screen of an ordinary desktop's size (1280 x 1024 at 96 dots
// per inch) instead of its own 800 x 800, which is narrower than the windows, so that their
// centring can be seen. Call before the application is made; configDir keeps the screen's
// description while the test runs.
void useDesktopScreen(const QTemporaryDir& configDir);

template <typename Test> int runOnDesktopScreen(int argc, char* argv[]) {
    QTemporaryDir configDir;
    useDesktopScreen(configDir);
    QApplication app(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    Test test;
    return QTest::qExec(&test, argc, argv);
}
