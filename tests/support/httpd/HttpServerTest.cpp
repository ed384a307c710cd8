// The test HTTP server (sorlin_test_httpd through testsupport::HttpServer), as far as the download
// tests lean on it: what it sends for each way of asking, and that it neither crashes nor stays.

#include "HttpServer.h"
#include "Spawn.h"
#include "Wait.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>

#include <gmock/gmock.h>

#include <csignal>
#include <functional>
#include <map>
#include <memory>

namespace {

using testing::HasSubstr;
using testing::StartsWith;
using testsupport::HttpServer;
using testsupport::WaitUntil;

constexpr qint64 kModified = 1614834367; // Thu, 04 Mar 2021 05:06:07 GMT
constexpr int kQuietMs = 1500;           // how long a stalled answer must stay silent

QByteArray Content()
{
    QByteArray bytes(300000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return bytes;
}

struct Answer
{
    bool finished = false;
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
    std::map<QByteArray, QByteArray> headers; // lower-case names
    bool Has(const QByteArray& name) const { return headers.count(name) != 0; }
    QByteArray Header(const QByteArray& name) const { return Has(name) ? headers.at(name) : QByteArray(); }
};

// A client on a socket of its own, for what QNetworkAccessManager hides: the bytes as they come,
// and the moment the server closes.
class RawClient
{
public:
    bool Connect(int port)
    {
        socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        return socket.waitForConnected(10000);
    }

    void Send(const QByteArray& bytes)
    {
        socket.write(bytes);
        EXPECT_TRUE(socket.waitForBytesWritten(10000));
    }

    // Takes what arrives until `enough` holds, the server closes, or boundMs pass.
    bool ReadUntil(const std::function<bool()>& enough, int boundMs)
    {
        const QDeadlineTimer deadline(boundMs);
        for (;;) {
            received += socket.readAll();
            if (enough())
                return true;
            if (socket.state() != QAbstractSocket::ConnectedState || deadline.hasExpired())
                return false;
            socket.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        }
    }

    // The answer's status line and headers, once they are in; the body read so far in `body`.
    bool ReadHead(Answer& answer, int boundMs = 10000)
    {
        if (!ReadUntil([&] { return received.contains("\r\n\r\n"); }, boundMs))
            return false;
        const qsizetype end = received.indexOf("\r\n\r\n");
        const QList<QByteArray> lines = received.left(end).split('\n');
        body = received.mid(end + 4);
        received.clear();
        const QList<QByteArray> statusLine = lines.front().trimmed().split(' ');
        answer.status = statusLine.size() >= 2 ? statusLine.at(1).toInt() : 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines.at(i).indexOf(':');
            answer.headers[lines.at(i).left(colon).trimmed().toLower()] =
                lines.at(i).mid(colon + 1).trimmed();
        }
        return true;
    }

    // Body bytes until at least `count` are in, or boundMs pass, or the server closes.
    bool ReadBody(qint64 count, int boundMs = 10000)
    {
        return ReadUntil(
            [&] {
                body += received;
                received.clear();
                return body.size() >= count;
            },
            boundMs);
    }

    // Body bytes until the server closes the connection.
    bool ReadToClose(int boundMs = 20000)
    {
        ReadBody(std::numeric_limits<qint64>::max(), boundMs);
        return socket.state() != QAbstractSocket::ConnectedState;
    }

    bool Open() const { return socket.state() == QAbstractSocket::ConnectedState; }

    QTcpSocket socket;
    QByteArray received;
    QByteArray body;
};

class HttpServerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        QFile file(root.filePath(QStringLiteral("data.bin")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(content), content.size());
        ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(kModified, Qt::UTC),
                                     QFileDevice::FileModificationTime));
        file.close();
        QFile small(root.filePath(QStringLiteral("small.txt")));
        ASSERT_TRUE(small.open(QIODevice::WriteOnly));
        ASSERT_EQ(small.write("hello"), 5);
        small.close();
        ASSERT_TRUE(server.Start());
    }

    Answer Get(const QString& pathAndQuery,
               QNetworkRequest::RedirectPolicy policy = QNetworkRequest::NoLessSafeRedirectPolicy,
               const QByteArray& userAgent = {})
    {
        QNetworkRequest request(QUrl(server.Url(pathAndQuery)));
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, policy);
        if (!userAgent.isEmpty())
            request.setHeader(QNetworkRequest::UserAgentHeader, userAgent);
        const std::unique_ptr<QNetworkReply> reply(manager.get(request));
        Answer answer;
        answer.finished = WaitUntil([&] { return reply->isFinished(); }, 20000);
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.error = reply->error();
        answer.body = reply->readAll();
        for (const auto& [name, value] : reply->rawHeaderPairs())
            answer.headers[name.toLower()] = value;
        return answer;
    }

    // One request on a connection of its own; the head read, the client kept for the rest.
    std::unique_ptr<RawClient> Request(const QByteArray& target, Answer& answer, const QByteArray& extra = {})
    {
        auto client = std::make_unique<RawClient>();
        EXPECT_TRUE(client->Connect(server.Port()));
        client->Send("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra + "\r\n");
        EXPECT_TRUE(client->ReadHead(answer)) << target.constData();
        return client;
    }

    // What the server answers to `bytes` on a connection of their own: the first line, and
    // whether it closed the connection then.
    std::pair<QByteArray, bool> Exchange(const QByteArray& bytes)
    {
        RawClient client;
        EXPECT_TRUE(client.Connect(server.Port()));
        client.Send(bytes);
        const bool closed = client.ReadToClose();
        return {client.body.left(client.body.indexOf("\r\n")), closed};
    }

    const QByteArray content = Content();
    QTemporaryDir root;
    HttpServer server{root.path()};
    QNetworkAccessManager manager;
};

