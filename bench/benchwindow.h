#pragma once

#include "platform/dialogs.h"
#include "platform/passwordstore.h"
#include "platform/printers.h"
#include "platform/programs.h"
#include "platform/qtprinters.h"
#include "platform/shellopen.h"
#include "platform/systemregistry.h"
#include "windows/frmtelcsi.h"

#include <QString>

class QCheckBox;
class QHeaderView;
class QLineEdit;
class QPushButton;
class RecordListModel;
class RecordListView;

// Answers Yes to every question and keeps only what it needs to tell a failure: a benchmark
// whose operation put up an error message must not report a time as if it had worked.
class YesDialogs final : public Dialogs {
public:
    bool askYesNo(const QString& title, const QString& text) override;
    void message(const QString& title, const QString& text, Icon icon) override;
    QString prompt(const QString& title, const QString& label,
                   const QString& defaultAnswer) override;
    QString askPassword(const QString&, const QString&) override { return {}; }
    void showProgress(const QString&, const QString&, std::function<void()>) override {}
    void hideProgress() override {}
    QString openFileName(const QString& filter, const QString& preset) override;
    QString saveFileName(const QString& filter, const QString& preset) override;

    // The name the save dialog answers with; empty keeps the preset.
    QString saveAs;
    int questions = 0;
    int messages = 0;
    QString lastMessage;
};

// The benchmarks never hand anything to the desktop nor start a program.
class NoShellOpen final : public ShellOpen {
public:
    bool open(const QString&) override {
        ++opened;
        return false;
    }
    int opened = 0;
};
class NoPrograms final : public Programs {
public:
    bool exists(const QString&) override { return false; }
    bool start(const QString&) override { return false; }
};

// No printer installed: every printout goes to a real PDF file.
class PdfOnlyPrinters final : public Printers {
public:
    QString defaultPrinterName() const override { return {}; }
    std::unique_ptr<PrintCanvas> openDefaultPrinter(const QString&, QString& reason) override {
        reason = QStringLiteral("no printer");
        return nullptr;
    }
    std::unique_ptr<PrintCanvas> openPdfFile(const QString& path, const QString& jobName,
                                             QString& reason) override {
        return m_system.openPdfFile(path, jobName, reason);
    }

private:
    QtPrinters m_system;
};

// The real main window on a data folder, shown on the offscreen platform, with the controls a
// user would touch found by their object names.
class WindowRig {
public:
    explicit WindowRig(const QString& dataFolder);

    // Lets the window finish what a click left pending (the list's layout, repainting), as the
    // event loop would before the user sees the result.
    static void settle();

    int rows() const;
    // Clicks a header section with the mouse.
    void clickHeader(int column);
    // Scrolls a row into view (as the user would first) and clicks it with the mouse.
    void scrollToRow(int row);
    void clickRow(int row);

    YesDialogs dialogs;
    NoShellOpen shell;
    ToolPathRegistry registry;
    NoPrograms programs;
    PdfOnlyPrinters printers;
    MemoryPasswords passwords;
    Desktop desktop{dialogs, shell, registry, programs, printers, passwords};
    frmTelcsi window;
    RecordListModel* model;
    RecordListView* list;
    QPushButton* cmdLista;
    QPushButton* cmdRogzit;
    QPushButton* cmdModosit;
    QPushButton* cmdTorol;
    QCheckBox* check1;
    QLineEdit* txNev;
};

// A child of a window by object name; aborts when there is none, since every figure taken
// without the control would be meaningless.
template <typename T> T* requireChild(QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("the window has no %s", name);
    return child;
}
