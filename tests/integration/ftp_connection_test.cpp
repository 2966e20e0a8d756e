// The FTP layer against a real pyftpdlib server on an ephemeral loopback port.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "framework/app.h"
#include "framework/files.h"
#include "framework/internet.h"
#include "ftp_server.h"
#include "scoped_env.h"
#include "temp_folder.h"

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kUser = "tolvemar";
const std::string kPassword = "BenKORVA47@2";
// The bound on a downloaded file's size that the size-bound tests set, in bytes.
constexpr DWORD kSizeBound = 1000;

// Frees a caught exception however the test leaves.
struct ExceptionDeleter {
    void operator()(CException* exception) const { exception->Delete(); }
};
using CaughtException = std::unique_ptr<CInternetException, ExceptionDeleter>;

std::string MessageOf(const CInternetException& exception) {
    char buffer[1024];
    exception.GetErrorMessage(buffer, sizeof(buffer));
    return buffer;
}

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A loopback port on which nothing listens: bound once, then released.
int UnusedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), length), 0);
    EXPECT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    close(fd);
    return ntohs(address.sin_port);
}

class FtpConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeFolders(m_root / "Nolva Client");
        WriteFile(m_root / "Nolva Client/Version.ini", "[Version Info]\r\nVersion=1.1.1174.0\r\n");
        MakeFolders(m_local / "out");
    }

    void SetOption(DWORD option, DWORD value) {
        ASSERT_TRUE(m_session.SetOption(option, &value, sizeof(value), 0));
    }

    // Connects to the server with the account, failing the test on an exception.
    std::unique_ptr<CFtpConnection> Connect(const FtpServer& server) {
        try {
            return std::unique_ptr<CFtpConnection>(m_session.GetFtpConnection(
                "127.0.0.1", kUser.c_str(), kPassword.c_str(), server.port(), TRUE));
        } catch (CInternetException* raw) {
            CaughtException exception(raw);
            ADD_FAILURE() << "GetFtpConnection threw: " << MessageOf(*exception);
            return nullptr;
        }
    }

    // The exception that GetFtpConnection throws for the port, or none.
    CaughtException ConnectionFailure(int port) {
        try {
            std::unique_ptr<CFtpConnection> connection(m_session.GetFtpConnection(
                "127.0.0.1", kUser.c_str(), kPassword.c_str(), port, TRUE));
        } catch (CInternetException* raw) {
            return CaughtException(raw);
        }
        return nullptr;
    }

    std::string Local(const std::string& name) const { return m_local / ("out/" + name); }

    enum class Outcome { kFetched, kFailed, kTimedOut };

    // What GetFile made of the download: TRUE, FALSE, or the exception of a transfer that ran
    // out of time.
    static Outcome Download(CFtpConnection& connection, const char* remote,
                            const std::string& local) {
        try {
            return connection.GetFile(remote, local.c_str(), FALSE) ? Outcome::kFetched
                                                                     : Outcome::kFailed;
        } catch (CInternetException* raw) {
            CaughtException exception(raw);
            EXPECT_THAT(MessageOf(*exception), Not(IsEmpty()));
            return Outcome::kTimedOut;
        }
    }

    // No proxy from the developer's environment between the tests and the server.
    ScopedEnv m_noFtpProxy{"ftp_proxy", std::nullopt};
    ScopedEnv m_noAllProxy{"all_proxy", std::nullopt};
    ScopedEnv m_noAllProxyUpper{"ALL_PROXY", std::nullopt};
    TempFolder m_root;
    TempFolder m_local;
    CInternetSession m_session;
};

TEST_F(FtpConnectionTest, LogsInOnConnectThenFetchesOverTheSameConnectionInPassiveBinaryMode) {
    FtpServer server(m_root.path());
    auto connection = Connect(server);
    ASSERT_TRUE(connection);
    // The log-in has happened before any download is asked for.
    EXPECT_THAT(server.Commands(), Contains("PASS " + kPassword));
    EXPECT_THAT(server.Commands(), Not(Contains(StartsWith("RETR"))));

    ASSERT_TRUE(connection->GetFile("/Nolva Client/Version.ini", Local("Version.ini").c_str(),
                                    FALSE, FILE_ATTRIBUTE_NORMAL, FTP_TRANSFER_TYPE_BINARY, 1));
    EXPECT_EQ(ReadFile(Local("Version.ini")), "[Version Info]\r\nVersion=1.1.1174.0\r\n");
    connection->Close();

    const auto commands = server.Commands();
    EXPECT_EQ(server.Connections(), 1);
    EXPECT_THAT(commands, Contains("USER " + kUser));
    EXPECT_THAT(commands, Contains("PASV"));
    EXPECT_THAT(commands, Not(Contains(StartsWith("EPSV"))));
    EXPECT_THAT(commands, Not(Contains(StartsWith("CWD"))));
    EXPECT_THAT(commands, Contains("TYPE I"));
    EXPECT_THAT(commands, Contains("RETR /Nolva Client/Version.ini"));
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), "QUIT");
}