TEST_F(HttpServerTest, ServesAFileWithItsLengthDateAndType)
{
    const Answer answer = Get(QStringLiteral("data.bin"));
    ASSERT_TRUE(answer.finished);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.error, QNetworkReply::NoError);
    EXPECT_EQ(answer.body, content);
    EXPECT_EQ(answer.Header("content-length"), QByteArray::number(content.size()));
    EXPECT_EQ(answer.Header("last-modified"), "Thu, 04 Mar 2021 05:06:07 GMT");
    EXPECT_EQ(answer.Header("content-type"), "application/octet-stream");

    const Answer dated = Get(QStringLiteral("data.bin?lastmod=86400"));
    EXPECT_EQ(dated.Header("last-modified"), "Fri, 02 Jan 1970 00:00:00 GMT");
    EXPECT_EQ(dated.body, content);
    const Answer undated = Get(QStringLiteral("data.bin?nolastmod=1"));
    EXPECT_EQ(undated.status, 200);
    EXPECT_FALSE(undated.Has("last-modified"));
    EXPECT_EQ(undated.body, content);

    const Answer slow = Get(QStringLiteral("data.bin?slow=2"));
    EXPECT_EQ(slow.status, 200);
    EXPECT_EQ(slow.body, content);

    const Answer missing = Get(QStringLiteral("absent.bin"));
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.body, "<html>not found</html>");
}

TEST_F(HttpServerTest, WithoutLengthTheBodyEndsWithTheConnection)
{
    Answer answer;
    const auto client = Request("/data.bin?nolength=1", answer);
    EXPECT_EQ(answer.status, 200);
    EXPECT_FALSE(answer.Has("content-length"));
    EXPECT_EQ(answer.Header("connection").toLower(), "close");
    ASSERT_TRUE(client->ReadToClose());
    EXPECT_EQ(client->body, content);
}

TEST_F(HttpServerTest, DropClosesShortOfTheAnnouncedLength)
{
    Answer answer;
    const auto client = Request("/data.bin?drop=1000", answer);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.Header("content-length"), QByteArray::number(content.size()));
    ASSERT_TRUE(client->ReadToClose());
    EXPECT_EQ(client->body, content.left(1000));

    // Qt reports the early close as an error or, when the close and the last bytes come together,
    // as an ordinary end; either way a downloader that counts the bytes sees them fall short.
    const Answer dropped = Get(QStringLiteral("data.bin?drop=1000"));
    ASSERT_TRUE(dropped.finished);
    EXPECT_EQ(dropped.Header("content-length"), QByteArray::number(content.size()));
    EXPECT_LE(dropped.body.size(), 1000);
    EXPECT_EQ(dropped.body, content.left(dropped.body.size()));
}

