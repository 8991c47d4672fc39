#include "platform/MappedFile.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <mutex>

CMappedFile::~CMappedFile() {
    if (m_Data) munmap(m_Data, m_Size);
}

bool CMappedFile::Map(int fd) {
    struct stat st {};
    if (m_Data || fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return false;
    const std::size_t size = std::size_t(st.st_size);
#ifdef MAP_POPULATE
    void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
#else
    void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
#endif
    if (p == MAP_FAILED) return false;
    m_Data = p;
    m_Size = size;
    return true;
}

namespace {

thread_local sigjmp_buf* t_Escape = nullptr;
struct sigaction g_Previous;
std::once_flag g_Installed;

void OnBusError(int, siginfo_t*, void*) {
    if (t_Escape) siglongjmp(*t_Escape, 1);
    // Not a guarded read: the fault repeats under the handling there was
    // before.
    sigaction(SIGBUS, &g_Previous, nullptr);
}

}  // namespace

bool ReadMappedSafely(const std::function<void()>& read) {
    std::call_once(g_Installed, [] {
        struct sigaction a {};
        a.sa_sigaction = OnBusError;
        a.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&a.sa_mask);
        sigaction(SIGBUS, &a, &g_Previous);
    });
    // The outer escape comes back however the read ends, a throw included:
    // a bus error must never jump into a frame that has gone.
    struct Restore {
        sigjmp_buf* const outer = t_Escape;
        ~Restore() { t_Escape = outer; }
    } restore;
    sigjmp_buf escape;
    if (sigsetjmp(escape, 1) != 0) return false;
    t_Escape = &escape;
    read();
    return true;
}
