#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

// The multistatus answers of a WebDAV server (PROPFIND and REPORT), read with the DAV and
// CardDAV properties the sync asks for. Properties count only from a propstat whose status
// is 2xx.
namespace cardsync {

struct DavResponse {
    QString href;   // as the server wrote it
    int status = 0; // the response's own status (a deleted card in a sync report); 0: none
    QString etag;
    QString displayName;
    bool isCollection = false;
    bool isAddressBook = false;
    QString principal;
    QStringList homeSets;
    bool hasAddressData = false;
    QByteArray addressData; // the card, UTF-8
};

struct MultiStatus {
    std::vector<DavResponse> responses;
    QString syncToken;
};

// False when the body is no multistatus document or not well-formed XML.
bool parseMultiStatus(const QByteArray& body, MultiStatus& out);

// The status code of an HTTP status line ("HTTP/1.1 404 Not Found"); 0 when there is none.
int statusCode(QStringView line);

} // namespace cardsync
