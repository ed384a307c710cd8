// sorlin_test_httpd: a small HTTP/1.1 server on 127.0.0.1 for the download tests, the end-to-end
// runs and the benchmarks. It serves the files of one folder and misbehaves when asked to.
//
//   sorlin_test_httpd --root DIR [--port N] [--ignore-stdin]
//
// Prints "PORT <n>" on standard output once it listens (port 0, the default, lets the system
// choose), and ends cleanly on SIGTERM, SIGINT or SIGHUP, and when its standard input ends (a test
// that dies takes its server with it); --ignore-stdin keeps it running on a closed input, for
// scripts that start it in the background. Each request gives one line on standard error:
//
//   GET /name?query "User-Agent value" 200
//
// ("-" for a User-Agent not sent; "-" for the status of a request never answered; "- -" for the
// method and target of a request that could not be read). Only GET is served (anything else: 405).
//
//   /<name>                  the file DIR/<name>: Content-Length, Last-Modified (its mtime),
//                            Content-Type application/octet-stream; 404 when missing, 403 for
//                            a path leaving DIR
//   ?nolength=1              no Content-Length: the body ends with the connection
//   ?endless=1               no Content-Length, and the file sent again and again until the
//                            client closes the connection
//   ?nolastmod=1             no Last-Modified
//   ?lastmod=<unix seconds>  this Last-Modified instead of the mtime
//   ?drop=<n>                the full Content-Length, then the connection closes after n bytes
//   ?slow=<ms>               a pause of ms between pieces of 64 KiB
//   ?stall=<n>               the headers and n bytes, then nothing with the connection kept open
//   ?stallhead=1             no answer at all, the connection kept open
//   ?status=<code>           that status with a small HTML body
//   /redirect/<n>/<name>     302 to /redirect/<n-1>/<name>; /redirect/0/<name> serves /<name>
//                            (the query goes along)
//   /loop                    302 to /loop
//   /absredirect?to=<url>    302 to the (percent-encoded) absolute URL
//
// Plain C++ and POSIX, one thread per connection; the bodies go out through sendfile(2).

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/sendfile.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr size_t kMaxHead = 64 * 1024;          // request line and headers
constexpr size_t kMaxRequestLine = 16 * 1024;   // garbage is told apart before the head's end
constexpr size_t kSendBlock = 16 * 1024 * 1024; // one sendfile call at full speed
constexpr size_t kSlowPiece = 64 * 1024;        // one piece of a slow body
constexpr int kLingerMs = 2000;                 // reading what the client still sends, at a close

// What every connection's thread shares with the main thread.
struct Shared
{
    std::string root;
    int stopRead = -1; // readable once the server ends: every wait of a connection includes it
    int stopWrite = -1;
    std::mutex mutex;
    std::condition_variable ended;
    std::set<int> sockets; // the connections' sockets, for shutdown(2) when the server ends
    int threads = 0;
    bool stopping = false;
};

Shared shared;

// ---- small helpers -------------------------------------------------------------------------

void WriteLog(const std::string& line)
{
    // One write per line: lines of several threads never interleave.
    const std::string text = line + '\n';
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        done += static_cast<size_t>(written);
    }
}

// Printable ASCII as is, anything else (and quotes and backslashes) as \xHH.
std::string Escaped(std::string_view text, size_t limit = 1024)
{
    std::string result;
    for (const char c : text.substr(0, limit)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && c != '"' && c != '\\') {
            result += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", byte);
            result += hex;
        }
    }
    if (text.size() > limit)
        result += "...";
    return result;
}

std::string Lower(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool IsTokenChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), IsTokenChar);
}

bool IsVisible(std::string_view text)
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c > 0x20 && c < 0x7f; });
}

std::optional<int64_t> ParseInteger(std::string_view text, bool allowNegative)
{
    if (text.empty() || (!allowNegative && text.front() == '-'))
        return std::nullopt;
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// %XX decoded; nullopt for a broken escape.
std::optional<std::string> PercentDecoded(std::string_view text)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        int value = 0;
        const auto [end, error] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
        if (error != std::errc() || end != text.data() + i + 3)
            return std::nullopt;
        result += static_cast<char>(value);
        i += 2;
    }
    return result;
}

