#include "fsprobe.h"

#include <QFile>

#include <new>

FsProbe::FsProbe() {
    m_previous = fsys::setObserver(this);
}

FsProbe::~FsProbe() {
    fsys::setObserver(m_previous);
}

void FsProbe::failCall(fsys::Call call, int nth, int error, const QString& path) {
    m_rules.append({call, path, nth, error});
}

QList<FsProbe::Event> FsProbe::events() const {
    return m_events;
}

int FsProbe::count(fsys::Call call) const {
    const auto it = m_counts.find(call);
    return it == m_counts.end() ? 0 : it->second;
}

int FsProbe::injected() const {
    return m_injected;
}

void FsProbe::clear() {
    m_events.clear();
    m_counts.clear();
    m_rules.clear();
}

QString FsProbe::pathOf(const fsys::CallInfo& info) const {
    if (info.fd < 0)
        return QFile::decodeName(info.path);
    const auto it = m_handles.find(info.fd);
    return it == m_handles.end() ? QStringLiteral("<fd %1>").arg(info.fd) : it->second;
}

int FsProbe::before(const fsys::CallInfo& info) {
    ++m_counts[info.call];
    const QString path = pathOf(info);
    int error = 0;
    for (Rule& r : m_rules)
        if (r.call == info.call && (r.path.isEmpty() || r.path == path) && ++r.seen == r.nth)
            error = r.error;
    m_injecting = error != 0;
    if (error != 0)
        ++m_injected;
    if (error < 0)
        m_events.append({info.call, path, {}, -1, 0, true});
    if (info.call == fsys::Call::Close) { // its number may be reused once it is closed
        m_closing[info.fd] = path;
        m_handles.erase(info.fd);
    }
    if (error < 0)
        throw std::bad_alloc();
    return error;
}

void FsProbe::after(const fsys::CallInfo& info, qint64 result, int error) {
    QString path;
    if (info.call == fsys::Call::Close) {
        path = m_closing[info.fd];
        m_closing.erase(info.fd);
    } else {
        path = pathOf(info);
    }
    m_events.append({info.call, path, QFile::decodeName(info.target), result, error, m_injecting});
    m_injecting = false;
    if (info.call == fsys::Call::Open && result >= 0)
        m_handles[static_cast<int>(result)] = QFile::decodeName(info.path);
}

const char* callName(fsys::Call call) {
    switch (call) {
    case fsys::Call::Open:
        return "open";
    case fsys::Call::Stat:
        return "fstat";
    case fsys::Call::LinkStat:
        return "lstat";
    case fsys::Call::ResolveLink:
        return "resolve link";
    case fsys::Call::GetFlags:
        return "fcntl get";
    case fsys::Call::SetFlags:
        return "fcntl set";
    case fsys::Call::Read:
        return "pread";
    case fsys::Call::Write:
        return "pwrite";
    case fsys::Call::CopyRange:
        return "copy_file_range";
    case fsys::Call::Truncate:
        return "ftruncate";
    case fsys::Call::DataSync:
        return "fdatasync";
    case fsys::Call::Sync:
        return "fsync";
    case fsys::Call::Close:
        return "close";
    case fsys::Call::Rename:
        return "rename";
    case fsys::Call::Unlink:
        return "unlink";
    case fsys::Call::Chmod:
        return "fchmod";
    case fsys::Call::MakeFolder:
        return "mkdir";
    }
    return "?";
}
