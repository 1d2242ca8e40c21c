#include "windowharness.h"

#include "list/recordlistmodel.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

#include <csignal>

void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

FileSizeLimit::FileSizeLimit(qint64 bytes) {
    ::getrlimit(RLIMIT_FSIZE, &m_old);
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = m_old;
    lim.rlim_cur = static_cast<rlim_t>(bytes);
    ::setrlimit(RLIMIT_FSIZE, &lim);
}

FileSizeLimit::~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldHandler);
}

WindowHarness::WindowHarness(const QByteArray& data, Start when) {
    if (!data.isNull())
        writeFile(dataPath(), data);
    if (when != Start::Later)
        start(when == Start::Shown);
}

void WindowHarness::start(bool shown) {
    m_tester.reset();
    m_window = std::make_unique<frmTelcsi>(m_dir.path(), m_standIns.desktop);
    m_tester = std::make_unique<QAbstractItemModelTester>(
        m_window->listModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    if (shown)
        m_window->show();
}

bool WindowHarness::showActive() {
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    return QTest::qWaitForWindowActive(m_window.get());
}

QString WindowHarness::focused() const {
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

WindowHarness::~WindowHarness() {
    m_tester.reset();
    m_window.reset();
}

QLineEdit* WindowHarness::entry(const QString& name) const {
    return find<QLineEdit>(name);
}

QTreeView* WindowHarness::list() const {
    return find<QTreeView>(QStringLiteral("ListView1"));
}

void WindowHarness::press(const QString& name) {
    if (auto* b = find<QPushButton>(name))
        QTest::mouseClick(b, Qt::LeftButton);
    else if (auto* a = m_window->findChild<QAction*>(name))
        a->trigger();
    else
        QFAIL(qPrintable(QStringLiteral("no button or menu item ") + name));
}

void WindowHarness::clickRow(int row) {
    const QModelIndex index = list()->model()->index(row, 0);
    list()->scrollTo(index);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualRect(index).center());
}

void WindowHarness::clickHeader(int column) {
    QHeaderView* h = list()->header();
    list()->scrollTo(list()->model()->index(0, column));
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(column) + 5, h->height() / 2));
}

void WindowHarness::tick(const QString& checkName) {
    auto* c = find<QCheckBox>(checkName);
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(5, c->height() / 2));
    QVERIFY(c->isChecked());
}

QList<qint64> WindowHarness::recordNumbers() const {
    QList<qint64> numbers;
    for (int r = 0; r < m_window->listModel()->rowCount(); ++r)
        numbers << m_window->listModel()->recordNumber(r);
    return numbers;
}

QStringList WindowHarness::column(int column) const {
    QStringList texts;
    for (int r = 0; r < m_window->listModel()->rowCount(); ++r)
        texts << m_window->listModel()->text(r, column);
    return texts;
}

void useDesktopScreen(const QTemporaryDir& configDir) {
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen" || !configDir.isValid())
        return;
    const QString config = configDir.filePath(QStringLiteral("screen.json"));
    QFile f(config);
    if (f.open(QIODevice::WriteOnly) &&
        f.write(R"({"screens": [{"name": "Desktop", "x": 0, "y": 0, "width": 1280,
            "height": 1024, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") > 0) {
        f.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    }
}
