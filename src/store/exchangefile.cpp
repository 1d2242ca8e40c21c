#include "exchangefile.h"

StoreError dataFileRefused(const QString& path) {
    StoreError e = systemError(StoreError::Action::Open, path, 0);
    e.detail = QStringLiteral("Ez a névjegyzék saját adatállománya (Telefon.dat); "
                              "ehhez válasszon egy másik fájlt.");
    return e;
}

MaybeError refuseDataFile(const DataFile& data, const QString& path) {
    int checkError = 0;
    if (data.isSameFile(path, checkError))
        return dataFileRefused(path);
    if (checkError != 0)
        return systemError(StoreError::Action::Open, path, checkError);
    return std::nullopt;
}

MaybeError refuseDataFile(const DataFile& data, const DataFile& exchange) {
    int checkError = 0;
    if (data.isSameFile(exchange, checkError))
        return dataFileRefused(exchange.path());
    if (checkError != 0)
        return systemError(StoreError::Action::Open, exchange.path(), checkError);
    return std::nullopt;
}
