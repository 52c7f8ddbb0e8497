#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QList>
#include <QString>

namespace Platform {

/*! The file-backed executable mappings of a process, read from the text of /proc/<pid>/maps. */
class ModuleMap {
public:
    struct Module {
        QString path;
        QByteArray inode;
        /*! Where the file's first mapping starts: the load address of the module. */
        quintptr base = 0;
        quintptr start = 0;
        quintptr end = 0;
    };

    static ModuleMap parse(const QByteArray& maps);
    /*! This process's map as it is now. */
    static ModuleMap current();

    /*! The executable mapping holding the address, or null. */
    const Module* moduleAt(quintptr address) const;
    /*! The module of a path and inode, or null. */
    const Module* module(const QString& path, const QByteArray& inode) const;
    bool isEmpty() const { return m_modules.isEmpty(); }

private:
    QList<Module> m_modules;
};

/*! Stack frames in the event form, outermost first: instruction address, module and image address,
    and the function name where this process's symbols give one. Addresses of another run are moved to
    where the same module lies in this process before they are looked up. */
QJsonArray stackFrames(const QList<quintptr>& innermostFirst, const ModuleMap& theirs, const ModuleMap& ours);

} // namespace Platform
