#pragma once

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
