#include "Platform/CrashHandler.h"

#include <QByteArrayView>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <exception>
#include <mutex>
#include <type_traits>

#include <execinfo.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

namespace Platform {

namespace {

static_assert(std::is_same_v<pthread_t, unsigned long>, "threads are named by unsigned long here");

constexpr int FatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int SignalCount = sizeof(FatalSignals) / sizeof(FatalSignals[0]);
constexpr int MaxFrames = 128;
constexpr size_t AlternateStackSize = 256 * 1024;
constexpr size_t BreadcrumbCapacity = 64 * 1024;
constexpr const char* ReportMagic = "CorvantideCrashReport 1";

char g_reportPath[4096];
char g_temporaryPath[4100];
struct sigaction g_previous[SignalCount];
std::atomic<bool> g_installed{false};
// 0: no crash yet; 1: a thread is writing the report; 2: the report is written.
std::atomic<int> g_handling{0};
std::terminate_handler g_previousTerminate = nullptr;
char g_terminateMessage[512];
std::atomic<bool> g_terminated{false};
void* g_alternateStack = nullptr;
stack_t g_previousAlternateStack;

// Two fixed buffers so that the handler always reads a whole, never a freed, copy.
char g_breadcrumbs[2][BreadcrumbCapacity];
std::atomic<size_t> g_breadcrumbSize[2];
std::atomic<int> g_breadcrumbSlot{-1};
std::mutex g_breadcrumbMutex;

// Taking another thread's stack.
std::atomic<int> g_captureState{0}; // 0 idle, 1 asked, 2 answered
void* g_captureFrames[MaxFrames];
int g_captureCount = 0;
int g_captureSignal = 0;

// Writers that only use write(2): no allocation, no locks.
class SafeWriter {
public:
    explicit SafeWriter(int fd)
        : m_fd(fd) {}
    void text(const char* s) { bytes(s, std::strlen(s)); }
    void bytes(const char* data, size_t size) {
        while (size > 0) {
            const ssize_t written = ::write(m_fd, data, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return;
            data += written;
            size -= static_cast<size_t>(written);
        }
    }
    void decimal(long long value) {
        char buffer[24];
        int i = sizeof(buffer);
        const bool negative = value < 0;
        unsigned long long magnitude =
            negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
        do {
            buffer[--i] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (negative)
            buffer[--i] = '-';
        bytes(buffer + i, sizeof(buffer) - static_cast<size_t>(i));
    }
    void hex(uintptr_t value) {
        char buffer[2 + 2 * sizeof(uintptr_t)];
        buffer[0] = '0';
        buffer[1] = 'x';
        for (size_t i = 0; i < 2 * sizeof(uintptr_t); ++i)
            buffer[2 + i] = "0123456789abcdef"[(value >> (4 * (2 * sizeof(uintptr_t) - 1 - i))) & 0xf];
        bytes(buffer, sizeof(buffer));
    }

private:
    int m_fd;
};

uintptr_t programCounter(void* context) {
    if (context == nullptr)
        return 0;
    const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return static_cast<uintptr_t>(uc->uc_mcontext.pc);
#elif defined(__i386__)
    return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_EIP]);
#else
    (void)uc;
    return 0;
#endif
}

// The interrupted thread's frames, innermost first, without the handler's own frames.
int interruptedFrames(void* context, void** out, int capacity) {
    void* frames[MaxFrames];
    const int count = backtrace(frames, MaxFrames);
    const uintptr_t pc = programCounter(context);
    int first = -1;
    for (int i = 0; i < count; ++i)
        if (reinterpret_cast<uintptr_t>(frames[i]) == pc) {
            first = i;
            break;
        }
    int n = 0;
    if (first < 0 && pc != 0 && n < capacity)
        out[n++] = reinterpret_cast<void*>(pc);
    for (int i = first < 0 ? 0 : first; i < count && n < capacity; ++i)
        out[n++] = frames[i];
    return n;
}

void copyProcessMaps(SafeWriter& writer) {
    const int fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        writer.bytes(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
}

void writeReport(int signal, siginfo_t* info, void* context) {
    const int fd = ::open(g_temporaryPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    SafeWriter writer(fd);
    writer.text(ReportMagic);
    writer.text("\nsignal ");
    writer.decimal(signal);
    writer.text("\ncode ");
    writer.decimal(info != nullptr ? info->si_code : 0);
    // Only a signal the kernel raised for a fault carries an address; one that a process sent (kill,
    // sigqueue, tgkill: a code of 0 or less) carries the sender's id in the same place instead.
    if (info != nullptr && info->si_code > 0) {
        writer.text("\naddress ");
        writer.hex(reinterpret_cast<uintptr_t>(info->si_addr));
    } else if (info != nullptr && info->si_pid != ::getpid()) {
        writer.text("\nsender ");
        writer.decimal(info->si_pid);
    }
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    writer.text("\ntime ");
    writer.decimal(now.tv_sec);
    writer.text("\n");
    if (g_terminated.load()) {
        writer.text("terminate ");
        writer.text(g_terminateMessage);
        writer.text("\n");
    }
    void* frames[MaxFrames];
    const int count = interruptedFrames(context, frames, MaxFrames);
    for (int i = 0; i < count; ++i) {
        writer.text("frame ");
        writer.hex(reinterpret_cast<uintptr_t>(frames[i]));
        writer.text("\n");
    }
    const int slot = g_breadcrumbSlot.load();
    if (slot >= 0) {
        const size_t size = g_breadcrumbSize[slot].load();
        writer.text("breadcrumbs ");
        writer.decimal(static_cast<long long>(size));
        writer.text("\n");
        writer.bytes(g_breadcrumbs[slot], size);
        writer.text("\n");
    }
    writer.text("maps\n");
    copyProcessMaps(writer);
    ::close(fd);
    ::rename(g_temporaryPath, g_reportPath);
}

int signalIndex(int signal) {
    for (int i = 0; i < SignalCount; ++i)
        if (FatalSignals[i] == signal)
            return i;
    return -1;
}

void onFatalSignal(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    int expected = 0;
    if (g_handling.compare_exchange_strong(expected, 1)) {
        writeReport(signal, info, context);
        g_handling.store(2);
    } else {
        // Another thread is writing the report: give it a moment before this one ends the process.
        for (int i = 0; i < 200 && g_handling.load() == 1; ++i) {
            timespec pause{0, 10 * 1000 * 1000};
            ::nanosleep(&pause, nullptr);
        }
    }
    const int index = signalIndex(signal);
    if (index >= 0)
        ::sigaction(signal, &g_previous[index], nullptr);
    // A fault recurs when the instruction runs again; a sent signal has to be sent again.
    if (info == nullptr || info->si_code <= 0 || signal == SIGABRT)
        ::raise(signal);
    errno = savedErrno;
}

void copyMessage(const char* text) {
    size_t i = 0;
    for (; text != nullptr && text[i] != '\0' && i + 1 < sizeof(g_terminateMessage); ++i)
        g_terminateMessage[i] = (text[i] == '\n' || text[i] == '\r') ? ' ' : text[i];
    g_terminateMessage[i] = '\0';
}

[[noreturn]] void onTerminate() {
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& exception) {
            copyMessage(exception.what());
        } catch (...) {
            copyMessage("an exception of unknown type");
        }
    } else {
        copyMessage("");
    }
    g_terminated.store(true);
    std::abort();
}

void onCaptureSignal(int, siginfo_t*, void* context) {
    const int savedErrno = errno;
    if (g_captureState.load() == 1) {
        g_captureCount = interruptedFrames(context, g_captureFrames, MaxFrames);
        g_captureState.store(2);
    }
    errno = savedErrno;
}

bool copyPath(char* target, size_t capacity, const QByteArray& path) {
    if (static_cast<size_t>(path.size()) + 1 > capacity || path.contains('\0'))
        return false;
    std::memcpy(target, path.constData(), static_cast<size_t>(path.size()));
    target[path.size()] = '\0';
    return true;
}

} // namespace

bool CrashHandler::install(const QString& reportPath) {
    if (g_installed.load())
        return false;
    const QByteArray path = reportPath.toLocal8Bit();
    if (!copyPath(g_reportPath, sizeof(g_reportPath), path) ||
        !copyPath(g_temporaryPath, sizeof(g_temporaryPath), path + ".tmp"))
        return false;
    // The first backtrace loads the unwinder; doing it here keeps the handler free of loading.
    void* warmUp[4];
    backtrace(warmUp, 4);

    if (g_alternateStack == nullptr)
        g_alternateStack = ::operator new(AlternateStackSize);
    stack_t stack{};
    stack.ss_sp = g_alternateStack;
    stack.ss_size = AlternateStackSize;
    ::sigaltstack(&stack, &g_previousAlternateStack);

    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < SignalCount; ++i)
        ::sigaction(FatalSignals[i], &action, &g_previous[i]);
    g_previousTerminate = std::set_terminate(onTerminate);
    g_handling.store(0);
    g_installed.store(true);
    return true;
}

