#pragma once

#include <QString>

#include <optional>
#include <string_view>

namespace klonkel {

// The folder that holds the clips and pictures: "resources" beside the executable (the build
// tree), else "../share/klonkel/resources" relative to it (an installed copy). Found once.
QString resourceDirectory();

// False when neither place holds the folder (one message on standard error has said so).
bool resourceDirectoryFound();

// Used by tools that take a resource folder argument, and by tests.
void setResourceDirectory(const QString &directory);

// "<folder>/<name>.<extension>", whether or not it exists.
QString resourcePath(std::string_view name, std::string_view extension);

// "<folder>/<name>.<extension>" when something of that name exists there (even a broken link
// or a folder, which then fail to open), or nothing when there is no such entry at all.
std::optional<QString> resourceLocation(std::string_view name, std::string_view extension);

} // namespace klonkel
