// Mutexes. A named one must exist exactly while some process holds a handle to it, across processes
// and users, and must vanish with its last holder even when that holder is killed. Locks that the
// kernel keeps for an open file give exactly that: every handle of a named mutex is an open file
// description of the name's file holding a shared lock on its first byte, and the kernel drops the lock
// when the description goes (CloseHandle, exit, crash, kill -9). A file left behind without locks is no
// name: nothing stale can ever make a start look like a second one.
//
// Who is first: a starter takes the byte's lock exclusively without waiting, which succeeds only when
// no handle holds it, and then turns it into a shared lock in one step (open-file-description locks
// convert atomically). A starter that finds the byte locked opens the existing name. Of any number of
// simultaneous starters exactly one gets the exclusive lock.
#include "kernel_object.h"

#include "win_error.h"
#include "win_mutex.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zvk_winapi {
namespace {

constexpr std::size_t max_name = 260; // MAX_PATH, the Windows limit of an object name
const char global_prefix[] = "Global\\";
const char local_prefix[] = "Local\\";

class Mutex final : public KernelObject {
public:
    explicit Mutex(int fd) : fd(fd) {}

private:
    ~Mutex() override {
        if (fd >= 0)
            ::close(fd);
    }
    int fd; // the name's file with this handle's shared lock; -1 for an unnamed mutex
};

// Closes a descriptor when the scope ends unless it was handed on.
class Fd {
public:
    explicit Fd(int fd) : fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
    int get() const { return fd; }
    int release() {
        int f = fd;
        fd = -1;
        return f;
    }

private:
    int fd;
};

DWORD error_of(int e) {
    switch (e) {
    case ENOENT:
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
    case ENOLCK:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_ACCESS_DENIED; // EACCES, EPERM, ELOOP (a planted link), read-only folder, ...
    }
}

std::string objects_folder() {
    const char* dir = std::getenv("ZVK_KERNEL_OBJECTS_DIR");
    return dir && *dir ? dir : "/tmp";
}

// The file name of an object name in the objects folder. Global names are one namespace for the machine,
// local names one for each user. '/' cannot appear in a file name and '%' is the escape.
std::string file_name_of(const std::string& rest, bool global) {
    std::string file =
        global ? "zvk_object.Global." : "zvk_object.Local." + std::to_string(::geteuid()) + ".";
    for (char c : rest) {
        if (c == '/')
            file += "%2F";
        else if (c == '%')
            file += "%25";
        else
            file += c;
    }
    return file;
}

// Opens the name's file for reading and writing (a write lock needs both), creating it when missing.
// A new file is made under a private name with its final permissions and then linked into place, so
// no other user ever finds it with the creator's umask, and an existing file is never replaced.
int open_name_file(int dir, const std::string& file, bool global, DWORD& error) {
    const mode_t mode = global ? 0666 : 0600;
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        // O_NONBLOCK: a planted FIFO must not hang the start.
        int fd = ::openat(dir, file.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            return fd;
        if (errno != ENOENT) {
            error = error_of(errno);
            return -1;
        }
        std::string temporary = "zvk_object.new." + std::to_string(::getpid()) + "." +
                                std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
        Fd created(
            ::openat(dir, temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (created.get() < 0) {
            error = error_of(errno);
            return -1;
        }
        int linked = ::fchmod(created.get(), mode);
        if (linked == 0)
            linked = ::linkat(dir, temporary.c_str(), dir, file.c_str(), 0);
        int link_errno = errno;
        ::unlinkat(dir, temporary.c_str(), 0);
        if (linked == 0)
            return created.release();
        if (link_errno != EEXIST) {
            error = error_of(link_errno);
            return -1;
        }
        // Another starter linked its file first: open that one.
    }
    error = ERROR_ACCESS_DENIED;
    return -1;
}

bool lock_first_byte(int fd, short type) {
    struct flock lock;
    std::memset(&lock, 0, sizeof lock);
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 1;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// Takes this handle's shared lock; created tells whether no other handle held the name before.
bool hold_name(int fd, bool& created, DWORD& error) {
    // A starter that holds the exclusive lock turns it into a shared one at once; waiting for that is
    // bounded, so that a starter stopped in that instant cannot keep anyone from starting.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        if (lock_first_byte(fd, F_WRLCK)) {
            created = true;
            if (lock_first_byte(fd, F_RDLCK))
                return true;
            error = error_of(errno);
            return false;
        }
        if (errno != EAGAIN && errno != EACCES) {
            error = error_of(errno);
            return false;
        }
        if (lock_first_byte(fd, F_RDLCK)) {
            created = false;
            return true;
        }
        if (errno != EAGAIN && errno != EACCES) {
            error = error_of(errno);
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            error = ERROR_TIMEOUT;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

HANDLE fail(DWORD error) {
    SetLastError(error);
    return nullptr;
}

} // namespace
} // namespace zvk_winapi

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initial_owner, LPCSTR name) {
    using namespace zvk_winapi;
    if (attributes || initial_owner)
        return fail(ERROR_NOT_SUPPORTED);
    if (!name || !*name) {
        SetLastError(ERROR_SUCCESS);
        return publish(new Mutex(-1));
    }
    std::string rest(name);
    if (rest.size() > max_name)
        return fail(ERROR_FILENAME_EXCED_RANGE);
    bool global = false;
    if (rest.compare(0, sizeof global_prefix - 1, global_prefix) == 0) {
        global = true;
        rest.erase(0, sizeof global_prefix - 1);
    } else if (rest.compare(0, sizeof local_prefix - 1, local_prefix) == 0) {
        rest.erase(0, sizeof local_prefix - 1);
    }
    if (rest.empty())
        return fail(ERROR_INVALID_NAME);
    if (rest.find('\\') != std::string::npos)
        return fail(ERROR_PATH_NOT_FOUND); // Windows has no such object folder either

    Fd dir(::open(objects_folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return fail(error_of(errno));
    DWORD error = ERROR_SUCCESS;
    Fd file(open_name_file(dir.get(), file_name_of(rest, global), global, error));
    if (file.get() < 0)
        return fail(error);
    struct stat st;
    if (::fstat(file.get(), &st) != 0)
        return fail(error_of(errno));
    if (!S_ISREG(st.st_mode))
        return fail(ERROR_INVALID_HANDLE); // the name belongs to something that is no mutex
    if (!global && st.st_uid != ::geteuid())
        return fail(ERROR_ACCESS_DENIED); // another user's file in this user's namespace
    bool created = false;
    if (!hold_name(file.get(), created, error))
        return fail(error);
    HANDLE handle = publish(new Mutex(file.release()));
    SetLastError(created ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
    return handle;
}