TEST_F(FtpConnectionTest, RemotePathReachesTheServerExactlyAsGiven) {
    const std::vector<std::string> paths = {
        "/Nolva Client/Version.ini",  // blank, leading slash kept
        "Nolva Client/Version.ini",   // relative stays relative
        "/odd/100% done.ini",        "/odd/a#b?c=d&e.ini",
        "/odd/x;type=a.ini",  // not taken for libcurl's transfer-type suffix
        "/odd/plus+tilde~.ini",      "/odd/caf\xC3\xA9.ini", "/odd/./dot.ini", "/odd/sub/../up.ini",
    };
    MakeFolders(m_root / "odd/sub");
    for (const char* name : {"100% done.ini", "a#b?c=d&e.ini", "x;type=a.ini", "plus+tilde~.ini",
                             "caf\xC3\xA9.ini", "dot.ini", "up.ini"}) {
        WriteFile(m_root / ("odd/" + std::string(name)), std::string("content of ") + name);
    }
    FtpServer server(m_root.path());
    auto connection = Connect(server);
    ASSERT_TRUE(connection);

    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const std::string local = Local("fetched");
        ASSERT_TRUE(connection->GetFile(path.c_str(), local.c_str(), FALSE));
        const fs::path served = fs::path(m_root.path()) / fs::path(path).relative_path();
        EXPECT_EQ(ReadFile(local), ReadFile(fs::weakly_canonical(served).string()));
        EXPECT_EQ(server.Commands().rbegin()[0], "RETR " + path);
    }
}

TEST_F(FtpConnectionTest, PathsThatAreNoFileFailWithoutSendingAnythingElse) {
    WriteFile(m_root / "victim.txt", "keep me");
    FtpServer server(m_root.path());
    auto connection = Connect(server);
    ASSERT_TRUE(connection);
    const auto before = server.Commands();

    // A line break must not smuggle a second command onto the control connection; a path
    // that names a folder must not turn into a listing saved as the file.
    for (const char* path :
         {"/victim.txt\r\nDELE /victim.txt", "/x\nDELE /victim.txt", "/Nolva Client/", "/", ""}) {
        SCOPED_TRACE(::testing::PrintToString(std::string(path)));
        EXPECT_FALSE(connection->GetFile(path, Local("fetched").c_str(), FALSE));
        EXPECT_FALSE(Exists(Local("fetched")));
    }
    connection->Close();
    for (const std::string& command : server.Commands()) {
        EXPECT_THAT(command, Not(StartsWith("DELE")));
        EXPECT_THAT(command, Not(StartsWith("LIST")));
        EXPECT_THAT(command, Not(StartsWith("NLST")));
        EXPECT_THAT(command, Not(StartsWith("RETR")));
    }
    EXPECT_EQ(ReadFile(m_root / "victim.txt"), "keep me");
    EXPECT_THAT(EntriesOf(m_local / "out"), IsEmpty());
}

TEST_F(FtpConnectionTest, ReplacesAnExistingFileOnlyWhenTheWholeFileHasArrived) {
    WriteFile(Local("Version.ini"), "old copy");
    FtpServer server(m_root.path());
    auto connection = Connect(server);
    ASSERT_TRUE(connection);

    // A file the server refuses (550): the old copy stays untouched, nothing is left over.
    EXPECT_FALSE(
        connection->GetFile("/Nolva Client/Missing.ini", Local("Version.ini").c_str(), FALSE));
    EXPECT_EQ(ReadFile(Local("Version.ini")), "old copy");
    EXPECT_THAT(EntriesOf(m_local / "out"), ElementsAre("Version.ini"));

    // Not asked to replace: the old copy stays.
    EXPECT_FALSE(
        connection->GetFile("/Nolva Client/Version.ini", Local("Version.ini").c_str(), TRUE));
    EXPECT_EQ(ReadFile(Local("Version.ini")), "old copy");

    ASSERT_TRUE(
        connection->GetFile("/Nolva Client/Version.ini", Local("Version.ini").c_str(), FALSE));
    EXPECT_EQ(ReadFile(Local("Version.ini")), "[Version Info]\r\nVersion=1.1.1174.0\r\n");
    EXPECT_THAT(EntriesOf(m_local / "out"), ElementsAre("Version.ini"));
}

