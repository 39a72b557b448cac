// Made-up /sys and /proc trees for tests that read the machine's description:
// each file's path under a scratch root and its bytes.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>

using SystemFiles = QList<QPair<QString, QByteArray>>;

inline bool plant(const QTemporaryDir &root, const SystemFiles &files)
{
    for (const auto &[path, content] : files) {
        const QString full = root.filePath(path);
        QFile file(full);
        if (!QDir().mkpath(QFileInfo(full).path()) || !file.open(QIODevice::WriteOnly) || file.write(content) < 0)
            return false;
    }
    return true;
}
