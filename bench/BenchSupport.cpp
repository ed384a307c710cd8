#include "BenchSupport.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

int64_t NowUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::optional<double> ProcessCpuSeconds(pid_t pid)
{
    QFile proc(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!proc.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = proc.readAll();
    // The command name may hold blanks and parentheses; the fields follow the last ')'.
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    // After the name: state is field 3, utime field 14, stime field 15.
    if (fields.size() < 13)
        return std::nullopt;
    bool okUser = false;
    bool okSystem = false;
    const long long ticks = fields[11].toLongLong(&okUser) + fields[12].toLongLong(&okSystem);
    if (!okUser || !okSystem)
        return std::nullopt;
    return static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

std::string DescribeStatus(int status)
{
    if (WIFEXITED(status))
        return "exit code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return std::string("signal ") + strsignal(WTERMSIG(status));
    return "status " + std::to_string(status);
}

MachineCpu ReadMachineCpu()
{
    MachineCpu use;
    QFile file(QStringLiteral("/proc/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return use;
    // cpu  user nice system idle iowait irq softirq steal ...
    const QList<QByteArray> fields = file.readLine().simplified().split(' ');
    const double tick = 1.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
    for (qsizetype i = 1; i < fields.size() && i <= 8; ++i) {
        const double seconds = static_cast<double>(fields[i].toLongLong()) * tick;
        use.total += seconds;
        if (i != 4 && i != 5)
            use.busy += seconds;
    }
    return use;
}

namespace {
std::string resultLines;
} // namespace

void AddLine(const char* format, ...)
{
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    resultLines += line;
    resultLines += '\n';
}

const std::string& ResultLines()
{
    return resultLines;
}

} // namespace bench
