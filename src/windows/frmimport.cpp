#include "windows/frmimport.h"

#include "forms/formlayout.h"

#include <QEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QVBoxLayout>

static void initHelpResources() {
    Q_INIT_RESOURCE(zelvanor);
}

namespace {

struct HelpLine {
    int index; // in the label array Label1
    int top;
    const char16_t* text;
};

// One line per spreadsheet column, 300 twips apart.
constexpr HelpLine kColumns[] = {
    {11, 2610, u"A oszlop - név (40 karakter)"},
    {3, 2910, u"B oszlop - Irányítószám (4 karakter)"},
    {1, 3210, u"C oszlop - Település (25 karakter)"},
    {4, 3510, u"D oszlop - Cím (50 karakter)"},
    {8, 3810, u"E  oszlop - Telefon 1 (15 karakter)"},
    {5, 4110, u"F oszlop - Telefon 2 (15 karakter)"},
    {12, 4410, u"G oszlop - megjegyzés (50 karakter)"},
    {9, 4710, u"H oszlop - E-mail cím (40 karakter)"},
    {10, 5010, u"I oszlop -Web cím (40 karakter)"},
};

} // namespace

frmImport::frmImport(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint) {
    initHelpResources();
    setObjectName(QStringLiteral("frmImport"));
    const QString caption = QStringLiteral("Segítség az adatok importálásához.");
    setWindowTitle(caption);
    setAccessibleName(caption);
    setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menuBar"));
    bar->setNativeMenuBar(false);
    QAction* vissza = bar->addAction(QStringLiteral("&Vissza"));
    vissza->setObjectName(QStringLiteral("mnuVissza"));
    connect(vissza, &QAction::triggered, this, &frmImport::mnuVissza_Click);
    layout->setMenuBar(bar);

    // The controls keep their places when the window is resized.
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFont(form::dialogFont(8.25));
    client->setMinimumSize(0, 0);
    layout->addWidget(client, 1, Qt::AlignLeft | Qt::AlignTop);
    client->setFixedSize(form::twips(14520), form::twips(5955));

    auto place = [client](QWidget* w, const QString& name, int left, int top, int width,
                          int height) {
        w->setObjectName(name);
        w->setGeometry(form::twipRect(left, top, width, height));
    };

    auto* image = new QLabel(client);
    place(image, QStringLiteral("Image1"), 30, 90, 14475, 1965);
    image->setAccessibleName(QStringLiteral("Minta táblázat"));
    image->setPixmap(QPixmap(QStringLiteral(":/images/import-help.jpg")));
    image->setScaledContents(true);

    auto label = [&place, client](int index, const QString& text, int left, int top, int width,
                                  int height) {
        auto* l = new QLabel(text, client);
        place(l, QStringLiteral("Label1_%1").arg(index), left, top, width, height);
        l->setAccessibleName(text);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };
    auto* heading = label(6,
                          QStringLiteral("A táblázatot az alábbiak szerint kell kitölteni és "
                                         "\"*.CSV\" fájl formátumban menteni."),
                          210, 2220, 12255, 285);
    for (const HelpLine& line : kColumns)
        label(line.index, QString::fromUtf16(line.text), 4290, line.top, 3795, 285);
    auto* steps = label(
        7,
        QStringLiteral("Mentés után a főablakban az \"Adatbázis\" menüben lévő \"Importálás CSV "
                       "fájlból\" almenüt alkalmazva tallózással keresd meg az elmentett \"CSV\" "
                       "fájlt, majd kiválasztás után a Megnyitás gombbal elkezdheted az "
                       "importálást."),
        270, 5370, 13245, 495);
    for (QLabel* l : {heading, steps}) {
        l->setFont(form::dialogFont(8.25, true));
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    steps->setWordWrap(true);

    resize(client->width(), client->height() + bar->sizeHint().height());
}

void frmImport::Form_Load() {
    // Centred on the whole screen by the window's outer size, frame and title bar included.
    form::centreOnScreen(this);
}

void frmImport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
}

bool frmImport::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    // A window manager adds its frame after the window is shown, and may tell its parts one by
    // one; centre again whenever the frame around the window has changed since the last time.
    if (m_loaded && isVisible() &&
        !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
         event->type() == QEvent::WindowActivate || event->type() == QEvent::Paint)) {
        const QMargins frame = form::frameMargins(this);
        if (frame != m_frame) {
            m_frame = frame;
            Form_Load();
        }
    }
    return handled;
}

void frmImport::mnuVissza_Click() {
    close();
}
