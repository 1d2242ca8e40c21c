#include "sync/davxml.h"

#include <QXmlStreamReader>

namespace cardsync {

namespace {

const QString kDav = QStringLiteral("DAV:");
const QString kCardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");

bool is(const QXmlStreamReader& xml, const QString& ns, QLatin1StringView name) {
    return xml.namespaceUri() == ns && xml.name() == name;
}

// The href inside the current element, which the reader leaves at its end.
QString innerHref(QXmlStreamReader& xml) {
    QString href;
    while (xml.readNextStartElement()) {
        if (is(xml, kDav, QLatin1StringView("href")) && href.isEmpty())
            href = xml.readElementText().trimmed();
        else
            xml.skipCurrentElement();
    }
    return href;
}

void readProp(QXmlStreamReader& xml, DavResponse& r) {
    while (xml.readNextStartElement()) {
        if (is(xml, kDav, QLatin1StringView("getetag"))) {
            r.etag = xml.readElementText().trimmed();
        } else if (is(xml, kDav, QLatin1StringView("displayname"))) {
            r.displayName = xml.readElementText().trimmed();
        } else if (is(xml, kDav, QLatin1StringView("resourcetype"))) {
            while (xml.readNextStartElement()) {
                if (is(xml, kDav, QLatin1StringView("collection")))
                    r.isCollection = true;
                else if (is(xml, kCardDav, QLatin1StringView("addressbook")))
                    r.isAddressBook = true;
                xml.skipCurrentElement();
            }
        } else if (is(xml, kDav, QLatin1StringView("current-user-principal"))) {
            r.principal = innerHref(xml);
        } else if (is(xml, kCardDav, QLatin1StringView("addressbook-home-set"))) {
            while (xml.readNextStartElement()) {
                if (is(xml, kDav, QLatin1StringView("href")))
                    r.homeSets.append(xml.readElementText().trimmed());
                else
                    xml.skipCurrentElement();
            }
        } else if (is(xml, kCardDav, QLatin1StringView("address-data"))) {
            r.addressData = xml.readElementText().toUtf8();
            r.hasAddressData = true;
        } else {
            xml.skipCurrentElement();
        }
    }
}

void readPropstat(QXmlStreamReader& xml, DavResponse& r) {
    DavResponse found;
    int status = 0;
    while (xml.readNextStartElement()) {
        if (is(xml, kDav, QLatin1StringView("prop")))
            readProp(xml, found);
        else if (is(xml, kDav, QLatin1StringView("status")))
            status = statusCode(xml.readElementText());
        else
            xml.skipCurrentElement();
    }
    if (status < 200 || status >= 300)
        return;
    if (!found.etag.isEmpty())
        r.etag = found.etag;
    if (!found.displayName.isEmpty())
        r.displayName = found.displayName;
    r.isCollection |= found.isCollection;
    r.isAddressBook |= found.isAddressBook;
    if (!found.principal.isEmpty())
        r.principal = found.principal;
    r.homeSets += found.homeSets;
    if (found.hasAddressData) {
        r.hasAddressData = true;
        r.addressData = found.addressData;
    }
}

} // namespace

int statusCode(QStringView line) {
    const auto parts = line.trimmed().split(u' ', Qt::SkipEmptyParts);
    if (parts.size() < 2 || !parts[0].startsWith(u"HTTP/"))
        return 0;
    bool ok = false;
    const int code = parts[1].toInt(&ok);
    return ok ? code : 0;
}

bool parseMultiStatus(const QByteArray& body, MultiStatus& out) {
    out = {};
    QXmlStreamReader xml(body);
    if (!xml.readNextStartElement() || !is(xml, kDav, QLatin1StringView("multistatus")))
        return false;
    while (xml.readNextStartElement()) {
        if (is(xml, kDav, QLatin1StringView("response"))) {
            DavResponse r;
            while (xml.readNextStartElement()) {
                if (is(xml, kDav, QLatin1StringView("href")))
                    r.href = xml.readElementText().trimmed();
                else if (is(xml, kDav, QLatin1StringView("status")))
                    r.status = statusCode(xml.readElementText());
                else if (is(xml, kDav, QLatin1StringView("propstat")))
                    readPropstat(xml, r);
                else
                    xml.skipCurrentElement();
            }
            out.responses.push_back(std::move(r));
        } else if (is(xml, kDav, QLatin1StringView("sync-token"))) {
            out.syncToken = xml.readElementText().trimmed();
        } else {
            xml.skipCurrentElement();
        }
    }
    // Whatever follows the root must still be well-formed.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError()) {
        out = {};
        return false;
    }
    return true;
}

} // namespace cardsync
