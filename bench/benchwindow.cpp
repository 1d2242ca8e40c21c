#include "benchwindow.h"

#include "list/recordlistmodel.h"
#include "windows/recordlistview.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

bool YesDialogs::askYesNo(const QString&, const QString&) {
    ++questions;
    return true;
}

void YesDialogs::message(const QString&, const QString& text, Icon) {
    ++messages;
    lastMessage = text;
}

QString YesDialogs::prompt(const QString&, const QString&, const QString&) {
    return {};
}
QString YesDialogs::openFileName(const QString&, const QString& preset) {
    return preset;
}
QString YesDialogs::saveFileName(const QString&, const QString& preset) {
    return saveAs.isEmpty() ? preset : saveAs;
}

WindowRig::WindowRig(const QString& dataFolder)
    : window(dataFolder, desktop)
    , model(window.listModel())
    , list(requireChild<RecordListView>(&window, "ListView1"))
    , cmdLista(requireChild<QPushButton>(&window, "cmdLista"))
    , cmdRogzit(requireChild<QPushButton>(&window, "cmdRogzit"))
    , cmdModosit(requireChild<QPushButton>(&window, "cmdModosit"))
    , cmdTorol(requireChild<QPushButton>(&window, "cmdTorol"))
    , check1(requireChild<QCheckBox>(&window, "Check1"))
    , txNev(requireChild<QLineEdit>(&window, "txNev")) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qFatal("the window was not shown");
    settle();
}

void WindowRig::settle() {
    // The view lays out its rows on a zero timer after a reset, and the repaint that follows
    // is posted again: two passes see both through.
    for (int i = 0; i < 2; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

int WindowRig::rows() const {
    return model->rowCount();
}

void WindowRig::clickHeader(int column) {
    QHeaderView* header = list->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

void WindowRig::scrollToRow(int row) {
    list->scrollTo(model->index(row, 0), QAbstractItemView::PositionAtCenter);
    settle();
}

void WindowRig::clickRow(int row) {
    const QRect r = list->visualRect(model->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}
