#include "radicaleserver.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>

RadicaleServer::~RadicaleServer() {
    stop();
}

QString RadicaleServer::start(const QMap<QString, QString>& users, bool tls) {
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder");
    QFile passwords(m_dir.filePath(QStringLiteral("users")));
    if (!passwords.open(QIODevice::WriteOnly))
        return passwords.errorString();
    for (auto it = users.begin(); it != users.end(); ++it)
        passwords.write((it.key() + u':' + it.value() + u'\n').toUtf8());
    passwords.close();
    QDir().mkpath(m_dir.filePath(QStringLiteral("storage/collection-root")));

    // A port the system gives out now is free a moment later, unless another takes it first.
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost))
            return probe.errorString();
        m_port = probe.serverPort();
    }
    const QString log = m_dir.filePath(QStringLiteral("log"));
    m_process.setStandardOutputFile(log);
    m_process.setStandardErrorFile(log);
    // Only the options given here: no configuration file of the machine or the user is read.
    QStringList args = QStringLiteral("--config --auth-type htpasswd --auth-htpasswd-encryption "
                                      "plain --auth-delay 0 --rights-type owner_only")
                           .split(u' ');
    args << QStringLiteral("--server-hosts") << QStringLiteral("127.0.0.1:%1").arg(m_port)
         << QStringLiteral("--storage-filesystem-folder")
         << m_dir.filePath(QStringLiteral("storage")) << QStringLiteral("--auth-htpasswd-filename")
         << passwords.fileName();
    m_tls = tls;
    const QString key = m_dir.filePath(QStringLiteral("key.pem"));
    const QStringList req = QStringLiteral("req -x509 -newkey ec -pkeyopt "
                                           "ec_paramgen_curve:prime256v1 -nodes -days 2 -subj "
                                           "/CN=127.0.0.1 -keyout")
                                .split(u' ')
                            << key << QStringLiteral("-out") << certificateFile();
    if (tls && QProcess::execute(QStringLiteral("openssl"), req) != 0)
        return QStringLiteral("openssl made no certificate");
    if (tls)
        args << QStringLiteral("--server-ssl") << QStringLiteral("--server-certificate")
             << certificateFile() << QStringLiteral("--server-key") << key;
    m_process.start(QStringLiteral("radicale"), args);
    if (!m_process.waitForStarted())
        return QStringLiteral("radicale does not start: ") + m_process.errorString();
    // Ready once it takes a connection.
    for (;;) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(m_port));
        if (socket.waitForConnected())
            break;
        if (m_process.waitForFinished(100)) {
            QFile text(log);
            text.open(QIODevice::ReadOnly);
            return QStringLiteral("radicale stopped: ") + QString::fromUtf8(text.readAll());
        }
    }
    return {};
}

void RadicaleServer::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished()) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

QUrl RadicaleServer::addAddressBook(const QString& user, const QString& name,
                                    const QString& displayName) {
    const QString folder = addressBookFolder(user, name);
    QDir().mkpath(folder);
    QFile props(folder + QStringLiteral("/.Radicale.props"));
    if (props.open(QIODevice::WriteOnly)) {
        props.write(
            QJsonDocument(QJsonObject{{QStringLiteral("tag"), QStringLiteral("VADDRESSBOOK")},
                                      {QStringLiteral("D:displayname"), displayName}})
                .toJson(QJsonDocument::Compact));
    }
    return url(QStringLiteral("/%1/%2/").arg(user, name));
}

QString RadicaleServer::addressBookFolder(const QString& user, const QString& name) const {
    return m_dir.filePath(QStringLiteral("storage/collection-root/%1/%2").arg(user, name));
}

QUrl RadicaleServer::url(const QString& path) const {
    QUrl u;
    u.setScheme(m_tls ? QStringLiteral("https") : QStringLiteral("http"));
    u.setHost(QStringLiteral("127.0.0.1"));
    u.setPort(m_port);
    u.setPath(path);
    return u;
}
