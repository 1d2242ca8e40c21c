// The e-mail button and the About window, driven through the real main window.
#include "benchmarks.h"
#include "benchwindow.h"
#include "registers.h"

#include "windows/frmabout.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace benchutil;

namespace {

// A click on "E-mail írás": it reads the entry field only, so the register's size must not
// show in the figure.
void emailButton(benchmark::State& state) {
    WindowRig rig(benchfiles::registerFolder(state.range(0)));
    auto* mail = requireChild<QLineEdit>(&rig.window, "txtMail");
    auto* button = requireChild<QPushButton>(&rig.window, "Command1");
    mail->setText(QStringLiteral("  kovacs.anna@pelda.hu "));
    for (auto _ : state) {
        Stopwatch t;
        QTest::mouseClick(button, Qt::LeftButton);
        state.SetIterationTime(t.seconds());
    }
    if (rig.shell.opened != static_cast<int>(state.iterations()))
        fail(state, QStringLiteral("the button did not hand the address to the desktop"));
}

// From the menu command until the About window has been laid out and painted; then closed.
void aboutOpen(benchmark::State& state) {
    WindowRig rig(benchfiles::registerFolder(state.range(0)));
    for (auto _ : state) {
        Stopwatch t;
        frmAbout about(rig.desktop, &rig.window);
        about.show();
        WindowRig::settle();
        state.SetIterationTime(t.seconds());
        about.close();
        WindowRig::settle();
    }
}

} // namespace

void registerAboutBenchmarks(const Sizes& run) {
    benchutil::add("EmailButton", emailButton, {10000, 1000000}, run);
    benchutil::add("AboutOpen", aboutOpen, {10000}, run);
}