void CrashHandler::uninstall() {
    if (!g_installed.exchange(false))
        return;
    for (int i = 0; i < SignalCount; ++i)
        ::sigaction(FatalSignals[i], &g_previous[i], nullptr);
    std::set_terminate(g_previousTerminate);
    ::sigaltstack(&g_previousAlternateStack, nullptr);
}

bool CrashHandler::isInstalled() {
    return g_installed.load();
}

void CrashHandler::publishBreadcrumbs(const QByteArray& json) {
    if (static_cast<size_t>(json.size()) > BreadcrumbCapacity)
        return;
    std::lock_guard lock(g_breadcrumbMutex);
    const int slot = g_breadcrumbSlot.load() == 0 ? 1 : 0;
    std::memcpy(g_breadcrumbs[slot], json.constData(), static_cast<size_t>(json.size()));
    g_breadcrumbSize[slot].store(static_cast<size_t>(json.size()));
    g_breadcrumbSlot.store(slot);
}

void CrashHandler::prepareStackCapture() {
    if (g_captureSignal != 0)
        return;
    g_captureSignal = SIGRTMIN + 4;
    void* warmUp[4];
    backtrace(warmUp, 4);
    struct sigaction action {};
    action.sa_sigaction = onCaptureSignal;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(g_captureSignal, &action, nullptr);
}

