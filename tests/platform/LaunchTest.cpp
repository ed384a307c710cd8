#include "platform/Launch.h"

#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using platform::IsProgramFile;
using platform::Launch;
using testsupport::ReadFile;
using testsupport::WaitUntil;
using testsupport::WriteFile;

constexpr auto kExecutable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr auto kNotExecutable = QFile::ReadOwner | QFile::WriteOwner;

class LaunchTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString MakeFile(const QString& name, const QByteArray& bytes, QFile::Permissions permissions)
    {
        const QString path = WriteFile(dir.filePath(name), bytes);
        EXPECT_TRUE(QFile::setPermissions(path, permissions));
        return path;
    }

    // Waits until `path` exists; the scripts here create their results by renaming.
    QByteArray WaitForFile(const QString& path)
    {
        EXPECT_TRUE(WaitUntil([&] { return QFile::exists(path); }, 10000)) << path.toStdString();
        return ReadFile(path);
    }

    QTemporaryDir dir;
};

TEST_F(LaunchTest, ProgramFilesAreExecutableWithAProgramHeader)
{
    QFile::copy(QStringLiteral("/bin/true"), dir.filePath("elf"));
    QFile::setPermissions(dir.filePath("elf"), kExecutable);
    QFile::copy(QStringLiteral("/bin/true"), dir.filePath("elf-not-executable"));
    QFile::setPermissions(dir.filePath("elf-not-executable"), kNotExecutable);
    const struct
    {
        QString path;
        bool isProgram;
    } cases[] = {
        {MakeFile("script.sh", "#!/bin/sh\nexit 0\n", kExecutable), true},
        {dir.filePath("elf"), true},
        {MakeFile("plain.sh", "#!/bin/sh\nexit 0\n", kNotExecutable), false},
        {dir.filePath("elf-not-executable"), false},
        {MakeFile("text.txt", "echo hello\n", kExecutable), false},
        {MakeFile("tiny", "#", kExecutable), false},
        {MakeFile("empty", "", kExecutable), false},
        {dir.path(), false}, // a folder has an execute bit too
        {dir.filePath("absent"), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProgramFile(c.path), c.isProgram) << c.path.toStdString();
}

TEST_F(LaunchTest, AProgramStartsInItsOwnFolderWithItsArguments)
{
    QDir().mkpath(dir.filePath("my programs"));
    const QString result = dir.filePath("result");
    const QString script = MakeFile("my programs/run.sh",
                                    "#!/bin/sh\n"
                                    "printf '%s\\n' \"$(pwd -P)\" \"$@\" > \"$0.tmp\"\n"
                                    "mv \"$0.tmp\" '" +
                                        result.toUtf8() + "'\n",
                                    kExecutable);
    ASSERT_TRUE(Launch(script, {QStringLiteral("two words"), QStringLiteral("日本")}));
    const QString folder = QDir(dir.filePath("my programs")).canonicalPath();
    EXPECT_EQ(QString::fromUtf8(WaitForFile(result)), folder + QStringLiteral("\ntwo words\n日本\n"));
}

// A stand-in xdg-open first in PATH notes what it was asked to open.
class DocumentLaunchTest : public LaunchTest
{
protected:
    void SetUp() override
    {
        LaunchTest::SetUp();
        QDir().mkpath(dir.filePath("bin"));
        opened = dir.filePath("opened");
        MakeFile("bin/xdg-open",
                 "#!/bin/sh\nprintf '%s|' \"$@\" > '" + opened.toUtf8() + ".tmp'\nmv '" + opened.toUtf8() +
                     ".tmp' '" + opened.toUtf8() + "'\n",
                 kExecutable);
        savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.filePath("bin")) + ':' + savedPath);
    }
    void TearDown() override { qputenv("PATH", savedPath); }

    QString opened;
    QByteArray savedPath;
};

TEST_F(DocumentLaunchTest, ADocumentOpensWithXdgOpen)
{
    const QString document = MakeFile(QStringLiteral("my song ♪.mp3"), "ID3", kNotExecutable);
    ASSERT_TRUE(Launch(document));
    EXPECT_EQ(QString::fromUtf8(WaitForFile(opened)), document + u'|');
}

TEST_F(DocumentLaunchTest, AScriptWithoutExecuteBitIsADocument)
{
    const QString ran = dir.filePath("ran");
    const QString script = MakeFile("notes.sh", "#!/bin/sh\ntouch '" + ran.toUtf8() + "'\n", kNotExecutable);
    ASSERT_TRUE(Launch(script, {QStringLiteral("ignored")}));
    EXPECT_EQ(QString::fromUtf8(WaitForFile(opened)), script + u'|');
    EXPECT_FALSE(QFile::exists(ran));
}

} // namespace
