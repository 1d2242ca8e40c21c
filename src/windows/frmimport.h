#pragma once

#include <QDialog>
#include <QMargins>

// The import help window: a picture of a spreadsheet laid out for the CSV import, one line per
// column naming the field it feeds and its length, and how to save and import the sheet. It
// reads and writes nothing; each opening builds it anew and centres it on the screen.
class frmImport final : public QDialog {
    Q_OBJECT
public:
    explicit frmImport(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Form_Load();
    void mnuVissza_Click();

    bool m_loaded = false;
    QMargins m_frame; // the window frame at the last centring
};
