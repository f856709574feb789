// The TCP send after a read, to a server named by a host name whose resolver
// never answers: kuvora-cli runs in a private network and mount namespace
// whose resolv.conf names a local UDP port that takes queries and stays
// silent, with a resolver timeout far beyond the send's bound. The send
// gives up within its bound and the program ends at once after, the rows
// stored.
#include "CSettingsStore.h"
#include "TestSupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kCannotIsolate = 77;

// In the child between fork and exec: only system calls.
[[noreturn]] void cannot(const char* why) {
    const ssize_t n = ::write(2, why, __builtin_strlen(why));
    (void)n;
    ::_exit(kCannotIsolate);
}

bool writeText(const char* path, const char* text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const auto size = static_cast<ssize_t>(__builtin_strlen(text));
    const bool ok = ::write(fd, text, static_cast<std::size_t>(size)) == size;
    ::close(fd);
    return ok;
}

struct Isolation {
    std::string uidMap, gidMap, resolvConf, nsswitchConf, out, err;
};

// Private network and mount namespaces (as root, or as root of a new user
// namespace), loopback up, resolv.conf and nsswitch.conf bind-mounted, and a
// UDP socket on 127.0.0.1:53 that nobody reads; the program inherits it.
[[noreturn]] void isolateAndExec(const Isolation& iso, char* const argv[]) {
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNET | CLONE_NEWNS) != 0) cannot("unshare is not permitted here");
        if (!writeText("/proc/self/uid_map", iso.uidMap.c_str()) || !writeText("/proc/self/setgroups", "deny") ||
            !writeText("/proc/self/gid_map", iso.gidMap.c_str()))
            cannot("cannot map the user into its namespace");
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) cannot("cannot make / private");
    if (::mount(iso.resolvConf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0)
        cannot("cannot bind-mount /etc/resolv.conf");
    if (::mount(iso.nsswitchConf.c_str(), "/etc/nsswitch.conf", nullptr, MS_BIND, nullptr) != 0)
        cannot("cannot bind-mount /etc/nsswitch.conf");
    const int ctl = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq lo{};
    __builtin_memcpy(lo.ifr_name, "lo", 3);
    if (ctl < 0 || ::ioctl(ctl, SIOCGIFFLAGS, &lo) != 0) cannot("cannot see the loopback interface");
    lo.ifr_flags = static_cast<short>(lo.ifr_flags | IFF_UP | IFF_RUNNING);
    if (::ioctl(ctl, SIOCSIFFLAGS, &lo) != 0) cannot("cannot bring the loopback interface up");
    ::close(ctl);
    const int silent = ::socket(AF_INET, SOCK_DGRAM, 0);  // kept open across exec
    sockaddr_in dns{};
    dns.sin_family = AF_INET;
    dns.sin_port = htons(53);
    dns.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (silent < 0 || ::bind(silent, reinterpret_cast<const sockaddr*>(&dns), sizeof dns) != 0)
        cannot("cannot bind 127.0.0.1:53");
    const int out = ::open(iso.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(iso.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(kCannotIsolate + 1);
    ::execve(argv[0], argv, environ);
    ::_exit(kCannotIsolate + 1);
}

QByteArray contents(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(SendBound, ASilentResolverEndsTheSendWithinItsBoundAndTheProgramAtOnce) {
    test::IsolatedHome home;
    test::importSampleNames();
    settings::WriteInt("TCPIPSend", 1);
    settings::WriteString("ServerAddress", "history-server.kuvora-test.example");
    settings::WriteInt("ServerPort", 9500);

    Isolation iso;
    iso.uidMap = "0 " + std::to_string(::getuid()) + " 1";
    iso.gidMap = "0 " + std::to_string(::getgid()) + " 1";
    iso.resolvConf = home.file("resolv.conf").toStdString();
    iso.nsswitchConf = home.file("nsswitch.conf").toStdString();
    iso.out = home.file("out.txt").toStdString();
    iso.err = home.file("err.txt").toStdString();
    // Thirty seconds a try, five tries: a program that waits for the lookup
    // would take minutes.
    for (const auto& [path, text] : {std::pair{iso.resolvConf, "nameserver 127.0.0.1\noptions timeout:30 attempts:5\n"},
                                     std::pair{iso.nsswitchConf, "hosts: files dns\n"}}) {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    const std::string program = test::binaryPath("bin/kuvora-cli").toStdString();
    const std::string reader = ("image:" + test::sourcePath("data/cards/suica-sample.json")).toStdString();
    std::vector<std::string> args = {program, "read", "--reader", reader, "--mode", "1"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) isolateAndExec(iso, argv.data());

    // The send's bound is 5 s; a generous wait still ends long before the
    // resolver's own timeouts would.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "kuvora-cli was still running after 60 s: the host lookup was waited for";
    }
    ASSERT_TRUE(WIFEXITED(status));
    const QString err = QString::fromUtf8(contents(iso.err));
    if (WEXITSTATUS(status) == kCannotIsolate) GTEST_SKIP() << err.toStdString();
    EXPECT_EQ(WEXITSTATUS(status), 1) << err.toStdString();
    EXPECT_EQ(err, QStringLiteral("サーバーへ接続失敗\n"));
    // The rows were stored before the send.
    const QJsonObject json = QJsonDocument::fromJson(contents(iso.out)).object();
    EXPECT_EQ(json["cardRows"].toInt(), 20);
    EXPECT_TRUE(QFile::exists(home.dataHome() + "/Mirokaze/History.db"));
}
