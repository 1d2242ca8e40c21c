#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

// A broken promise ends the run, so that libFuzzer keeps the input that showed it.
inline void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// One folder for the whole run, on the temporary file system that TMPDIR names: a fresh folder
// per input would cost more than the input itself.
inline const QTemporaryDir& scratchFolder() {
    static const QTemporaryDir dir;
    require(dir.isValid(), "a temporary folder");
    return dir;
}

// Writes the input as a file of the scratch folder, for an import to read; returns its path.
// Telefon.dat beside it is removed, so that the import starts an empty register.
inline QString scratchImportFile(const QString& name, QByteArrayView data) {
    const QString folder = scratchFolder().path();
    QFile::remove(folder + QStringLiteral("/Telefon.dat"));
    const QString path = folder + QLatin1Char('/') + name;
    QFile f(path);
    require(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "the import file is written");
    require(f.write(data.data(), data.size()) == data.size(), "the import file is written");
    return path;
}
