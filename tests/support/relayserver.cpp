#include "relayserver.h"

#include <QTcpSocket>

RelayServer::RelayServer(quint16 target)
    : m_target(target) {
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this]() {
        while (QTcpSocket* client = nextPendingConnection())
            relay(client);
    });
}

void RelayServer::relay(QTcpSocket* client) {
    auto* server = new QTcpSocket(client);
    // The request until its head is whole, then the server's answer.
    auto* bytes = new QByteArray;
    auto* cut = new bool(false);
    connect(server, &QObject::destroyed, [bytes, cut]() {
        delete bytes;
        delete cut;
    });
    connect(client, &QTcpSocket::readyRead, client, [=, this]() {
        if (server->state() != QAbstractSocket::UnconnectedState) {
            server->write(client->readAll());
            return;
        }
        *bytes += client->readAll();
        const qsizetype end = bytes->indexOf("\r\n\r\n");
        if (end < 0)
            return;
        QByteArray head = bytes->left(end);
        const Decision decision = request(head);
        if (!decision.answer.isEmpty()) {
            client->write(decision.answer);
            client->disconnectFromHost();
            return;
        }
        *cut = decision.cutAnswer;
        server->connectToHost(QHostAddress::LocalHost, m_target);
        server->write(head + "\r\nConnection: close" + bytes->mid(end));
        bytes->clear();
    });
    connect(server, &QTcpSocket::readyRead, server, [=]() { *bytes += server->readAll(); });
    connect(server, &QTcpSocket::disconnected, client, [=]() {
        const qsizetype line = bytes->indexOf("\r\n") + 2;
        bytes->insert(line, "Connection: close\r\n");
        client->write(*cut ? bytes->left(line) : *bytes);
        client->disconnectFromHost();
    });
}