QList<quintptr> CrashHandler::captureStack(unsigned long thread) {
    QList<quintptr> frames;
    if (g_captureSignal == 0)
        return frames;
    int expected = 0;
    if (!g_captureState.compare_exchange_strong(expected, 1))
        return frames;
    if (::pthread_kill(static_cast<pthread_t>(thread), g_captureSignal) == 0) {
        for (int i = 0; i < 500 && g_captureState.load() != 2; ++i) {
            timespec pause{0, 1000 * 1000};
            ::nanosleep(&pause, nullptr);
        }
    }
    if (g_captureState.load() == 2)
        for (int i = 0; i < g_captureCount; ++i)
            frames.append(reinterpret_cast<quintptr>(g_captureFrames[i]));
    g_captureState.store(0);
    return frames;
}

// Reading a report back.

std::optional<CrashReport> CrashReport::parse(const QByteArray& data, QString* error) {
    auto fail = [error](const QString& reason) -> std::optional<CrashReport> {
        if (error != nullptr)
            *error = reason;
        return std::nullopt;
    };
    const QByteArrayView bytes(data);
    qsizetype position = 0;
    auto nextLine = [&](QByteArrayView& line) {
        if (position >= bytes.size())
            return false;
        qsizetype end = bytes.indexOf('\n', position);
        if (end < 0)
            end = bytes.size();
        line = bytes.sliced(position, end - position);
        position = end + 1;
        return true;
    };
    QByteArrayView line;
    if (!nextLine(line) || line != QByteArrayView(ReportMagic))
        return fail(QStringLiteral("not a crash report"));
    CrashReport report;
    bool sawSignal = false;
    while (nextLine(line)) {
        const qsizetype space = line.indexOf(' ');
        const QByteArrayView key = space < 0 ? line : line.first(space);
        const QByteArrayView value = space < 0 ? QByteArrayView() : line.sliced(space + 1);
        bool ok = true;
        if (key == "signal") {
            report.signal = value.toInt(&ok);
            sawSignal = ok;
        } else if (key == "code") {
            report.code = value.toInt(&ok);
        } else if (key == "address") {
            report.faultAddress = static_cast<quintptr>(value.toULongLong(&ok, 16));
        } else if (key == "sender") {
            report.senderPid = value.toLongLong(&ok);
        } else if (key == "time") {
            report.time = value.toLongLong(&ok);
        } else if (key == "terminate") {
            report.terminated = true;
            report.terminateMessage = QString::fromUtf8(value);
        } else if (key == "frame") {
            const quintptr address = static_cast<quintptr>(value.toULongLong(&ok, 16));
            if (ok && report.frames.size() < MaxFrames)
                report.frames.append(address);
        } else if (key == "breadcrumbs") {
            const qlonglong size = value.toLongLong(&ok);
            if (!ok || size < 0 || size > bytes.size() - position)
                return fail(QStringLiteral("the breadcrumbs of a crash report run past its end"));
            report.breadcrumbs = bytes.sliced(position, static_cast<qsizetype>(size)).toByteArray();
            position += static_cast<qsizetype>(size);
            if (position < bytes.size() && bytes.at(position) == '\n')
                ++position;
        } else if (key == "maps") {
            if (position < bytes.size())
                report.maps = bytes.sliced(position).toByteArray();
            position = bytes.size();
        }
        if (!ok)
            return fail(QStringLiteral("a crash report line cannot be read"));
    }
    if (!sawSignal)
        return fail(QStringLiteral("a crash report names no signal"));
    return report;
}

QString CrashReport::signalName(int signal) {
    switch (signal) {
    case SIGSEGV:
        return QStringLiteral("SIGSEGV");
    case SIGBUS:
        return QStringLiteral("SIGBUS");
    case SIGILL:
        return QStringLiteral("SIGILL");
    case SIGFPE:
        return QStringLiteral("SIGFPE");
    case SIGABRT:
        return QStringLiteral("SIGABRT");
    default:
        return QStringLiteral("signal %1").arg(signal);
    }
}

} // namespace Platform
