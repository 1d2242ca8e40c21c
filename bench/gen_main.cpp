// zelvanor_gen N path: writes a generated Telefon.dat of N contacts.
#include "generator.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    char* end = nullptr;
    const long long count = argc == 3 ? std::strtoll(argv[1], &end, 10) : -1;
    if (argc != 3 || count < 0 || *end != '\0') {
        std::fprintf(stderr, "usage: %s N path\n  writes a Telefon.dat of N generated contacts\n",
                     argv[0]);
        return 2;
    }
    QElapsedTimer t;
    t.start();
    const QString err = contactgen::writeRegister(QString::fromLocal8Bit(argv[2]), count);
    if (!err.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(err));
        return 1;
    }
    std::fprintf(stderr, "%lld contacts written to %s in %.2f s\n", count, argv[2],
                 static_cast<double>(t.nsecsElapsed()) / 1e9);
    return 0;
}
