#include "exchangefile.h"

StoreError dataFileRefused(const QString& path) {
    StoreError e = systemError(StoreError::Action::Open, path, 0);
    e.detail = QStringLiteral("Ez a névjegyzék saját adatállománya (Telefon.dat); "
                              "ehhez válasszon egy másik fájlt.");
    return e;
}
