// Opening paths for reading: regular files (and block devices where asked for) are taken,
// pipes, character devices, sockets and folders are refused, and nothing waits for a writer.

#include "platform/RegularFile.h"

#include "TestSupport.h"
#include "support/Fifo.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace platform;
using testsupport::WriteFile;

using Opener = int (*)(const QString&);
const Opener kDescriptorOpens[] = {&OpenRegularFile, &OpenFileOrBlockDevice};

// Every way in: both descriptor opens and both QFile opens. -1 for a refused descriptor open,
// 0 or 1 for the QFile opens' results; a descriptor that was handed out is closed again.
std::vector<int> OpenAllWays(const QString& path)
{
    std::vector<int> results;
    for (const Opener open : kDescriptorOpens) {
        const int fd = open(path);
        results.push_back(fd < 0 ? -1 : 1);
        if (fd >= 0)
            ::close(fd);
    }
    QFile regular;
    results.push_back(OpenRegularFile(regular, path) ? 1 : 0);
    QFile orBlock;
    results.push_back(OpenFileOrBlockDevice(orBlock, path) ? 1 : 0);
    return results;
}

const std::vector<int> kRefusedEverywhere{-1, -1, 0, 0};

class RegularFileTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
};

TEST_F(RegularFileTest, RegularFilesOpenForBlockingReads)
{
    const QString path = WriteFile(dir.filePath("a.mp3"), "some bytes");
    ASSERT_FALSE(path.isEmpty());
    ASSERT_TRUE(QFile::link(path, dir.filePath("link.mp3")));
    for (const QString& name : {path, dir.filePath("link.mp3")}) {
        SCOPED_TRACE(name.toStdString());
        for (const Opener open : kDescriptorOpens) {
            const int fd = open(name);
            ASSERT_GE(fd, 0);
            EXPECT_EQ(::fcntl(fd, F_GETFL) & (O_NONBLOCK | O_ACCMODE), O_RDONLY);
            EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
            char bytes[16] = {};
            EXPECT_EQ(::read(fd, bytes, sizeof bytes), 10);
            EXPECT_STREQ(bytes, "some bytes");
            ::close(fd);
        }
    }

    QFile file;
    ASSERT_TRUE(OpenRegularFile(file, path, QIODevice::Unbuffered));
    EXPECT_EQ(file.openMode(), QIODevice::ReadOnly | QIODevice::Unbuffered);
    EXPECT_FALSE(file.isSequential());
    EXPECT_EQ(file.size(), 10);
    ASSERT_TRUE(file.seek(5));
    EXPECT_EQ(file.readAll(), "bytes");
    // An open file is not opened again: it keeps reading what it read.
    EXPECT_FALSE(OpenRegularFile(file, WriteFile(dir.filePath("b.mp3"), "other")));
    EXPECT_TRUE(file.isOpen());
    ASSERT_TRUE(file.seek(0));
    EXPECT_EQ(file.read(4), "some");
}

TEST_F(RegularFileTest, PipesAreRefusedWithoutWaiting)
{
    const QString fifo = testsupport::MakeFifo(dir.filePath("pipe.mp3"));
    ASSERT_FALSE(fifo.isEmpty());
    std::vector<int> results;
    EXPECT_TRUE(testsupport::ReturnsPromptly(fifo, [&] { results = OpenAllWays(fifo); }))
        << "an open waited for a writer";
    EXPECT_EQ(results, kRefusedEverywhere);

    // With a writer there, opening would not wait: what was opened is refused all the same.
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "data", 4), 4);
    EXPECT_TRUE(testsupport::ReturnsPromptly(fifo, [&] { results = OpenAllWays(fifo); }));
    EXPECT_EQ(results, kRefusedEverywhere);
    ::close(writer);
}

TEST_F(RegularFileTest, DevicesSocketsAndFoldersAreRefused)
{
    ASSERT_TRUE(QFile::link("/dev/zero", dir.filePath("zero.mp3")));
    const QString socketPath = dir.filePath("socket.mp3");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray socketName = QFile::encodeName(socketPath);
    ASSERT_LT(static_cast<size_t>(socketName.size()), sizeof address.sun_path);
    std::copy(socketName.begin(), socketName.end(), address.sun_path);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    for (const QString& path : {dir.filePath("zero.mp3"), QStringLiteral("/dev/null"), socketPath, dir.path(),
                                dir.filePath("missing.mp3"), QString()}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(OpenAllWays(path), kRefusedEverywhere);
    }
    ::close(listener);
}

// A block device this process may read, or empty.
QString ReadableBlockDevice()
{
    for (const QFileInfo& entry : QDir(QStringLiteral("/dev")).entryInfoList(QDir::System | QDir::Files)) {
        const QByteArray name = QFile::encodeName(entry.filePath());
        struct stat status = {};
        if (::lstat(name.constData(), &status) != 0 || !S_ISBLK(status.st_mode))
            continue;
        const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            return entry.filePath();
        }
    }
    return {};
}

TEST_F(RegularFileTest, BlockDevicesOpenOnlyWhereAskedFor)
{
    const QString device = ReadableBlockDevice();
    if (device.isEmpty())
        GTEST_SKIP() << "no block device can be read here";
    SCOPED_TRACE(device.toStdString());
    EXPECT_EQ(OpenAllWays(device), (std::vector<int>{-1, 1, 0, 1}));
    QFile file;
    ASSERT_TRUE(OpenFileOrBlockDevice(file, device, QIODevice::Unbuffered));
    EXPECT_FALSE(file.isSequential()) << "sectors are read at their offsets";
}

} // namespace