// RFC 7231 IMF-fixdate, "Sun, 06 Nov 1994 08:49:37 GMT"; nullopt for a time gmtime cannot show.
std::optional<std::string> HttpDate(int64_t seconds)
{
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const auto time = static_cast<time_t>(seconds);
    tm parts{};
    if (static_cast<int64_t>(time) != seconds || !::gmtime_r(&time, &parts) || parts.tm_year + 1900 > 9999 ||
        parts.tm_year + 1900 < 0)
        return std::nullopt;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[parts.tm_wday],
                  parts.tm_mday, kMonths[parts.tm_mon], parts.tm_year + 1900, parts.tm_hour, parts.tm_min,
                  parts.tm_sec);
    return std::string(text);
}

std::string ReasonPhrase(int status)
{
    static const std::map<int, const char*> kPhrases{
        {200, "OK"},
        {201, "Created"},
        {202, "Accepted"},
        {204, "No Content"},
        {206, "Partial Content"},
        {301, "Moved Permanently"},
        {302, "Found"},
        {303, "See Other"},
        {304, "Not Modified"},
        {307, "Temporary Redirect"},
        {308, "Permanent Redirect"},
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {403, "Forbidden"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {408, "Request Timeout"},
        {410, "Gone"},
        {416, "Range Not Satisfiable"},
        {429, "Too Many Requests"},
        {500, "Internal Server Error"},
        {501, "Not Implemented"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
        {504, "Gateway Timeout"},
    };
    const auto found = kPhrases.find(status);
    return found != kPhrases.end() ? found->second : "Status";
}

enum class Wait
{
    Ready,
    Timeout,
    Stopped,
    Failed
};

// Waits for `fd` to become readable, for the server's end, or for `timeoutMs` (-1: no bound).
Wait WaitReadable(int fd, int timeoutMs)
{
    pollfd fds[2] = {{fd, POLLIN, 0}, {shared.stopRead, POLLIN, 0}};
    const int count = fd >= 0 ? 2 : 1;
    pollfd* first = fd >= 0 ? fds : fds + 1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int left = timeoutMs;
        if (timeoutMs >= 0) {
            const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            left = static_cast<int>(std::max<int64_t>(0, remaining.count()));
        }
        const int ready = ::poll(first, static_cast<nfds_t>(count), left);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return Wait::Failed;
        if (fds[1].revents)
            return Wait::Stopped;
        if (ready == 0)
            return Wait::Timeout;
        return Wait::Ready;
    }
}

bool SendAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

// ---- one request -----------------------------------------------------------------------------

struct Request
{
    std::string method;
    std::string target;
    std::string version;
    std::map<std::string, std::string> headers; // lower-case names
    std::string Header(const std::string& name) const
    {
        const auto found = headers.find(name);
        return found != headers.end() ? found->second : std::string();
    }
    bool HasHeader(const std::string& name) const { return headers.count(name) != 0; }
};

bool HasConnectionToken(const Request& request, std::string_view token)
{
    const std::string value = Lower(request.Header("connection"));
    size_t start = 0;
    while (start <= value.size()) {
        const size_t comma = std::min(value.find(',', start), value.size());
        if (Trimmed(std::string_view(value).substr(start, comma - start)) == token)
            return true;
        start = comma + 1;
    }
    return false;
}

// The head's lines (CRLF or a bare LF); false for a head that is no HTTP/1.x request.
bool ParseHead(std::string_view head, Request& request)
{
    std::vector<std::string_view> lines;
    while (!head.empty()) {
        const size_t end = head.find('\n');
        std::string_view line = head.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        head.remove_prefix(end + 1);
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    if (lines.empty())
        return false;

    const std::string_view first = lines.front();
    const size_t space1 = first.find(' ');
    const size_t space2 = space1 == std::string_view::npos ? space1 : first.find(' ', space1 + 1);
    if (space2 == std::string_view::npos || first.find(' ', space2 + 1) != std::string_view::npos)
        return false;
    request.method = first.substr(0, space1);
    request.target = first.substr(space1 + 1, space2 - space1 - 1);
    request.version = first.substr(space2 + 1);
    if (!IsToken(request.method) || !IsVisible(request.target) || request.target.front() != '/' ||
        (request.version != "HTTP/1.1" && request.version != "HTTP/1.0"))
        return false;

    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos || !IsToken(line.substr(0, colon)))
            return false;
        const std::string_view value = Trimmed(line.substr(colon + 1));
        if (std::any_of(value.begin(), value.end(), [](char c) {
                const auto byte = static_cast<unsigned char>(c);
                return (byte < 0x20 && c != '\t') || byte == 0x7f;
            }))
            return false;
        std::string& stored = request.headers[Lower(line.substr(0, colon))];
        stored = stored.empty() ? std::string(value) : stored + ", " + std::string(value);
    }
    return true;
}

