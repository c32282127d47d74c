// The single-instance guard and the named mutex under it, with real processes: the name lives exactly
// as long as some process holds it, however that process ends, and of simultaneous starts one is first.
#include "single_instance_guard.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One guard_probe process (see guard_probe.cpp).
class Probe {
public:
    explicit Probe(const std::string& name, const QStringList& options = {}) {
        process.setProgram(GUARD_PROBE);
        process.setArguments(QStringList{QString::fromStdString(name)} + options);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start();
    }
    ~Probe() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    bool started() { return process.waitForStarted(10000); }
    void go() { process.write("go\n"); }
    // "first 0" or "running 183": the guard's answer and the last error after the creation.
    std::string answer() {
        while (!process.canReadLine())
            if (!process.waitForReadyRead(20000))
                return "no answer";
        return process.readLine().trimmed().toStdString();
    }
    std::string start() {
        if (!started())
            return "not started";
        go();
        return answer();
    }
    // Ends the holder in one of the ways a process can end; true when it is gone.
    bool end(const std::string& how) {
        if (how == "kill -9")
            process.kill();
        else if (how == "close")
            process.closeWriteChannel();
        else
            process.write(QByteArray::fromStdString(how + "\n"));
        return process.waitForFinished(20000);
    }
    QProcess process;
};

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override {
        // A kernel namespace of this test's own, which the probes inherit.
        objects = zvk_test::fresh_dir("objects");
        qputenv("ZVK_KERNEL_OBJECTS_DIR", objects.toLocal8Bit());
    }
    QString objects;
};

TEST_F(SingleInstance, SecondStartSeesTheFirstUntilTheLastHolderEnds) {
    const std::string name = "Global\\{2194ABA1-BFFA-4e6b-8C26-D191BB16F9E6}";
    Probe first(name);
    EXPECT_EQ(first.start(), "first 0");
    {
        Probe second(name);
        EXPECT_EQ(second.start(), "running 183");
        EXPECT_TRUE(second.end("close"));
    }
    // The second holder's exit leaves the first one's name in place.
    Probe third(name);
    EXPECT_EQ(third.start(), "running 183");
    EXPECT_TRUE(first.end("close"));
    // The third still holds it although the creator is gone.
    Probe fourth(name);
    EXPECT_EQ(fourth.start(), "running 183");
    EXPECT_TRUE(fourth.end("close"));
    EXPECT_TRUE(third.end("close"));
    Probe fifth(name);
    EXPECT_EQ(fifth.start(), "first 0");
}

TEST_F(SingleInstance, TheNameGoesWithItsHolderHoweverItEnds) {
    for (std::string how : {"close", "exit", "abort", "kill -9"}) {
        const std::string name = "Global\\ends by " + how;
        Probe holder(name);
        ASSERT_EQ(holder.start(), "first 0") << how;
        ASSERT_TRUE(holder.end(how)) << how;
        Probe next(name);
        EXPECT_EQ(next.start(), "first 0") << "after the holder ended by " << how;
    }
}

TEST_F(SingleInstance, OfSimultaneousStartsExactlyOneIsFirst) {
    // The probes wait behind a lock that this test holds and all go at once when it is released.
    const QString barrier = objects + "/barrier";
    ASSERT_TRUE(zvk_test::write_file(barrier, "b"));
    const int starters = 12;
    for (int round = 0; round < 8; ++round) {
        int gate = ::open(barrier.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_len = 1;
        ASSERT_EQ(::fcntl(gate, F_OFD_SETLK, &lock), 0);
        std::vector<std::unique_ptr<Probe>> probes;
        for (int i = 0; i < starters; ++i)
            probes.emplace_back(new Probe("Global\\race", {"--barrier", barrier}));
        for (auto& p : probes) {
            ASSERT_TRUE(p->started());
            p->go();
        }
        for (auto& p : probes)
            ASSERT_EQ(p->answer(), "ready");
        QThread::msleep(100); // let the last of them reach the lock
        ::close(gate);
        int first = 0, running = 0;
        for (auto& p : probes) {
            std::string a = p->answer();
            first += a == "first 0";
            running += a == "running 183";
        }
        EXPECT_EQ(first, 1) << "round " << round;
        EXPECT_EQ(running, starters - 1) << "round " << round;
        // Every holder goes, so the next round starts on a free name.
        for (auto& p : probes)
            ASSERT_TRUE(p->end("close"));
    }
}

TEST_F(SingleInstance, HandlesOfOneProcessCountLikeHandlesOfAnother) {
    HANDLE a = CreateMutexA(nullptr, FALSE, "Local\\in process");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    HANDLE b = CreateMutexA(nullptr, FALSE, "Local\\in process");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_NE(a, b);
    EXPECT_TRUE(CloseHandle(a));
    // b keeps the name although its creator's handle is closed.
    Probe other("Local\\in process");
    EXPECT_EQ(other.start(), "running 183");
    ASSERT_TRUE(other.end("close"));
    EXPECT_TRUE(CloseHandle(b));
    HANDLE c = CreateMutexA(nullptr, FALSE, "Local\\in process");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    EXPECT_TRUE(CloseHandle(c));
    EXPECT_FALSE(CloseHandle(c));
}

TEST_F(SingleInstance, NamesAreKeptApart) {
    // Pairs of names that must not meet; the first of each pair stays open while the second is made.
    struct Case {
        const char* held;
        const char* other;
    } cases[] = {
        {"Global\\a/b", "Global\\a%2Fb"}, // the file-name escape is no name of its own
        {"Global\\x", "Local\\x"},        // machine and user namespaces
        {"Global\\x", "x"},               // no prefix is the user's namespace
        {"Global\\Case", "Global\\case"}, // names compare case-sensitively
        {"Global\\..", "Global\\."},
    };
    for (const Case& c : cases) {
        HANDLE held = CreateMutexA(nullptr, FALSE, c.held);
        ASSERT_NE(held, nullptr) << c.held;
        HANDLE other = CreateMutexA(nullptr, FALSE, c.other);
        ASSERT_NE(other, nullptr) << c.other;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS)) << c.held << " met " << c.other;
        CloseHandle(other);
        CloseHandle(held);
    }
    // "Local\" names the same namespace as no prefix.
    HANDLE plain = CreateMutexA(nullptr, FALSE, "y");
    HANDLE local = CreateMutexA(nullptr, FALSE, "Local\\y");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(local);
    CloseHandle(plain);
}

