#include "port/QtSerialPort.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSerialPort>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <vector>

#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#if defined(__linux__)
#include <sys/syscall.h>
#elif defined(__APPLE__)
#include <pthread.h>
#endif

namespace orvo {

namespace {

constexpr int kWriteTimeoutMs = 1000;
constexpr int kWriteMsPerByte = 10;

// QSerialPort arms socket notifiers when it opens and writes. On a thread Qt did not start
// there is no event dispatcher for them, and each one prints a warning although the blocking
// calls never need them. This dispatcher accepts the registrations and does nothing; Qt deletes
// it when the thread ends.
class InertEventDispatcher final : public QAbstractEventDispatcher {
public:
    bool processEvents(QEventLoop::ProcessEventsFlags) override { return false; }
    void registerSocketNotifier(QSocketNotifier*) override {}
    void unregisterSocketNotifier(QSocketNotifier*) override {}
    void registerTimer(int, qint64, Qt::TimerType, QObject*) override {}
    bool unregisterTimer(int) override { return false; }
    bool unregisterTimers(QObject*) override { return false; }
    QList<TimerInfo> registeredTimers(QObject*) const override { return {}; }
    int remainingTime(int) override { return -1; }
    void wakeUp() override {}
    void interrupt() override {}
};

bool IsProcessMainThread() {
#if defined(__linux__)
    return static_cast<pid_t>(::syscall(SYS_gettid)) == ::getpid();
#elif defined(__APPLE__)
    return pthread_main_np() != 0;
#else
    return true; // cannot tell: leave the thread alone
#endif
}

void EnsureDispatcherForThisThread() {
    QThread* thread = QThread::currentThread();
    if (thread->eventDispatcher() != nullptr)
        return;
    // A QCoreApplication made later on the main thread would adopt this dispatcher and never
    // run its event loop, so the main thread keeps its warnings instead.
    if (const QCoreApplication* app = QCoreApplication::instance()) {
        if (app->thread() == thread)
            return;
    } else if (IsProcessMainThread()) {
        return;
    }
    thread->setEventDispatcher(new InertEventDispatcher);
}

} // namespace

std::string SerialDevicePath(const std::string& name) {
#ifdef _WIN32
    return name; // QSerialPort adds the device prefix itself
#else
    if (name.find('/') != std::string::npos)
        return name;
    return "/dev/" + name;
#endif
}

std::string DeviceGroupName(const std::string& devicePath) {
#ifdef _WIN32
    (void)devicePath;
    return {};
#else
    struct stat info {};
    if (::stat(devicePath.c_str(), &info) != 0)
        return {};
    long hint = ::sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? static_cast<size_t>(hint) : 1024);
    group entry{};
    group* found = nullptr;
    int rc = 0;
    while ((rc = ::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (rc != 0 || found == nullptr || found->gr_name == nullptr)
        return {};
    return found->gr_name;
#endif
}

std::string PermissionDeniedReason(const std::string& devicePath, const std::string& group) {
    if (group.empty())
        return "Permission denied. The device " + devicePath + " is not accessible to you.";
    const std::string owned =
        "Permission denied. The device " + devicePath + " belongs to the group \"" + group + "\"";
    if (group == "root")
        return owned + "; ask your administrator for access to it.";
#ifdef __linux__
    return owned + "; add yourself with: sudo usermod -aG " + group + " $USER (then log out and back in).";
#else
    return owned + "; ask your administrator to add you to it, then log out and back in.";
#endif
}

QtSerialPort::QtSerialPort() {
    EnsureDispatcherForThisThread();
    m_port = std::make_unique<QSerialPort>();
}

QtSerialPort::~QtSerialPort() {
    Close();
}

PortOpenResult QtSerialPort::Open(const std::string& name) {
    Close();
    m_path = SerialDevicePath(name);
    QString location = QString::fromStdString(m_path);
#ifndef _WIN32
    // QSerialPort would look for "pts/3" under /dev/; a relative path means the working directory.
    if (!location.startsWith(u'/') && !location.startsWith(u"./") && !location.startsWith(u"../"))
        location.prepend(u"./");
#endif
    m_port->setPortName(location);
    if (!m_port->open(QIODevice::ReadWrite)) {
        PortOpenResult result{PortOpenError::Open, m_port->errorString().toStdString()};
        if (m_port->error() == QSerialPort::PermissionError)
            result.reason = PermissionDeniedReason(m_path, DeviceGroupName(m_path));
        return result;
    }

    const bool configured =
        m_port->setBaudRate(QSerialPort::Baud19200) && m_port->setDataBits(QSerialPort::Data8) &&
        m_port->setParity(QSerialPort::NoParity) && m_port->setStopBits(QSerialPort::OneStop) &&
        m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        PortOpenResult result{PortOpenError::Configure, m_port->errorString().toStdString()};
        Close();
        return result;
    }
    // Both lines start low; a pseudo-terminal has neither, which is fine.
    m_port->setDataTerminalReady(false);
    m_port->setRequestToSend(false);
    m_port->clearError();
    return {};
}

ReadResult QtSerialPort::ReadByte(uint8_t& byte, int timeoutMs) {
    if (!m_port->isOpen())
        return ReadResult::Error;
    const auto take = [&] {
        char c = 0;
        if (!m_port->getChar(&c))
            return false;
        byte = static_cast<uint8_t>(c);
        return true;
    };
    if (m_port->bytesAvailable() > 0 && take())
        return ReadResult::Byte;
    if (m_failed)
        return ReadResult::Error;

    m_port->clearError();
    m_port->waitForReadyRead(std::max(timeoutMs, 0));
    // A hung-up line (pty master closed, adapter pulled) comes back at once as ReadError or
    // ResourceError, and keeps doing so; bytes that arrived before it are still handed out.
    const QSerialPort::SerialPortError error = m_port->error();
    if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
        m_failed = true;
    if (m_port->bytesAvailable() > 0 && take())
        return ReadResult::Byte;
    if (m_failed)
        return ReadResult::Error;
    m_port->clearError();
    // Some drivers leave the descriptor silent rather than hung up when the device goes;
    // udev removing the node (or its by-id link) still tells.
    if (DeviceVanished()) {
        m_failed = true;
        return ReadResult::Error;
    }
    return ReadResult::Timeout;
}

bool QtSerialPort::Write(const uint8_t* data, size_t length) {
    if (!m_port->isOpen() || m_failed)
        return false;
    if (length == 0)
        return true;
    m_port->clearError();
    const auto size = static_cast<qint64>(length);
    const bool queued = m_port->write(reinterpret_cast<const char*>(data), size) == size;
    // QSerialPort only queues; without an event loop the bytes leave during these waits.
    QDeadlineTimer deadline(kWriteTimeoutMs + kWriteMsPerByte * size);
    bool sent = queued;
    while (sent && m_port->bytesToWrite() > 0) {
        if (deadline.hasExpired() || !m_port->waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            sent = m_port->bytesToWrite() == 0;
    }
    if (!sent) {
        // A frame's tail sent late would only corrupt the next one.
        m_port->clear(QSerialPort::Output);
        m_port->clearError();
    }
    return sent;
}

bool QtSerialPort::SetDtr(bool on) {
    if (!m_port->isOpen())
        return false;
    if (m_port->setDataTerminalReady(on))
        return true;
    m_port->clearError(); // no modem lines here (a pseudo-terminal): not a fault of the port
    return false;
}

void QtSerialPort::Close() {
    if (m_port && m_port->isOpen())
        m_port->close();
    m_failed = false;
}

bool QtSerialPort::DeviceVanished() const {
#ifdef _WIN32
    return false;
#else
    struct stat info {};
    if (::stat(m_path.c_str(), &info) == 0)
        return false;
    return errno == ENOENT || errno == ENODEV || errno == ENXIO || errno == ENOTDIR;
#endif
}

} // namespace orvo