struct Query
{
    std::string raw; // as received, without the '?'
    std::map<std::string, std::string> values;
    bool Has(const std::string& name) const { return values.count(name) != 0; }
    std::string Value(const std::string& name) const
    {
        const auto found = values.find(name);
        return found != values.end() ? found->second : std::string();
    }
};

std::optional<Query> ParseQuery(std::string_view raw)
{
    Query query;
    query.raw = raw;
    while (!raw.empty()) {
        const size_t amp = raw.find('&');
        const std::string_view pair = raw.substr(0, amp);
        if (!pair.empty()) {
            const size_t equals = pair.find('=');
            const auto name = PercentDecoded(pair.substr(0, equals));
            const auto value = PercentDecoded(equals == std::string_view::npos ? std::string_view()
                                                                               : pair.substr(equals + 1));
            if (!name || !value)
                return std::nullopt;
            query.values[*name] = *value;
        }
        if (amp == std::string_view::npos)
            break;
        raw.remove_prefix(amp + 1);
    }
    return query;
}

// What the query asks of a file's answer.
struct Behaviour
{
    bool noLength = false;
    bool noLastModified = false;
    std::optional<int64_t> lastModified;
    std::optional<uint64_t> drop;
    int slowMs = 0;
    std::optional<uint64_t> stall;
    bool stallHead = false;
    bool endless = false;
    int status = 200;
};

// nullopt for a value that is no number, or out of its range.
std::optional<Behaviour> ParseBehaviour(const Query& query)
{
    Behaviour behaviour;
    const auto flag = [&](const char* name, bool& target) {
        if (!query.Has(name))
            return true;
        const auto value = ParseInteger(query.Value(name), false);
        target = value && *value != 0;
        return value.has_value();
    };
    const auto number = [&](const char* name, int64_t low,
                            int64_t high) -> std::optional<std::optional<int64_t>> {
        if (!query.Has(name))
            return std::optional<int64_t>();
        const auto value = ParseInteger(query.Value(name), low < 0);
        if (!value || *value < low || *value > high)
            return std::nullopt;
        return std::optional<int64_t>(*value);
    };
    if (!flag("nolength", behaviour.noLength) || !flag("nolastmod", behaviour.noLastModified) ||
        !flag("stallhead", behaviour.stallHead) || !flag("endless", behaviour.endless))
        return std::nullopt;
    behaviour.noLength = behaviour.noLength || behaviour.endless;
    const auto lastModified = number("lastmod", INT64_MIN / 2, INT64_MAX / 2);
    const auto drop = number("drop", 0, INT64_MAX);
    const auto slow = number("slow", 0, 3600 * 1000);
    const auto stall = number("stall", 0, INT64_MAX);
    const auto status = number("status", 200, 599);
    if (!lastModified || !drop || !slow || !stall || !status)
        return std::nullopt;
    behaviour.lastModified = *lastModified;
    if (*drop)
        behaviour.drop = static_cast<uint64_t>(**drop);
    behaviour.slowMs = static_cast<int>(slow->value_or(0));
    if (*stall)
        behaviour.stall = static_cast<uint64_t>(**stall);
    behaviour.status = static_cast<int>(status->value_or(200));
    if (behaviour.lastModified && !HttpDate(*behaviour.lastModified))
        return std::nullopt;
    return behaviour;
}