TEST_F(HttpServerTest, StatusQueryAnswersThatStatusWithAnHtmlBody)
{
    const Answer notFound = Get(QStringLiteral("data.bin?status=404"));
    EXPECT_EQ(notFound.status, 404);
    EXPECT_EQ(notFound.body, "<html>not found</html>");
    EXPECT_EQ(notFound.Header("content-length"), QByteArray::number(notFound.body.size()));

    const Answer unavailable = Get(QStringLiteral("data.bin?status=503"));
    EXPECT_EQ(unavailable.status, 503);
    EXPECT_THAT(unavailable.body.toStdString(), HasSubstr("503"));
    EXPECT_EQ(unavailable.Header("content-length"), QByteArray::number(unavailable.body.size()));
}

TEST_F(HttpServerTest, RedirectsResolveAndCarryTheQuery)
{
    const Answer step =
        Get(QStringLiteral("redirect/2/data.bin?lastmod=86400"), QNetworkRequest::ManualRedirectPolicy);
    EXPECT_EQ(step.status, 302);
    EXPECT_EQ(step.Header("location"), "/redirect/1/data.bin?lastmod=86400");

    const Answer followed = Get(QStringLiteral("redirect/3/data.bin?lastmod=86400"));
    ASSERT_TRUE(followed.finished);
    EXPECT_EQ(followed.status, 200);
    EXPECT_EQ(followed.body, content);
    EXPECT_EQ(followed.Header("last-modified"), "Fri, 02 Jan 1970 00:00:00 GMT");
    ASSERT_TRUE(server.WaitForRequests(5));
    const QStringList log = server.RequestLog();
    EXPECT_THAT(log.at(1).toStdString(), StartsWith("GET /redirect/3/data.bin?lastmod=86400 "));
    EXPECT_THAT(log.at(4).toStdString(), StartsWith("GET /redirect/0/data.bin?lastmod=86400 "));
    EXPECT_THAT(log.at(4).toStdString(), testing::EndsWith(" 200"));

    const Answer loop = Get(QStringLiteral("loop"), QNetworkRequest::ManualRedirectPolicy);
    EXPECT_EQ(loop.status, 302);
    EXPECT_EQ(loop.Header("location"), "/loop");

    const QString target = server.Url(QStringLiteral("small.txt"));
    const Answer absolute = Get(QStringLiteral("absredirect?to=") + QUrl::toPercentEncoding(target));
    EXPECT_EQ(absolute.status, 200);
    EXPECT_EQ(absolute.body, "hello");
}