TEST_F(FtpConnectionTest, TheFileIsAnOrdinaryOneThatItsOwnerCanWriteWhateverTheUmask) {
    FtpServer server(m_root.path());
    auto connection = Connect(server);
    ASSERT_TRUE(connection);
    struct Case {
        mode_t umask;
        mode_t mode;
    };
    // As any new file of the user's, not a private temporary one; but never read-only.
    const Case cases[] = {{022, 0644}, {077, 0600}, {0277, 0600}, {0477, 0600}, {0, 0666}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.umask);
        const mode_t before = umask(c.umask);
        const BOOL fetched = connection->GetFile("/Nolva Client/Version.ini",
                                                 Local("Version.ini").c_str(), FALSE);
        umask(before);
        ASSERT_TRUE(fetched);
        struct stat info {};
        ASSERT_EQ(stat(Local("Version.ini").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.mode);
    }
}

TEST_F(FtpConnectionTest, ALeftoverOfAKilledDownloadIsReplacedAndNeverFollowed) {
    TempFolder elsewhere;
    WriteFile(elsewhere / "precious.txt", "keep me");
    FtpServer server(m_root.path());
    auto connection = Connect(server);
    ASSERT_TRUE(connection);
    const std::string leftover = Local(".Version.ini.download");

    WriteFile(leftover, "half a file from a killed start");
    ASSERT_TRUE(
        connection->GetFile("/Nolva Client/Version.ini", Local("Version.ini").c_str(), FALSE));
    EXPECT_THAT(EntriesOf(m_local / "out"), ElementsAre("Version.ini"));

    // A link at the temporary name is removed as a link; what it points at is not written.
    fs::create_symlink(elsewhere / "precious.txt", leftover);
    ASSERT_TRUE(
        connection->GetFile("/Nolva Client/Version.ini", Local("Version.ini").c_str(), FALSE));
    EXPECT_THAT(EntriesOf(m_local / "out"), ElementsAre("Version.ini"));
    EXPECT_EQ(ReadFile(elsewhere / "precious.txt"), "keep me");
    EXPECT_EQ(ReadFile(Local("Version.ini")), "[Version Info]\r\nVersion=1.1.1174.0\r\n");
}

TEST_F(FtpConnectionTest, WritesAnEmptyRemoteFileAsAnEmptyFile) {
    WriteFile(m_root / "empty.ini", "");
    WriteFile(Local("empty.ini"), "old copy");
    FtpServer server(m_root.path());
    auto connection = Connect(server);
    ASSERT_TRUE(connection);
    ASSERT_TRUE(connection->GetFile("/empty.ini", Local("empty.ini").c_str(), FALSE));
    EXPECT_EQ(ReadFile(Local("empty.ini")), "");
}

TEST_F(FtpConnectionTest, FailsWhereNoFileCanBeWritten) {
    MakeFolders(Local("Version.ini"));
    WriteFile(Local("Version.ini") + "/inside", "kept");
    FtpServer server(m_root.path());
    auto connection = Connect(server);
    ASSERT_TRUE(connection);

    EXPECT_FALSE(
        connection->GetFile("/Nolva Client/Version.ini", Local("Version.ini").c_str(), FALSE));
    EXPECT_EQ(ReadFile(Local("Version.ini") + "/inside"), "kept");
    EXPECT_FALSE(connection->GetFile("/Nolva Client/Version.ini",
                                     Local("no such folder/Version.ini").c_str(), FALSE));
    EXPECT_THAT(EntriesOf(m_local / "out"), ElementsAre("Version.ini"));
}

