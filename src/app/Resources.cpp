#include "Resources.h"

#include "ResourceLocator.h"

#include <QFileInfo>

#include <cstdio>

QUrl Resources::image(const QString &name) const
{
    const QString path = klonkel::resourcePath(name.toStdString(), "png");
    if (QFileInfo(path).isFile())
        return QUrl::fromLocalFile(path);
    // A missing folder has been reported already; one message says it all.
    if (klonkel::resourceDirectoryFound())
        std::fprintf(stderr, "klonkel: picture \"%s\" is missing; looked for %s\n",
                     qUtf8Printable(name), qUtf8Printable(path));
    return {};
}