TEST_F(HttpServerTest, StalledAnswerDeliversItsBytesThenNothing)
{
    // Without a stall, the same read finds more than the first 1000 bytes.
    Answer whole;
    const auto flowing = Request("/data.bin", whole);
    ASSERT_TRUE(flowing->ReadBody(1000));
    EXPECT_TRUE(flowing->ReadBody(1001, kQuietMs));

    Answer stalled;
    const auto client = Request("/data.bin?stall=1000", stalled);
    EXPECT_EQ(stalled.status, 200);
    EXPECT_EQ(stalled.Header("content-length"), QByteArray::number(content.size()));
    ASSERT_TRUE(client->ReadBody(1000));
    EXPECT_FALSE(client->ReadBody(1001, kQuietMs));
    EXPECT_EQ(client->body, content.left(1000));
    EXPECT_TRUE(client->Open());

    RawClient silent;
    ASSERT_TRUE(silent.Connect(server.Port()));
    silent.Send("GET /data.bin?stallhead=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_FALSE(silent.ReadUntil([&] { return !silent.received.isEmpty(); }, kQuietMs));
    EXPECT_TRUE(silent.Open());

    // The server's end ends them.
    EXPECT_TRUE(server.Stop());
    EXPECT_TRUE(client->ReadToClose(10000));
    EXPECT_TRUE(silent.ReadToClose(10000));
    EXPECT_TRUE(silent.received.isEmpty());
}

TEST_F(HttpServerTest, KeepAliveServesSeveralRequestsOnOneConnection)
{
    RawClient client;
    ASSERT_TRUE(client.Connect(server.Port()));
    const QByteArray request = "GET /small.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    client.Send(request + request);
    for (int i = 0; i < 2; ++i) {
        Answer answer;
        ASSERT_TRUE(client.ReadHead(answer));
        EXPECT_EQ(answer.status, 200);
        client.received = client.body; // what came after the head, the next answer's start included
        client.body.clear();
        ASSERT_TRUE(client.ReadUntil([&] { return client.received.size() >= 5; }, 10000));
        EXPECT_EQ(client.received.left(5), "hello");
        client.received.remove(0, 5);
    }
    EXPECT_TRUE(client.Open());

    client.Send("GET /small.txt HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    Answer last;
    ASSERT_TRUE(client.ReadHead(last));
    EXPECT_EQ(last.Header("connection").toLower(), "close");
    ASSERT_TRUE(client.ReadToClose());
    EXPECT_EQ(client.body, "hello");
}

TEST_F(HttpServerTest, GarbageGetsBadRequestAndTheServerGoesOn)
{
    EXPECT_EQ(Exchange(QByteArray("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11)),
              std::make_pair(QByteArray("HTTP/1.1 400 Bad Request"), true));
    EXPECT_EQ(Exchange("NOT HTTP AT ALL\r\n\r\n"),
              std::make_pair(QByteArray("HTTP/1.1 400 Bad Request"), true));
    EXPECT_EQ(Exchange("GET /small.txt HTTP/1.1\r\nno colon here\r\n\r\n"),
              std::make_pair(QByteArray("HTTP/1.1 400 Bad Request"), true));
    EXPECT_EQ(Exchange("GET /small.txt HTTP/1.1\r\nContent-Length: -5\r\n\r\n"),
              std::make_pair(QByteArray("HTTP/1.1 400 Bad Request"), true));
    EXPECT_EQ(Exchange("GET /small.txt?drop=x HTTP/1.1\r\n\r\n"),
              std::make_pair(QByteArray("HTTP/1.1 400 Bad Request"), true));
    EXPECT_EQ(Exchange("POST /small.txt HTTP/1.1\r\nContent-Length: 3\r\nConnection: close\r\n\r\nabc").first,
              "HTTP/1.1 405 Method Not Allowed");
    EXPECT_EQ(Exchange("GET /../etc/passwd HTTP/1.1\r\nConnection: close\r\n\r\n").first,
              "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(Exchange("GET /%2e%2e/etc/passwd HTTP/1.1\r\nConnection: close\r\n\r\n").first,
              "HTTP/1.1 403 Forbidden");

    const Answer after = Get(QStringLiteral("small.txt"));
    EXPECT_EQ(after.status, 200);
    EXPECT_EQ(after.body, "hello");
}

TEST_F(HttpServerTest, LogCarriesMethodTargetUserAgentAndStatus)
{
    EXPECT_EQ(Get(QStringLiteral("small.txt?x=1"), QNetworkRequest::NoLessSafeRedirectPolicy,
                  "SorlinTest/1.0 (probe)")
                  .status,
              200);
    EXPECT_EQ(Get(QStringLiteral("absent.bin")).status, 404);
    ASSERT_TRUE(server.WaitForRequests(2));
    const QStringList log = server.RequestLog();
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log.at(0), QStringLiteral("GET /small.txt?x=1 \"SorlinTest/1.0 (probe)\" 200"));
    EXPECT_THAT(log.at(1).toStdString(), StartsWith("GET /absent.bin \""));
    EXPECT_THAT(log.at(1).toStdString(), testing::EndsWith("\" 404"));
}

TEST_F(HttpServerTest, EndsOnTerminationAndAtTheEndOfItsInput)
{
    ASSERT_GT(server.Pid(), 0);
    ASSERT_EQ(::kill(server.Pid(), SIGTERM), 0);
    EXPECT_TRUE(server.WaitForExit(10000));

    // Its input at an end from the start (/dev/null): it listens, says where, and ends.
    testsupport::SpawnOptions options;
    options.mergeErrors = false;
    options.timeoutMs = 10000;
    const testsupport::Spawned run =
        testsupport::Spawn(HttpServer::Program(), {"--root", root.path()}, options);
    EXPECT_TRUE(run.Succeeded()) << run.errors.constData();
    EXPECT_THAT(run.output.toStdString(), testing::MatchesRegex("PORT [0-9]+\n"));
}

} // namespace