TEST_F(FtpConnectionTest, ADataConnectionDroppedHalfwayLeavesNoFile) {
    WriteFile(m_root / "big.bin", std::string(200000, 'x'));
    FtpServer server(m_root.path(), 0, {"--drop-data"});
    auto connection = Connect(server);
    ASSERT_TRUE(connection);
    EXPECT_FALSE(connection->GetFile("/big.bin", Local("big.bin").c_str(), FALSE));
    EXPECT_THAT(EntriesOf(m_local / "out"), IsEmpty());
}

TEST_F(FtpConnectionTest, AStalledTransferEndsAtTheReceiveLimit) {
    SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, 2000);
    FtpServer server(m_root.path(), 0, {"--stall-data"});
    auto connection = Connect(server);
    ASSERT_TRUE(connection);
    const auto start = Clock::now();
    EXPECT_EQ(Download(*connection, "/Nolva Client/Version.ini", Local("Version.ini")),
              Outcome::kTimedOut);
    const double elapsed = SecondsSince(start);
    EXPECT_GE(elapsed, 1.9);
    EXPECT_LT(elapsed, 6.0);
    EXPECT_THAT(EntriesOf(m_local / "out"), IsEmpty());
}

TEST_F(FtpConnectionTest, ATransferThatTricklesEndsAtTheWholeTransfersBound) {
    // A byte every 2 s never trips the receive limit, and the 36 bytes of the file would take
    // 70 s; only the bound on the whole transfer, 40 s, can end it.
    FtpServer server(m_root.path(), 0, {"--trickle", "2"});
    auto connection = Connect(server);
    ASSERT_TRUE(connection);
    const auto start = Clock::now();
    EXPECT_EQ(Download(*connection, "/Nolva Client/Version.ini", Local("Version.ini")),
              Outcome::kTimedOut);
    const double elapsed = SecondsSince(start);
    EXPECT_GE(elapsed, 39.5);
    EXPECT_LT(elapsed, 45.0);
    EXPECT_THAT(EntriesOf(m_local / "out"), IsEmpty());
}

TEST_F(FtpConnectionTest, ALargeFileArrivesWhole) {
    constexpr int kSize = 20 * 1000 * 1000 + 7;
    FtpServer server(m_root.path(), 0, {"--huge", std::to_string(kSize)});
    auto connection = Connect(server);
    ASSERT_TRUE(connection);
    ASSERT_TRUE(connection->GetFile("/huge.bin", Local("huge.bin").c_str(), FALSE));
    const std::string content = ReadFile(Local("huge.bin"));
    ASSERT_EQ(content.size(), static_cast<std::size_t>(kSize));
    // The server's pattern: byte i is i % 251.
    for (std::size_t i = 0; i < content.size(); i += 4099) {
        ASSERT_EQ(static_cast<unsigned char>(content[i]), i % 251) << "at " << i;
    }
    EXPECT_EQ(static_cast<unsigned char>(content.back()), (kSize - 1) % 251);
}

TEST_F(FtpConnectionTest, AFileUpToTheSizeBoundArrivesAndALargerOneLeavesTheOldCopyAlone) {
    struct Case {
        std::size_t size;
        bool announced;  // whether the server answers SIZE
        bool accepted;
    };
    const Case cases[] = {
        {kSizeBound, true, true},
        {kSizeBound + 1, true, false},  // refused at the announced size
        {kSizeBound, false, true},
        {kSizeBound + 1, false, false},  // refused once the byte past the bound arrives
        {20 * kSizeBound, false, false},
    };
    SetOption(INTERNET_OPTION_MAX_FILE_SIZE, kSizeBound);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + (c.announced ? " announced" : " not announced"));
        const std::string content(c.size, 'v');
        WriteFile(m_root / "file.bin", content);
        WriteFile(Local("file.bin"), "old copy");
        std::vector<std::string> faults;
        if (!c.announced) faults.push_back("--no-size");
        FtpServer server(m_root.path(), 0, faults);
        auto connection = Connect(server);
        ASSERT_TRUE(connection);

        const BOOL fetched = connection->GetFile("/file.bin", Local("file.bin").c_str(), FALSE);

        EXPECT_EQ(fetched, c.accepted ? TRUE : FALSE);
        EXPECT_EQ(ReadFile(Local("file.bin")), c.accepted ? content : "old copy");
        // No temporary file stays behind.
        EXPECT_THAT(EntriesOf(m_local / "out"), ElementsAre("file.bin"));
        if (c.announced && !c.accepted) {
            // An announced size over the bound is refused before any data is asked for.
            EXPECT_THAT(server.Commands(), Not(Contains(StartsWith("RETR"))));
        }
    }
}

