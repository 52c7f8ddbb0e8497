#include "Platform/StackFrames.h"

#include <QFile>
#include <QHash>
#include <QJsonObject>

#include <cxxabi.h>
#include <dlfcn.h>

#include <cstdlib>

namespace Platform {

namespace {

QString hexAddress(quintptr address) {
    return QStringLiteral("0x") + QString::number(address, 16);
}

QString demangled(const char* name) {
    int status = 0;
    char* readable = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    if (status != 0 || readable == nullptr)
        return QString::fromUtf8(name);
    QString result = QString::fromUtf8(readable);
    std::free(readable);
    return result;
}

} // namespace

ModuleMap ModuleMap::parse(const QByteArray& maps) {
    ModuleMap map;
    QHash<QString, quintptr> lowest;
    for (const QByteArray& line : maps.split('\n')) {
        // start-end perms offset dev inode path
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || !fields.at(5).startsWith('/'))
            continue;
        const QList<QByteArray> range = fields.at(0).split('-');
        if (range.size() != 2)
            continue;
        bool startOk = false;
        bool endOk = false;
        const auto start = static_cast<quintptr>(range.at(0).toULongLong(&startOk, 16));
        const auto end = static_cast<quintptr>(range.at(1).toULongLong(&endOk, 16));
        if (!startOk || !endOk || end <= start)
            continue;
        // Paths with spaces are split by simplified(); put them back together.
        const QString path = QString::fromUtf8(fields.mid(5).join(' '));
        const QString key = path + QLatin1Char('\n') + QString::fromLatin1(fields.at(4));
        auto found = lowest.find(key);
        if (found == lowest.end())
            found = lowest.insert(key, start);
        else if (start < *found)
            *found = start;
        if (fields.at(1).size() >= 3 && fields.at(1).at(2) == 'x')
            map.m_modules.append(Module{path, fields.at(4), 0, start, end});
    }
    for (Module& module : map.m_modules)
        module.base = lowest.value(module.path + QLatin1Char('\n') + QString::fromLatin1(module.inode));
    return map;
}

ModuleMap ModuleMap::current() {
    QFile file(QStringLiteral("/proc/self/maps"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

const ModuleMap::Module* ModuleMap::moduleAt(quintptr address) const {
    for (const Module& module : m_modules)
        if (address >= module.start && address < module.end)
            return &module;
    return nullptr;
}

const ModuleMap::Module* ModuleMap::module(const QString& path, const QByteArray& inode) const {
    for (const Module& module : m_modules)
        if (module.path == path && module.inode == inode)
            return &module;
    return nullptr;
}

QJsonArray stackFrames(const QList<quintptr>& innermostFirst, const ModuleMap& theirs,
                       const ModuleMap& ours) {
    QJsonArray frames;
    for (auto it = innermostFirst.crbegin(); it != innermostFirst.crend(); ++it) {
        const quintptr address = *it;
        QJsonObject frame;
        frame.insert(QStringLiteral("instruction_addr"), hexAddress(address));
        if (const ModuleMap::Module* module = theirs.moduleAt(address)) {
            frame.insert(QStringLiteral("package"), module->path);
            frame.insert(QStringLiteral("image_addr"), hexAddress(module->base));
            // Where the same file lies in this process, its symbols name the function.
            const ModuleMap::Module* here = ours.module(module->path, module->inode);
            if (here != nullptr) {
                const quintptr local = here->base + (address - module->base);
                if (ours.moduleAt(local) != nullptr) {
                    Dl_info info{};
                    if (dladdr(reinterpret_cast<void*>(local), &info) != 0 && info.dli_sname != nullptr) {
                        frame.insert(QStringLiteral("function"), demangled(info.dli_sname));
                        if (info.dli_saddr != nullptr)
                            frame.insert(
                                QStringLiteral("symbol_addr"),
                                hexAddress(address - (local - reinterpret_cast<quintptr>(info.dli_saddr))));
                    }
                }
            }
        }
        frames.append(frame);
    }
    return frames;
}

} // namespace Platform
