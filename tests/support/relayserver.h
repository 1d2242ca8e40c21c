#pragma once

#include <QByteArray>
#include <QTcpServer>

// Between a client and a server on this machine, one request per connection: the request's head
// (its lines before the blank one) goes to request(), which may answer in the server's place or
// change the head and let it pass; the server's answer goes back whole, through answer(), and
// the connection closes after it.
class RelayServer : public QTcpServer {
public:
    explicit RelayServer(quint16 target);

protected:
    struct Decision {
        QByteArray answer;      // sent instead of passing the request on, unless empty
        bool cutAnswer = false; // only the status line of the server's answer goes back
    };
    virtual Decision request(QByteArray& head) = 0;

private:
    void relay(QTcpSocket* client);

    quint16 m_target;
};
