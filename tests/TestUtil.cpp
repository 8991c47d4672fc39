#include "TestUtil.h"

#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/FolderLock.h"

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vornatest-XXXXXX").string();
    char* p = mkdtemp(tmpl.data());
    m_Path = p ? std::string(p) : std::string();
}

TempDir::~TempDir() {
    if (m_Path.empty()) return;
    std::error_code ec;
    // Permission tests may leave read-only folders behind.
    for (auto& e : std::filesystem::recursive_directory_iterator(m_Path, ec))
        if (e.is_directory(ec)) ::chmod(e.path().c_str(), 0755);
    std::filesystem::remove_all(m_Path, ec);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::set<std::string> DamagedCopies(const std::string& file) {
    std::set<std::string> names;
    const std::filesystem::path p(file);
    for (const auto& e : std::filesystem::directory_iterator(p.parent_path())) {
        const std::string name = e.path().filename().string();
        if (name.rfind(p.filename().string() + ".damaged", 0) == 0) names.insert(name);
    }
    return names;
}

std::vector<std::string> DamageTexts(const std::vector<std::string>& texts) {
    std::vector<std::string> found;
    for (const std::string& t : texts)
        if (t.find(" is damaged: ") != std::string::npos) found.push_back(t);
    return found;
}

std::string TestDataDir() {
    std::string d = VORNA_TESTDATA_DIR;
    return std::filesystem::is_directory(d) ? d : std::string();
}

std::string ToolsDir() { return VORNA_TOOLS_DIR; }

void WhenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_Name(name) {
    if (const char* old = std::getenv(name)) m_Old = old, m_Had = true;
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (m_Had)
        setenv(m_Name, m_Old.c_str(), 1);
    else
        unsetenv(m_Name);
}

SimProcess::SimProcess(const std::string& options) {
    std::vector<std::string> args = {ToolsDir() + "/garmin-sim"};
    std::istringstream in(options);
    for (std::string a; in >> a;) args.push_back(a);
    int out[2];
    if (::pipe(out) != 0) return;
    if ((pid = ::fork()) == 0) {
        ::dup2(out[1], 1);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    pollfd pfd{out[0], POLLIN, 0};
    for (char c; ::poll(&pfd, 1, 10000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n';) path += c;
    ::close(out[0]);
}

SimProcess::~SimProcess() {
    if (pid > 0 && ::kill(pid, SIGTERM) == 0) ::waitpid(pid, nullptr, 0);
}

OtherCopy::OtherCopy(const std::string& folder) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid = ::fork();
    if (pid == 0) {
        CFolderLocks locks;
        const char answer = locks.Lock(folder) == FolderLockStatus::Taken ? 'y' : 'n';
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &answer, 1);
        for (;;) ::pause();
    }
    char answer = 0;
    took = pid > 0 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
    ::close(ready[1]);
}

void OtherCopy::Kill() {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

bool UseDecimalCommaLocale(const TempDir& dir) {
    auto comma = [] { return std::localeconv()->decimal_point[0] == ','; };
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "it_IT.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name) && comma()) return true;
    if (!std::filesystem::exists("/usr/share/i18n/locales/de_DE")) return false;
    const std::string cmd = "localedef -i de_DE -f UTF-8 '" + dir.file("de_DE.UTF-8") + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) == -1 || !std::filesystem::exists(dir.file("de_DE.UTF-8/LC_NUMERIC")))
        return false;
    setenv("LOCPATH", dir.path().c_str(), 1);
    return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && comma();
}
