#pragma once

#include "forms/formlayout.h"
#include "platform/desktop.h"

#include <QDialog>

class LinkLabel;
class QLabel;
class QPushButton;

// The About window: title, version, the maker's line and links, and a button that starts the
// system's information tool.
class frmAbout final : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(const Desktop& desktop, QWidget* parent = nullptr);

    // The maker's own details, shown in the window and opened by its links.
    static QString makerLine();
    static QString makerPhone();
    static QString makerMail1();
    static QString makerMail2();
    static QString makerHomePage();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void Form_MouseMove();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();
    void Label1_Click();
    void Label2_Click();
    void Label4_Click();
    static void paintLink(QLabel* label, const QColor& colour);

    Desktop m_desktop;
    form::FrameWatch m_frameWatch;

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* Label5 = nullptr;
    LinkLabel* Label1 = nullptr;
    LinkLabel* Label4 = nullptr;
    LinkLabel* Label2 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;
};
