#include "store/storeerror.h"

#include <QDir>

#include <cerrno>
#include <cstring>

namespace {

QString errnoText(int code) {
    switch (code) {
    case EACCES:
    case EPERM:
        return QStringLiteral("Hozzáférés megtagadva.");
    case EROFS:
        return QStringLiteral("A lemez vagy mappa csak olvasható.");
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("Nincs elég szabad hely a lemezen.");
    case ENOENT:
        return QStringLiteral("A fájl vagy a mappája nem található.");
    case EISDIR:
        return QStringLiteral("Ezen a néven egy mappa áll, nem fájl.");
    case ENOTDIR:
        return QStringLiteral("Az elérési út egyik tagja nem mappa.");
    case EIO:
        return QStringLiteral("Be- vagy kiviteli hiba a lemezen.");
    case EBUSY:
    case ETXTBSY:
    case EAGAIN:
        return QStringLiteral("A fájlt egy másik program használja.");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Túl sok a megnyitott fájl.");
    case ENAMETOOLONG:
        return QStringLiteral("A fájl neve túl hosszú.");
    case EFBIG:
        return QStringLiteral("A fájl túl nagy.");
    case ELOOP:
        return QStringLiteral("Az elérési útban körbe mutató hivatkozás van.");
    default:
        return QStringLiteral("Rendszerhiba: %1 (%2).")
            .arg(QString::fromLocal8Bit(std::strerror(code)))
            .arg(code);
    }
}

} // namespace

StoreError systemError(StoreError::Action action, const QString& path, int code) {
    StoreError e;
    e.action = action;
    e.path = path;
    e.code = code;
    return e;
}

QString StoreError::reason() const {
    if (!detail.isEmpty())
        return detail;
    return errnoText(code);
}

QString StoreError::message() const {
    const QString file = QDir::toNativeSeparators(path);
    QString what;
    switch (action) {
    case Action::Open:
        what = QStringLiteral("A(z) „%1” fájl nem nyitható meg.").arg(file);
        break;
    case Action::Create:
        what = QStringLiteral("A(z) „%1” fájl nem hozható létre.").arg(file);
        break;
    case Action::Read:
        what = QStringLiteral("A(z) „%1” fájl nem olvasható.").arg(file);
        break;
    case Action::Write:
        what = QStringLiteral("A(z) „%1” fájlba nem sikerült írni.").arg(file);
        break;
    case Action::Flush:
        what = QStringLiteral("A(z) „%1” fájlt nem sikerült a lemezre menteni.").arg(file);
        break;
    case Action::Truncate:
        what = QStringLiteral("A(z) „%1” fájl hossza nem állítható be.").arg(file);
        break;
    case Action::Rename:
        what = QStringLiteral("A(z) „%1” fájl nem nevezhető át erre: „%2”.")
                   .arg(file, QDir::toNativeSeparators(target));
        break;
    case Action::Remove:
        what = QStringLiteral("A(z) „%1” fájl nem törölhető.").arg(file);
        break;
    case Action::CreateFolder:
        what = QStringLiteral("A(z) „%1” mappa nem hozható létre.").arg(file);
        break;
    case Action::FindContacts:
        what = QStringLiteral("A(z) „%1” fájlban nincs névjegy.").arg(file);
        break;
    case Action::SyncFolder:
        what =
            QStringLiteral("A(z) „%1” mappa tartalmát nem sikerült a lemezre menteni.").arg(file);
        break;
    }
    return what + QLatin1Char('\n') + reason();
}
