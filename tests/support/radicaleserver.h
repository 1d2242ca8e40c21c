#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

// A real Radicale CardDAV server for the tests: on 127.0.0.1 at a free port, with its own
// storage folder and password file, stopped when the object goes.
class RadicaleServer {
public:
    RadicaleServer() = default;
    ~RadicaleServer();
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    // Starts the server for the users (name -> password), with tls behind TLS with a
    // self-signed certificate made by openssl; what went wrong, or empty.
    QString start(const QMap<QString, QString>& users, bool tls = false);
    void stop();

    // Makes an address book of the user, empty, and returns its address.
    QUrl addAddressBook(const QString& user, const QString& name, const QString& displayName);
    // The folder that holds the address book's cards, one file each, named as their address
    // ends: cards can be put there without a request.
    QString addressBookFolder(const QString& user, const QString& name) const;

    // http://127.0.0.1:port/path
    QUrl url(const QString& path) const;
    QString certificateFile() const { return m_dir.filePath(QStringLiteral("cert.pem")); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    bool m_tls = false;
};