TEST_F(FtpConnectionTest, TheTransferEndsOnceMoreThanTheSizeBoundHasArrived) {
    // A server that announces no size, sends a little past the bound of a huge file and then
    // holds the data connection open: only the bound can end the transfer before the
    // receive limit. With exactly the bound sent, the receive limit has to end it.
    struct Case {
        DWORD sent;
        DWORD receiveTimeout;
        Outcome outcome;
        double atLeast;  // seconds
        double below;
    };
    const Case cases[] = {
        {kSizeBound + 1, 20000, Outcome::kFailed, 0.0, 5.0},
        {kSizeBound, 2000, Outcome::kTimedOut, 1.9, 6.0},
    };
    SetOption(INTERNET_OPTION_MAX_FILE_SIZE, kSizeBound);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent);
        SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, c.receiveTimeout);
        FtpServer server(m_root.path(), 0,
                         {"--no-size", "--huge", std::to_string(50 * 1024 * 1024), "--stall-after",
                          std::to_string(c.sent)});
        auto connection = Connect(server);
        ASSERT_TRUE(connection);
        const auto start = Clock::now();

        EXPECT_EQ(Download(*connection, "/huge.bin", Local("huge.bin")), c.outcome);

        const double elapsed = SecondsSince(start);
        EXPECT_GE(elapsed, c.atLeast);
        EXPECT_LT(elapsed, c.below);
        EXPECT_THAT(EntriesOf(m_local / "out"), IsEmpty());
    }
}

TEST_F(FtpConnectionTest, AMaxFileSizeOfZeroSetsNoBound) {
    SetOption(INTERNET_OPTION_MAX_FILE_SIZE, kSizeBound);
    SetOption(INTERNET_OPTION_MAX_FILE_SIZE, 0);
    FtpServer server(m_root.path(), 0, {"--no-size", "--huge", std::to_string(3 * 1024 * 1024)});
    auto connection = Connect(server);
    ASSERT_TRUE(connection);
    ASSERT_TRUE(connection->GetFile("/huge.bin", Local("huge.bin").c_str(), FALSE));
    EXPECT_EQ(fs::file_size(Local("huge.bin")), 3u * 1024 * 1024);
}

TEST_F(FtpConnectionTest, ARefusedLogInThrowsAtOnceWithoutAnotherTry) {
    SetOption(INTERNET_OPTION_CONNECT_RETRIES, 2);
    SetOption(INTERNET_OPTION_CONNECT_BACKOFF, 1000);
    FtpServer server(m_root.path(), 0, {"--refuse-login"});
    const auto start = Clock::now();
    CaughtException failure = ConnectionFailure(server.port());
    ASSERT_TRUE(failure);
    EXPECT_LT(SecondsSince(start), 0.9);
    EXPECT_THAT(MessageOf(*failure), HasSubstr("530"));
    EXPECT_EQ(server.Connections(), 1);
}

TEST_F(FtpConnectionTest, AServerWithOneAddressIsTriedOnceWhateverTheRetryOptionsSay) {
    struct Case {
        const char* what;
        std::optional<const char*> fault;  // none: nothing listens on the port
        DWORD connectTimeout;
        double atLeast;  // seconds
        double below;
    };
    const Case cases[] = {
        {"closed at once", "--accept-and-close", 5000, 0.0, 0.4},
        {"refused", std::nullopt, 5000, 0.0, 0.4},
        // The greeting counts as part of the connection: the time-out ends the one try.
        {"never greets", "--never-greet", 500, 0.45, 1.5},
    };
    SetOption(INTERNET_OPTION_CONNECT_RETRIES, 2);
    SetOption(INTERNET_OPTION_CONNECT_BACKOFF, 1000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetOption(INTERNET_OPTION_CONNECT_TIMEOUT, c.connectTimeout);
        std::optional<FtpServer> server;
        if (c.fault) server.emplace(m_root.path(), 0, std::vector<std::string>{*c.fault});
        const auto start = Clock::now();
        CaughtException failure = ConnectionFailure(server ? server->port() : UnusedPort());
        const double elapsed = SecondsSince(start);
        ASSERT_TRUE(failure);
        EXPECT_THAT(MessageOf(*failure), Not(IsEmpty()));
        if (server) {
            EXPECT_EQ(server->Connections(), 1);
        }
        EXPECT_GE(elapsed, c.atLeast);
        EXPECT_LT(elapsed, c.below);
    }
}

