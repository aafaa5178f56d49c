#pragma once

#include <QString>

#include <optional>
#include <sys/types.h>
#include <time.h>

namespace klonkel {

// Tells whether a file is still the one that was read: same file, size and times.
struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{};
    timespec changed{};

    // Nothing when the file cannot be looked at.
    static std::optional<FileStamp> of(const QString &path);
    bool operator==(const FileStamp &other) const;
};

} // namespace klonkel