TEST_F(SingleInstance, CreationErrorsGiveNoHandle) {
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    struct Case {
        LPSECURITY_ATTRIBUTES attributes;
        BOOL owner;
        std::string name;
        DWORD error;
    } cases[] = {
        {nullptr, FALSE, "Global\\a\\b", ERROR_PATH_NOT_FOUND},
        {nullptr, FALSE, "Global\\", ERROR_INVALID_NAME},
        {nullptr, FALSE, "Global\\" + std::string(261, 'n'), ERROR_FILENAME_EXCED_RANGE},
        {nullptr, FALSE, std::string(250, 'n'), ERROR_FILENAME_EXCED_RANGE}, // too long as a file name here
        {&attributes, FALSE, "Global\\attributes", ERROR_NOT_SUPPORTED},
        {nullptr, TRUE, "Global\\owned", ERROR_NOT_SUPPORTED},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(CreateMutexA(c.attributes, c.owner, c.name.c_str()), nullptr) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    // Without a name the mutex is the process's own and never exists already.
    for (const char* unnamed : {static_cast<const char*>(nullptr), ""}) {
        HANDLE a = CreateMutexA(nullptr, FALSE, unnamed);
        HANDLE b = CreateMutexA(nullptr, FALSE, unnamed);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
        CloseHandle(a);
        CloseHandle(b);
    }
}

TEST_F(SingleInstance, AFailedCreationLetsTheProgramStartAndDestroysQuietly) {
    const QString name_file = objects + "/zvk_object.Global.planted";
    QDir(objects).mkdir("elsewhere");
    // What may lie at a name's place: none of it may hang or block a start.
    struct Case {
        const char* what;
        bool (*plant)(const QString& path, const QString& objects);
    } cases[] = {
        {"a FIFO",
         [](const QString& p, const QString&) { return ::mkfifo(p.toLocal8Bit().constData(), 0666) == 0; }},
        {"a link", [](const QString& p, const QString& o) { return QFile::link(o + "/elsewhere", p); }},
        {"a folder", [](const QString& p, const QString&) { return QDir().mkdir(p); }},
        {"no objects folder", [](const QString&, const QString& o) { return QDir(o).removeRecursively(); }},
    };
    for (const Case& c : cases) {
        QFile::remove(name_file);
        QDir(name_file).removeRecursively();
        ASSERT_TRUE(c.plant(name_file, objects)) << c.what;
        {
            SingleInstanceGuard guard("Global\\planted");
            EXPECT_NE(GetLastError(), DWORD(ERROR_SUCCESS)) << c.what;
            EXPECT_FALSE(guard.is_already_running()) << c.what;
            // The destructor of a guard without mutex closes nothing, so it leaves the last error alone.
            SetLastError(4711);
        }
        EXPECT_EQ(GetLastError(), DWORD(4711)) << c.what;
    }
}

TEST_F(SingleInstance, GuardCountsOnlyAnExistingMutexAsRunning) {
    SingleInstanceGuard first("Global\\guard");
    EXPECT_FALSE(first.is_already_running());
    {
        SingleInstanceGuard second("Global\\guard");
        EXPECT_TRUE(second.is_already_running());
    }
    // A stale error from before the creation does not count: success resets it.
    SetLastError(ERROR_ALREADY_EXISTS);
    SingleInstanceGuard other("Global\\another");
    EXPECT_FALSE(other.is_already_running());
}

TEST_F(SingleInstance, GlobalNamesReachEveryUserLocalNamesOnlyTheirOwn) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to start a probe as another user";
    // A namespace folder like /tmp: everyone may create, nobody may remove another's files.
    ASSERT_EQ(::chmod(objects.toLocal8Bit().constData(), 01777), 0);
    const QStringList nobody{"--user", "65534"};
    // The creator's restrictive umask must not lock other users out of the name.
    Probe root_global("Global\\shared", {"--umask", "077"});
    ASSERT_EQ(root_global.start(), "first 0");
    Probe root_local("Local\\own", {"--umask", "077"});
    ASSERT_EQ(root_local.start(), "first 0");

    Probe other_global("Global\\shared", nobody);
    std::string answer = other_global.start();
    if (answer == "no answer" && other_global.process.exitCode() == 3)
        GTEST_SKIP() << "cannot change the user here";
    EXPECT_EQ(answer, "running 183");
    Probe other_local("Local\\own", nobody);
    EXPECT_EQ(other_local.start(), "first 0");
    EXPECT_TRUE(other_local.end("close"));
    EXPECT_TRUE(other_global.end("close"));
}

} // namespace
