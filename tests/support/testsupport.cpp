#include "support/testsupport.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string testToolPath(const std::string& name)
{
    return std::string(KZ7_BIN_DIR) + "/" + name;
}

std::string testCorpusPath(const std::string& relative)
{
    const char* dir = std::getenv("KZ7_CORPUS_DIR");
    return std::string(dir ? dir : KZ7_CORPUS_DIR) + "/" + relative;
}

bool testCorpusAvailable()
{
    return fs::is_directory(testCorpusPath(""));
}

RunResult testRun(const std::string& tool, const std::vector<std::string>& args,
                  const std::string& cwd, const std::string& input)
{
    return testRunExe(testToolPath(tool), args, cwd, input);
}

RunResult testRunExe(const std::string& exe, const std::vector<std::string>& args,
                     const std::string& cwd, const std::string& input)
{
    int inPipe[2], outPipe[2], errPipe[2];
    if (pipe(inPipe) || pipe(outPipe) || pipe(errPipe))
        throw std::runtime_error("pipe failed");
    std::vector<std::string> argvStore;
    argvStore.push_back(exe);
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
            close(fd);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0)
            _exit(126);
        if (exe.find('/') == std::string::npos)
            execvp(exe.c_str(), argv.data());
        else
            execv(exe.c_str(), argv.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);

    RunResult r;
    size_t written = 0;
    int inFd = inPipe[1];
    if (input.empty()) {
        close(inFd);
        inFd = -1;
    }
    bool outOpen = true, errOpen = true;
    char buf[65536];
    while (outOpen || errOpen) {
        pollfd fds[3];
        int n = 0;
        if (outOpen)
            fds[n++] = {outPipe[0], POLLIN, 0};
        if (errOpen)
            fds[n++] = {errPipe[0], POLLIN, 0};
        if (inFd >= 0)
            fds[n++] = {inFd, POLLOUT, 0};
        if (poll(fds, n, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (!fds[i].revents)
                continue;
            if (fds[i].fd == inFd) {
                const ssize_t w = write(inFd, input.data() + written, input.size() - written);
                if (w > 0)
                    written += static_cast<size_t>(w);
                if (w <= 0 || written == input.size()) {
                    close(inFd);
                    inFd = -1;
                }
                continue;
            }
            const ssize_t got = read(fds[i].fd, buf, sizeof buf);
            std::string& sink = fds[i].fd == outPipe[0] ? r.out : r.err;
            bool& open = fds[i].fd == outPipe[0] ? outOpen : errOpen;
            if (got > 0)
                sink.append(buf, static_cast<size_t>(got));
            else
                open = false;
        }
    }
    if (inFd >= 0)
        close(inFd);
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

ScratchDir::ScratchDir()
{
    std::string tmpl = (fs::temp_directory_path() / "kz7test-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    path = tmpl;
}

ScratchDir::~ScratchDir()
{
    std::error_code ec;
    fs::remove_all(path, ec);
}

std::vector<uint8_t> testReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string testReadText(const std::string& path)
{
    const auto bytes = testReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

void testWriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

void testWriteText(const std::string& path, const std::string& text)
{
    testWriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

bool testExists(const std::string& path)
{
    return fs::exists(path);
}

void testMkdirs(const std::string& path)
{
    fs::create_directories(path);
}

std::vector<std::string> testListDir(const std::string& path)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> testLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t nl = text.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}
