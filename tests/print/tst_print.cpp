// Runs the printing tests: the page layout, then the window's printouts.
#include <QApplication>

int runPrintoutTests(int argc, char** argv);
int runPrintWindowTests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    int failed = runPrintoutTests(argc, argv);
    failed += runPrintWindowTests(argc, argv);
    return failed;
}
