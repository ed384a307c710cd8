#pragma once
// A real HTTP server on 127.0.0.1 for one test: sorlin_test_httpd (support/httpd) serving the
// files of one folder, asked through the query to misbehave (see the top of TestHttpServer.cpp).
//
// Link sorlin_test_http: it brings SORLIN_TEST_HTTPD (the server's path) and builds the server
// before the test.
//
//   testsupport::HttpServer server(dir.path());
//   ASSERT_TRUE(server.Start());
//   const QUrl url(server.Url("song.mp3?drop=1000"));
//   ...
//   ASSERT_TRUE(server.WaitForRequests(1, 10000));
//   EXPECT_THAT(server.RequestLog().at(0).toStdString(), HasSubstr("\"Sorlin/"));
//
// The server is started through posix_spawn, not QProcess, for the reason in Spawn.h; it ends
// with the object, or with the test's process (its standard input is ours).

#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace testsupport {

class HttpServer
{
public:
    explicit HttpServer(QString root);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // The server's program: SORLIN_TEST_HTTPD, else sorlin_test_httpd beside the running program.
    static QString Program();

    // Starts the server and waits, at most 10 s, until it listens; false (with a warning) when
    // it does not.
    bool Start();
    int Port() const { return port; }
    pid_t Pid() const { return pid; }
    // "http://127.0.0.1:<port>/<pathAndQuery>" (one slash, whether pathAndQuery starts with one
    // or not).
    QString Url(const QString& pathAndQuery) const;

    // The lines the server logged so far, one per request: `GET /target "User-Agent" 200`
    // ("-" for a User-Agent not sent, and for the status of a request never answered).
    QStringList RequestLog() const;
    // Runs the event loop until at least `count` requests were logged, at most boundMs.
    bool WaitForRequests(int count, int boundMs = 10000) const;

    // Ends the server: closes its input and sends SIGTERM, waits at most 5 s, then kills it.
    // True when it exited by itself with status 0 (also when it had ended before).
    bool Stop();
    // Waits, at most boundMs, for the server to end by itself; true when it exited with status 0.
    bool WaitForExit(int boundMs);

private:
    void Reap(int boundMs);

    QString root;
    pid_t pid = -1;
    int pidFd = -1;
    int input = -1;  // the server's standard input (it ends at its end)
    int output = -1; // its standard output, for the PORT line
    int log = -1;    // its standard error: a file in memory, read without disturbing it
    int port = 0;
    bool reaped = false;
    int exitStatus = -1; // the wait status once reaped
    mutable qint64 logRead = 0;
    mutable QStringList logLines;
};

} // namespace testsupport
