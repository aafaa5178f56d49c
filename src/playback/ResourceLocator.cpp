#include "ResourceLocator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <sys/stat.h>

namespace klonkel {

namespace {

QString &overrideDirectory()
{
    // cppcheck-suppress unassignedVariable ; callers assign it through the returned reference
    static QString directory;
    return directory;
}

struct FoundDirectory
{
    QString path;
    bool exists = false;
};

FoundDirectory findResourceDirectory()
{
    const QString executableDir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        executableDir + QStringLiteral("/resources"),
        executableDir + QStringLiteral("/../share/klonkel/resources"),
    };
    for (const QString &candidate : candidates) {
        if (QFileInfo(candidate).isDir())
            return {QDir::cleanPath(candidate), true};
    }
    std::fprintf(stderr, "klonkel: the resources folder is missing; looked for %s and %s\n",
                 qUtf8Printable(QDir::cleanPath(candidates[0])),
                 qUtf8Printable(QDir::cleanPath(candidates[1])));
    return {QDir::cleanPath(candidates[0]), false};
}

const FoundDirectory &foundDirectory()
{
    static const FoundDirectory found = findResourceDirectory();
    return found;
}

} // namespace

QString resourceDirectory()
{
    if (!overrideDirectory().isEmpty())
        return overrideDirectory();
    return foundDirectory().path;
}

bool resourceDirectoryFound()
{
    return !overrideDirectory().isEmpty() || foundDirectory().exists;
}

void setResourceDirectory(const QString &directory)
{
    overrideDirectory() = directory;
}

QString resourcePath(std::string_view name, std::string_view extension)
{
    QString path = resourceDirectory();
    path += u'/';
    path += QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    path += u'.';
    path += QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size()));
    return path;
}

std::optional<QString> resourceLocation(std::string_view name, std::string_view extension)
{
    const QString path = resourcePath(name, extension);
    // lstat, not stat: a link to nowhere is an entry that exists and fails to open.
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return path;
}

} // namespace klonkel