// ---- one connection --------------------------------------------------------------------------

class Connection
{
public:
    explicit Connection(int socket) : fd(socket) {}

    void Run()
    {
        for (;;) {
            Request request;
            const Read read = ReadRequest(request);
            if (read == Read::Closed)
                return;
            if (read == Read::Bad) {
                Log(request, 400);
                SendStatus(request, 400, false);
                return;
            }
            if (!Answer(request))
                return;
        }
    }

    // Sends FIN after what was written, then reads (bounded) until the client closes: a close
    // with unread input would reset the connection and could discard the tail of the answer.
    void LingeringClose()
    {
        ::shutdown(fd, SHUT_WR);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLingerMs);
        char scratch[16384];
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || WaitReadable(fd, static_cast<int>(left.count())) != Wait::Ready)
                return;
            const ssize_t got = ::recv(fd, scratch, sizeof scratch, 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return;
        }
    }

private:
    enum class Read
    {
        Request,
        Closed,
        Bad
    };

    // Reads one request's head (and drops a body it announces).
    Read ReadRequest(Request& request)
    {
        for (;;) {
            // Empty lines before a request are allowed.
            const size_t start = buffer.find_first_not_of("\r\n");
            buffer.erase(0, start == std::string::npos ? buffer.size() : start);
            const size_t end = HeadEnd();
            if (end != std::string::npos) {
                const std::string head = buffer.substr(0, end);
                buffer.erase(0, end);
                // A body is framed by a plain Content-Length or not at all.
                if (end > kMaxHead || !ParseHead(head, request) || request.HasHeader("transfer-encoding") ||
                    (request.HasHeader("content-length") &&
                     !ParseInteger(request.Header("content-length"), false)))
                    return Read::Bad;
                return DropBody(request) ? Read::Request : Read::Closed;
            }
            if (buffer.size() > kMaxHead || !PlausibleRequestLine())
                return Read::Bad;
            char chunk[16384];
            const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                // A client that stops sending in the middle of a request still gets an answer.
                return buffer.empty() || got < 0 ? Read::Closed : Read::Bad;
            buffer.append(chunk, static_cast<size_t>(got));
        }
    }

    // The offset just past the empty line ending the head in `buffer`, or npos.
    size_t HeadEnd() const
    {
        for (size_t i = buffer.find('\n'); i != std::string::npos; i = buffer.find('\n', i + 1)) {
            if (i + 1 < buffer.size() && buffer[i + 1] == '\n')
                return i + 2;
            if (i + 2 < buffer.size() && buffer[i + 1] == '\r' && buffer[i + 2] == '\n')
                return i + 3;
        }
        return std::string::npos;
    }

    // Whether the bytes so far can still start a request line: binary garbage gets its 400
    // without waiting for an end of head that never comes.
    bool PlausibleRequestLine() const
    {
        const size_t lineEnd = buffer.find('\n');
        const std::string_view line = std::string_view(buffer).substr(0, lineEnd);
        if (lineEnd == std::string::npos && line.size() > kMaxRequestLine)
            return false;
        for (size_t i = 0; i < line.size(); ++i) {
            const auto byte = static_cast<unsigned char>(line[i]);
            if ((byte < 0x20 && !(byte == '\r' && i + 1 == line.size())) || byte >= 0x7f)
                return false;
        }
        return true;
    }

    bool DropBody(const Request& request)
    {
        if (!request.HasHeader("content-length"))
            return true;
        auto left = static_cast<uint64_t>(ParseInteger(request.Header("content-length"), false).value_or(0));
        const size_t buffered = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
        buffer.erase(0, buffered);
        left -= buffered;
        char chunk[65536];
        while (left > 0) {
            const ssize_t got =
                ::recv(fd, chunk, static_cast<size_t>(std::min<uint64_t>(left, sizeof chunk)), 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            left -= static_cast<uint64_t>(got);
        }
        return true;
    }

    void Log(const Request& request, int status)
    {
        const std::string method = request.method.empty() ? "-" : Escaped(request.method, 64);
        const std::string target = request.target.empty() ? "-" : Escaped(request.target);
        const std::string agent =
            request.HasHeader("user-agent") ? Escaped(request.Header("user-agent")) : "-";
        WriteLog(method + ' ' + target + " \"" + agent + "\" " + (status > 0 ? std::to_string(status) : "-"));
    }

    // Whether the client may send another request on this connection.
    bool KeepAlive(const Request& request) const
    {
        if (HasConnectionToken(request, "close"))
            return false;
        return request.version == "HTTP/1.1" || HasConnectionToken(request, "keep-alive");
    }

    std::string StatusLine(int status) const
    {
        std::string line = "HTTP/1.1 " + std::to_string(status) + ' ' + ReasonPhrase(status) + "\r\n";
        const auto now = HttpDate(static_cast<int64_t>(::time(nullptr)));
        line +=
            "Date: " + now.value_or("Thu, 01 Jan 1970 00:00:00 GMT") + "\r\nServer: sorlin-test-httpd\r\n";
        return line;
    }

    std::string ConnectionHeader(const Request& request, bool keepAlive) const
    {
        if (!keepAlive)
            return "Connection: close\r\n";
        return request.version == "HTTP/1.0" ? "Connection: keep-alive\r\n" : "";
    }

    // A status with a small HTML body; returns whether the connection stays.
    bool SendStatus(const Request& request, int status, bool keepAlive, const std::string& extraHeaders = {})
    {
        const bool bodyless = status == 204 || status == 304;
        const std::string body =
            status == 404 ? "<html>not found</html>"
                          : "<html>" + std::to_string(status) + ' ' + ReasonPhrase(status) + "</html>";
        std::string answer = StatusLine(status) + extraHeaders + ConnectionHeader(request, keepAlive);
        if (!bodyless)
            answer += "Content-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
        answer += "\r\n";
        if (!bodyless && request.method != "HEAD") // an answer to HEAD has no body, whatever it says
            answer += body;
        return SendAll(fd, answer) && keepAlive;
    }

    bool Redirect(const Request& request, const std::string& location)
    {
        Log(request, 302);
        return SendStatus(request, 302, KeepAlive(request), "Location: " + location + "\r\n");
    }

    // Answers one request; returns whether the connection stays for another.
    bool Answer(const Request& request)
    {
        if (request.method != "GET") {
            Log(request, 405);
            return SendStatus(request, 405, KeepAlive(request), "Allow: GET\r\n");
        }
        const size_t mark = request.target.find('?');
        std::string rawPath = request.target.substr(0, mark);
        const auto query =
            ParseQuery(mark == std::string::npos ? std::string_view()
                                                 : std::string_view(request.target).substr(mark + 1));
        if (!query || !PercentDecoded(rawPath)) {
            Log(request, 400);
            return SendStatus(request, 400, false);
        }

        if (rawPath == "/loop")
            return Redirect(request, "/loop");
        if (rawPath == "/absredirect") {
            const std::string to = query->Value("to");
            if (!IsVisible(to)) {
                Log(request, 400);
                return SendStatus(request, 400, false);
            }
            return Redirect(request, to);
        }
        if (rawPath.rfind("/redirect/", 0) == 0) {
            const std::string_view rest = std::string_view(rawPath).substr(std::strlen("/redirect/"));
            const size_t slash = rest.find('/');
            const auto count =
                slash == std::string_view::npos ? std::nullopt : ParseInteger(rest.substr(0, slash), false);
            if (count && slash + 1 < rest.size()) {
                const std::string name(rest.substr(slash + 1));
                if (*count > 0)
                    return Redirect(request, "/redirect/" + std::to_string(*count - 1) + '/' + name +
                                                 (query->raw.empty() ? "" : '?' + query->raw));
                rawPath = '/' + name;
            }
        }
        return ServeFile(request, *PercentDecoded(rawPath), *query);
    }

    bool ServeFile(const Request& request, const std::string& path, const Query& query)
    {
        // The path stays below the root: no ".." step, no "//" that reads as an absolute path.
        bool escapes = path.rfind("//", 0) == 0 || path.find('\0') != std::string::npos;
        for (size_t start = 1; start <= path.size();) {
            const size_t end = std::min(path.find('/', start), path.size());
            escapes = escapes || path.compare(start, end - start, "..") == 0;
            start = end + 1;
        }
        if (escapes) {
            Log(request, 403);
            return SendStatus(request, 403, KeepAlive(request));
        }
        const auto behaviour = ParseBehaviour(query);
        if (!behaviour) {
            Log(request, 400);
            return SendStatus(request, 400, false);
        }
        if (behaviour->stallHead) {
            Log(request, 0);
            Hold();
            return false;
        }
        if (behaviour->status != 200) {
            Log(request, behaviour->status);
            return SendStatus(request, behaviour->status, KeepAlive(request));
        }

        const int file = ::open((shared.root + path).c_str(), O_RDONLY | O_CLOEXEC);
        struct stat status
        {};
        if (file < 0 || ::fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
            if (file >= 0)
                ::close(file);
            Log(request, 404);
            return SendStatus(request, 404, KeepAlive(request));
        }
        const bool kept =
            SendFile(request, file, static_cast<uint64_t>(status.st_size), status.st_mtime, *behaviour);
        ::close(file);
        return kept;
    }

    bool SendFile(const Request& request, int file, uint64_t size, time_t mtime, const Behaviour& behaviour)
    {
        // Without a length the body ends with the connection; a drop ends it without saying so.
        const bool keepAlive = KeepAlive(request) && !behaviour.noLength && !behaviour.drop;
        std::string head = StatusLine(200) + "Content-Type: application/octet-stream\r\n";
        if (!behaviour.noLength)
            head += "Content-Length: " + std::to_string(size) + "\r\n";
        if (!behaviour.noLastModified) {
            const auto date = HttpDate(behaviour.lastModified.value_or(static_cast<int64_t>(mtime)));
            if (date)
                head += "Last-Modified: " + *date + "\r\n";
        }
        // A drop is announced like a complete answer.
        head += ConnectionHeader(request, KeepAlive(request) && !behaviour.noLength) + "\r\n";
        Log(request, 200);
        if (!SendAll(fd, head))
            return false;

        const uint64_t end = std::min(size, behaviour.drop.value_or(size));
        // A stall at or past the end of what is sent is no stall.
        const bool stalls = behaviour.stall && *behaviour.stall < end;
        const uint64_t stop = stalls ? *behaviour.stall : end;
        off_t offset = 0;
        while (static_cast<uint64_t>(offset) < stop) {
            const size_t piece = static_cast<size_t>(
                std::min<uint64_t>(behaviour.slowMs > 0 ? kSlowPiece : kSendBlock, stop - offset));
            size_t left = piece;
            while (left > 0) {
                const ssize_t sent = ::sendfile(fd, file, &offset, left);
                if (sent < 0 && errno == EINTR)
                    continue;
                if (sent <= 0) // the client went, or the file shrank under us
                    return false;
                left -= static_cast<size_t>(sent);
            }
            if (behaviour.slowMs > 0 && static_cast<uint64_t>(offset) < stop &&
                WaitReadable(-1, behaviour.slowMs) != Wait::Timeout)
                return false;
        }
        if (stalls) {
            Hold();
            return false;
        }
        // Round after round, until sending fails: the client has gone.
        while (behaviour.endless && size > 0) {
            off_t from = 0;
            while (static_cast<uint64_t>(from) < size) {
                const ssize_t sent = ::sendfile(fd, file, &from, static_cast<size_t>(size - from));
                if (sent < 0 && errno == EINTR)
                    continue;
                if (sent <= 0)
                    return false;
            }
        }
        return keepAlive && !behaviour.drop;
    }

    // Keeps the connection open, answering nothing, until the client closes it or the server ends.
    void Hold()
    {
        char scratch[16384];
        while (WaitReadable(fd, -1) == Wait::Ready) {
            const ssize_t got = ::recv(fd, scratch, sizeof scratch, 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return;
        }
    }

    int fd;
    std::string buffer; // received and not yet taken
};

void RunConnection(int fd)
{
    try {
        Connection connection(fd);
        connection.Run();
        connection.LingeringClose();
    } catch (const std::exception& error) {
        WriteLog(std::string("- - \"-\" - (connection ended: ") + error.what() + ')');
    }
    const std::lock_guard lock(shared.mutex);
    shared.sockets.erase(fd);
    ::close(fd);
    --shared.threads;
    shared.ended.notify_all();
}

// ---- the server ------------------------------------------------------------------------------

void Usage()
{
    std::fprintf(stderr, "usage: sorlin_test_httpd --root DIR [--port N] [--ignore-stdin]\n");
}

} // namespace

