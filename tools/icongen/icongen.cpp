// Draws the program's icon, a grey desk telephone with a keypad, at every size the desktop
// asks for, and as an SVG, from the one drawing below. The outputs are committed; run
// tools/make-icons.sh after changing the drawing.
#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// The 16-colour palette the small icons keep to.
const QColor kBlack(0, 0, 0);
const QColor kDarkGrey(128, 128, 128);
const QColor kSilver(192, 192, 192);
const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);
const QColor kMaroon(128, 0, 0);
const QColor kNavy(0, 0, 128);

struct Part {
    QRectF rect; // on a 32 × 32 grid
    qreal radius = 0;
};

// Parts of one colour; an outlined group gets one black outline around all its parts.
struct Group {
    std::vector<Part> parts;
    QColor fill;
    bool outlined = false;
    int minSize = 0; // detail left out of smaller icons
};

std::vector<Group> drawing(int size) {
    std::vector<Group> g;
    // Base plate and body.
    g.push_back({{{{1.5, 28, 29, 2.5}}}, kDarkGrey, true});
    // The body's neck under the cradle; too small to tell apart on the smallest icon.
    Group body{{{{2.5, 12, 27, 16}}}, kSilver, true};
    if (size >= 32)
        body.parts.push_back({{4, 9.5, 24, 3}});
    g.push_back(body);
    g.push_back({{{{2.5, 12, 27, 1}}}, kDarkGrey, false, 32});
    g.push_back({{{{28.5, 13, 1, 15}}}, kDarkGrey, false, 32});
    g.push_back({{{{2.5, 13, 1, 15}}, {{4, 9.5, 24, 1}}}, kWhite, false, 32});
    {
        Group stripes{{}, kDarkGrey, false, 32};
        for (int i = 0; i < 4; ++i)
            stripes.parts.push_back({{4.5, 15.0 + 2.5 * i, 2.5, 1}});
        g.push_back(stripes);
    }
    // Keypad: four rows of three keys, three rows on the smallest icon.
    g.push_back({{{{8.5, 14, 12.5, 14}}}, kDarkGrey, true});
    const int rows = size >= 32 ? 4 : 3;
    const qreal pitch = 12.0 / rows;
    Group keys{{}, kWhite};
    Group dots{{}, kNavy, false, 32};
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 3; ++c) {
            const QRectF key(9.75 + c * 3.75, 15 + r * pitch, 2.5, pitch - 1);
            keys.parts.push_back({key});
            dots.parts.push_back({QRectF(key.center() - QPointF(0.5, 0.5), QSizeF(1, 1))});
        }
    g.push_back(keys);
    g.push_back(dots);
    // Lamp.
    g.push_back({{{{23.5, 15, 3, 3}}}, kMaroon, true});
    g.push_back({{{{23.5, 15, 2, 2}}}, kRed});
    // Cradle and handset.
    g.push_back({{{{9.5, 4.5, 13, 5}}}, kDarkGrey, true, 32});
    g.push_back({{{{3, 1.5, 26, 3.5}, 1.5}, {{1, 2.5, 8.5, 6}, 2}, {{22.5, 2.5, 8.5, 6}, 2}},
                 kSilver,
                 true});
    g.push_back({{{{4.5, 2.2, 23, 1}}}, kWhite, false, 32});
    g.push_back({{{{2, 7.5, 6.5, 1}}, {{23.5, 7.5, 6.5, 1}}}, kDarkGrey, false, 32});
    return g;
}

// The outline's width in pixels: one pixel up to 48, then growing slowly with the size.
int outlineWidth(int size) {
    return std::max(1, static_cast<int>(std::lround(size / 40.0)));
}

// A part on the pixel grid of an icon of the given size, grown by the given pixels.
QRectF snapped(const QRectF& r, int size, int grow) {
    const qreal k = size / 32.0;
    const auto px = [k](qreal v) { return static_cast<qreal>(std::lround(v * k)); };
    return QRectF(QPointF(px(r.left()) - grow, px(r.top()) - grow),
                  QPointF(px(r.right()) + grow, px(r.bottom()) + grow));
}

struct Shape {
    QRectF rect;
    qreal radius;
    QColor colour;
};

// The drawing laid out for one size, back to front.
std::vector<Shape> layout(int size) {
    std::vector<Shape> shapes;
    const int w = outlineWidth(size);
    const qreal k = size / 32.0;
    for (const Group& group : drawing(size)) {
        if (size < group.minSize)
            continue;
        if (group.outlined)
            for (const Part& p : group.parts)
                shapes.push_back({snapped(p.rect, size, w), p.radius * k + w, kBlack});
        for (const Part& p : group.parts)
            shapes.push_back({snapped(p.rect, size, 0), p.radius * k, group.fill});
    }
    return shapes;
}

QImage render(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // The 16- and 32-pixel icons stay in the palette, pixel for pixel.
    painter.setRenderHint(QPainter::Antialiasing, size > 32);
    painter.setPen(Qt::NoPen);
    for (const Shape& s : layout(size)) {
        painter.setBrush(s.colour);
        if (s.radius > 0)
            painter.drawRoundedRect(s.rect, s.radius, s.radius);
        else
            painter.drawRect(s.rect);
    }
    painter.end();
    return image;
}

QString svg(int size) {
    QString out;
    QTextStream s(&out);
    s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << size << "\" height=\"" << size
      << "\" viewBox=\"0 0 " << size << ' ' << size << "\">\n"
      << "  <title>Zelvanor</title>\n";
    for (const Shape& shape : layout(size)) {
        s << "  <rect x=\"" << shape.rect.x() << "\" y=\"" << shape.rect.y() << "\" width=\""
          << shape.rect.width() << "\" height=\"" << shape.rect.height() << '"';
        if (shape.radius > 0)
            s << " rx=\"" << shape.radius << "\" ry=\"" << shape.radius << '"';
        s << " fill=\"" << shape.colour.name() << "\"/>\n";
    }
    s << "</svg>\n";
    return out;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: zelvanor_icongen OUTPUT-FOLDER\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString path = QStringLiteral("%1/zelvanor-%2.png").arg(folder).arg(size);
        if (!render(size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    QFile file(folder + QStringLiteral("/zelvanor.svg"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(svg(256).toUtf8()) < 0 || !file.flush()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return 1;
    }
    return 0;
}
