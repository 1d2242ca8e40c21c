#include "csvfiles.h"

#include "generator.h"
#include "store/cp1250.h"
#include "store/record.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace benchfiles {

QString importFile(qint64 count, TextEncoding encoding) {
    const bool utf8 = encoding == TextEncoding::Utf8;
    const QString path =
        QDir(QDir::tempPath())
            .filePath(QStringLiteral("zelvanor-bench-g1-%1-%2.csv")
                          .arg(count)
                          .arg(utf8 ? QStringLiteral("utf8") : QStringLiteral("cp1250")));
    const QString done = path + QStringLiteral(".done");
    if (QFileInfo::exists(done) && QFileInfo::exists(path))
        return path;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(path));
        std::exit(2);
    }
    if (utf8)
        out.write("\xEF\xBB\xBF");
    contactgen::RegisterGenerator gen;
    constexpr Field kOrder[] = {Field::Nev,  Field::Irszam, Field::Telepules,
                                Field::Cim,  Field::Tel1,   Field::Tel2,
                                Field::Megj, Field::Mail,   Field::Web};
    QByteArray block;
    for (qint64 i = 0; i < count; ++i) {
        const Record r = gen.next();
        for (Field f : kOrder) {
            const QByteArrayView bytes = trimmedBlanks(r.fieldBytes(f));
            if (utf8)
                block += cp1250::decode(bytes).toUtf8();
            else
                block += bytes;
            block += f == Field::Web ? QByteArrayView("\r\n") : QByteArrayView(";");
        }
        if (block.size() > (1 << 20) || i + 1 == count) {
            if (out.write(block) != block.size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                std::exit(2);
            }
            block.clear();
        }
    }
    out.close();
    QFile marker(done);
    if (!marker.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(done));
        std::exit(2);
    }
    return path;
}

} // namespace benchfiles