TEST_F(FtpConnectionTest, ClosingLogsOutAndLeavesNothingUsable) {
    FtpServer server(m_root.path());
    auto connection = Connect(server);
    ASSERT_TRUE(connection);
    connection->Close();
    ASSERT_FALSE(server.Commands().empty());
    EXPECT_EQ(server.Commands().back(), "QUIT");
    EXPECT_FALSE(
        connection->GetFile("/Nolva Client/Version.ini", Local("Version.ini").c_str(), FALSE));
    connection->Close();
    EXPECT_FALSE(Exists(Local("Version.ini")));
    EXPECT_EQ(server.Connections(), 1);

    m_session.Close();
    m_session.Close();
    EXPECT_TRUE(ConnectionFailure(server.port()));
    EXPECT_EQ(server.Connections(), 1);
}

TEST(InternetSessionTest, OpensOnlyWithSettingsItCanHonour) {
    struct Case {
        DWORD accessType;
        const char* proxy;
        const char* bypass;
        DWORD flags;
    };
    const Case refused[] = {
        {1, nullptr, nullptr, 0},
        {INTERNET_OPEN_TYPE_PRECONFIG, "proxy.example:8080", nullptr, 0},
        {INTERNET_OPEN_TYPE_PRECONFIG, nullptr, "<local>", 0},
        {INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0x10000000},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.accessType);
        bool threw = false;
        try {
            CInternetSession session(nullptr, 1, c.accessType, c.proxy, c.bypass, c.flags);
        } catch (CInternetException* raw) {
            CaughtException exception(raw);
            threw = true;
        }
        EXPECT_TRUE(threw);
    }
}

// A one-shot HTTP proxy on loopback that records the request it receives.
class RecordingProxy {
public:
    RecordingProxy() {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        EXPECT_EQ(bind(m_listener, reinterpret_cast<sockaddr*>(&address), length), 0);
        EXPECT_EQ(listen(m_listener, 1), 0);
        EXPECT_EQ(getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~RecordingProxy() {
        shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        close(m_listener);
    }
    int port() const { return m_port; }
    // Valid once the client's call has returned.
    const std::string& request() const { return m_request; }

private:
    void Serve() {
        const int client = accept(m_listener, nullptr, nullptr);
        if (client < 0) return;
        char buffer[4096];
        while (m_request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t count = read(client, buffer, sizeof(buffer));
            if (count <= 0) break;
            m_request.append(buffer, static_cast<std::size_t>(count));
        }
        const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
        EXPECT_EQ(write(client, reply.data(), reply.size()), static_cast<ssize_t>(reply.size()));
        close(client);
    }

    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
    std::string m_request;
};

TEST(InternetSessionTest, GoesThroughTheProxyOfTheEnvironmentNamedByTheApplication) {
    RecordingProxy proxy;
    ScopedEnv ftpProxy("ftp_proxy", "http://127.0.0.1:" + std::to_string(proxy.port()));
    ScopedEnv noProxy("no_proxy", std::nullopt);
    ScopedEnv noProxyUpper("NO_PROXY", std::nullopt);
    CWinApp app("Agent Of The App");
    const int serverPort = UnusedPort();  // never contacted: the proxy answers instead
    CInternetSession session;
    try {
        std::unique_ptr<CFtpConnection> connection(session.GetFtpConnection(
            "127.0.0.1", kUser.c_str(), kPassword.c_str(), serverPort, TRUE));
    } catch (CInternetException* raw) {
        CaughtException exception(raw);
        ADD_FAILURE() << MessageOf(*exception);
    }
    EXPECT_THAT(proxy.request(), StartsWith("HEAD ftp://"));
    EXPECT_THAT(proxy.request(),
                HasSubstr("127.0.0.1:" + std::to_string(serverPort) + "/ HTTP/1.1\r\n"));
    EXPECT_THAT(proxy.request(), HasSubstr("\r\nUser-Agent: Agent Of The App\r\n"));
}

}  // namespace
