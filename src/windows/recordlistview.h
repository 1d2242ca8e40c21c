#pragma once

#include <QTreeView>

// The report-style record list. Choosing a row with the mouse or moving to it with the
// keyboard both count as a row click.
class RecordListView final : public QTreeView {
    Q_OBJECT
public:
    explicit RecordListView(QWidget* parent = nullptr);

Q_SIGNALS:
    void rowChosen(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
