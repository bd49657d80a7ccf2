#pragma once
#include <QIODevice>
#include <QString>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace mizel {

// The new contents of a file, written beside it (unnamed where the file system
// allows, else under a short temporary name) and put in its place by commit()
// only when every byte is on the disk; until then, and whenever anything
// fails, the earlier file stays as it was. The replacement keeps the earlier
// file's mode and, where we may set them, its owner and group. A FIFO or
// device chosen as the target is written directly.
class FileReplacement : public QIODevice
{
public:
    explicit FileReplacement(const QString &fileName);
    ~FileReplacement() override;

    // Only WriteOnly; writes go straight to the file, unbuffered.
    bool open(OpenMode mode) override;
    // Syncs and puts the new contents in place; false if that or any write failed.
    bool commit();

protected:
    qint64 readData(char *data, qint64 maxLength) override;
    qint64 writeData(const char *data, qint64 length) override;

private:
    bool fail();
    bool findTarget();
    bool openTarget();
    bool createTemporary();
    void discard();

    std::string path;
    int folder = -1;
    std::string name;
    std::optional<struct stat> earlier;
    int fd = -1;
    bool inPlace = false;
    std::string temporaryName; // empty while the new file is unnamed
    qint64 written = 0;
    qint64 writebackStart = 0;
    bool failed = false;
};

} // namespace mizel