int main(int argc, char** argv)
{
    std::string root;
    int port = 0;
    bool watchInput = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--root" && i + 1 < argc) {
            root = argv[++i];
        } else if (argument == "--port" && i + 1 < argc) {
            const auto value = ParseInteger(argv[++i], false);
            if (!value || *value > 65535) {
                Usage();
                return 2;
            }
            port = static_cast<int>(*value);
        } else if (argument == "--ignore-stdin") {
            watchInput = false;
        } else {
            Usage();
            return 2;
        }
    }
    char* resolved = root.empty() ? nullptr : ::realpath(root.c_str(), nullptr);
    struct stat rootStatus
    {};
    if (!resolved || ::stat(resolved, &rootStatus) != 0 || !S_ISDIR(rootStatus.st_mode)) {
        std::fprintf(stderr, "sorlin_test_httpd: no folder to serve: %s\n", root.c_str());
        std::free(resolved);
        Usage();
        return 2;
    }
    shared.root = resolved;
    std::free(resolved);

    // The ending signals come through a descriptor of the main thread; every thread inherits
    // the mask. Writes to a closed connection fail with EPIPE instead of ending the server.
    ::signal(SIGPIPE, SIG_IGN);
    sigset_t endings;
    sigemptyset(&endings);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&endings, signal);
    pthread_sigmask(SIG_BLOCK, &endings, nullptr);
    const int signals = ::signalfd(-1, &endings, SFD_CLOEXEC);

    int stop[2];
    if (signals < 0 || ::pipe2(stop, O_CLOEXEC) != 0) {
        std::perror("sorlin_test_httpd");
        return 1;
    }
    shared.stopRead = stop[0];
    shared.stopWrite = stop[1];

    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int reuse = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, SOMAXCONN) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("sorlin_test_httpd: listening on 127.0.0.1");
        return 1;
    }
    std::printf("PORT %d\n", ntohs(address.sin_port));
    std::fflush(stdout);

    pollfd fds[3] = {{listener, POLLIN, 0}, {signals, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    bool running = true;
    while (running) {
        const int ready = ::poll(fds, watchInput ? 3 : 2, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            break;
        if (fds[1].revents)
            break;
        if (watchInput && fds[2].revents) {
            char scratch[4096];
            const ssize_t got = ::read(STDIN_FILENO, scratch, sizeof scratch);
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN) || (fds[2].revents & POLLNVAL))
                running = false;
        }
        if (running && fds[0].revents) {
            const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            const std::lock_guard lock(shared.mutex);
            try {
                std::thread(RunConnection, fd).detach();
                shared.sockets.insert(fd);
                ++shared.threads;
            } catch (const std::exception&) {
                ::close(fd); // no thread for it: the client sees the connection close
            }
        }
    }

    // The end: every wait of the connections returns, every socket stops, bounded.
    ::close(listener);
    const char byte = 1;
    while (::write(shared.stopWrite, &byte, 1) < 0 && errno == EINTR) {
    }
    std::unique_lock lock(shared.mutex);
    shared.stopping = true;
    for (const int fd : shared.sockets)
        ::shutdown(fd, SHUT_RDWR);
    const bool ended =
        shared.ended.wait_for(lock, std::chrono::seconds(5), [] { return shared.threads == 0; });
    if (!ended) {
        // A connection thread stuck past the bound: the process ends without destroying what
        // it still uses.
        std::fflush(nullptr);
        ::_exit(0);
    }
    return 0;
}
