#include "testsite.h"

#include "imagefiles.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <regex>

namespace {

std::string Key(const QString& path)
{
    return path.toStdString();
}

bool SameName(const std::string& a, const std::string& b)
{
    return QByteArray::fromStdString(a).compare(QByteArray::fromStdString(b), Qt::CaseInsensitive) == 0;
}

std::string FindHeader(const TTestHeaders& headers, const std::string& name)
{
    for (const auto& [key, value] : headers)
        if (SameName(key, name))
            return value;
    return {};
}

int BindLoopback(int* port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    *port = ntohs(address.sin_port);
    return fd;
}

QString LoopbackUrl(int port, const QString& path)
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
}

} // namespace

std::string TTestRequest::Header(const std::string& name) const
{
    return FindHeader(Headers, name);
}

// ---- TTestSite ----

struct TTestSite::TRoute
{
    std::regex pattern;
    TTestHandler handler;
};

TTestSite::TTestSite() : m_server(std::make_unique<httplib::Server>())
{
    // Chromium keeps several idle connections open and hanging paths hold one each, so the
    // pool must be larger than the library's default for a machine with two cores.
    m_server->new_task_queue = [] { return new httplib::ThreadPool(48); };
    m_server->set_keep_alive_timeout(2);
    // Headers and body go out in separate writes; without this each response can wait for a
    // delayed acknowledgement.
    m_server->set_tcp_nodelay(true);
    m_server->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        TEntry entry;
        bool fixed = false;
        std::vector<std::shared_ptr<const TRoute>> routes;
        TTestHeaders headers;
        for (const auto& header : request.headers) {
            if (header.first.rfind("REMOTE_", 0) != 0 && header.first.rfind("LOCAL_", 0) != 0)
                headers.push_back(header);
        }
        {
            std::lock_guard lock(m_mutex);
            ++m_hits[request.path];
            m_lastHeaders[request.path] = headers;
            const auto it = m_entries.find(request.path);
            fixed = it != m_entries.end();
            if (fixed)
                entry = it->second;
            else
                routes = m_routes;
        }
        if (!fixed) {
            for (const auto& route : routes) {
                std::smatch match;
                if (!std::regex_match(request.path, match, route->pattern))
                    continue;
                TTestRequest asked{request.path, {}, std::move(headers)};
                for (const auto& group : match)
                    asked.Matches.push_back(group.str());
                TTestResponse answer;
                route->handler(asked, answer);
                response.status = answer.Status;
                for (const auto& [name, value] : answer.Headers)
                    response.set_header(name, value);
                if (!answer.Body.empty())
                    response.set_content(answer.Body, answer.Type);
                return;
            }
            response.status = 404;
            response.set_content("not found", "text/plain");
            return;
        }
        if (!entry.hanging) {
            response.status = entry.status;
            for (const auto& [name, value] : entry.headers)
                response.set_header(name, value);
            response.set_content(entry.body.constData(), size_t(entry.body.size()), entry.type.c_str());
            return;
        }
        const auto waitForRelease = [this] {
            std::unique_lock lock(m_mutex);
            const quint64 generation = m_releaseGeneration;
            m_released.wait(lock, [&] { return m_stopping || m_releaseGeneration != generation; });
        };
        if (entry.body.isEmpty()) {
            // Silent: nothing at all goes out before the release.
            waitForRelease();
            response.set_content("late", "text/html");
            return;
        }
        response.set_chunked_content_provider(
            entry.type, [waitForRelease, head = entry.body](size_t offset, httplib::DataSink& sink) {
                if (offset == 0) {
                    sink.write(head.constData(), size_t(head.size()));
                    return true;
                }
                waitForRelease();
                return false; // drops the connection: the response never completes
            });
    });
}

TTestSite::~TTestSite()
{
    Stop();
}

void TTestSite::Add(const QString& path, const QByteArray& body, const QString& contentType,
                    const TTestHeaders& headers)
{
    std::lock_guard lock(m_mutex);
    m_entries[Key(path)] = TEntry{body, contentType.toStdString(), false, 200, headers};
}

void TTestSite::AddPage(const QString& path, const QString& html)
{
    Add(path, html.toUtf8(), QStringLiteral("text/html; charset=utf-8"));
}

void TTestSite::AddRedirect(const QString& path, const QString& to)
{
    std::lock_guard lock(m_mutex);
    m_entries[Key(path)] = TEntry{QByteArray(), "text/html", false, 302, {{"Location", to.toStdString()}}};
}

void TTestSite::AddHanging(const QString& path, const QByteArray& head, const QString& contentType)
{
    std::lock_guard lock(m_mutex);
    m_entries[Key(path)] = TEntry{head, contentType.toStdString(), true, 200, {}};
}

void TTestSite::AddHandler(const std::string& pattern, TTestHandler handler)
{
    auto route = std::make_shared<TRoute>(TRoute{std::regex(pattern), std::move(handler)});
    std::lock_guard lock(m_mutex);
    m_routes.push_back(std::move(route));
}

void TTestSite::AddCookiePages()
{
    Add(QStringLiteral("/setcookie"), "<body>logged on</body>", QStringLiteral("text/html"),
        {{"Set-Cookie", "session=abc; Path=/"}});
    Add(QStringLiteral("/echocookie"), "<body>hello</body>", QStringLiteral("text/html"));
}

bool TTestSite::Start()
{
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        return false;
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::yield();
    return true;
}

void TTestSite::Release()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_releaseGeneration;
    }
    m_released.notify_all();
}

void TTestSite::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_released.notify_all();
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}

QString TTestSite::Url(const QString& path) const
{
    return LoopbackUrl(m_port, path);
}

int TTestSite::Hits(const QString& path) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_hits.find(Key(path));
    return it == m_hits.end() ? 0 : it->second;
}

int TTestSite::TotalHits() const
{
    std::lock_guard lock(m_mutex);
    int total = 0;
    for (const auto& [path, count] : m_hits)
        total += count;
    return total;
}

TTestHeaders TTestSite::LastRequestHeaders(const QString& path) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_lastHeaders.find(Key(path));
    return it == m_lastHeaders.end() ? TTestHeaders{} : it->second;
}

std::string TTestSite::LastRequestHeader(const QString& path, const std::string& name) const
{
    return FindHeader(LastRequestHeaders(path), name);
}

// ---- TRawServer ----

TRawServer::TRawServer(Mode mode, std::string response) : m_mode(mode), m_response(std::move(response))
{
    if (::pipe(m_stop) != 0)
        return;
    int port = 0;
    m_listen = BindLoopback(&port);
    if (m_listen < 0 || ::listen(m_listen, 16) != 0)
        return;
    m_port = port;
    m_thread = std::thread([this] { Run(); });
}

TRawServer::~TRawServer()
{
    if (m_stop[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(m_stop[1], &byte, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (int fd : {m_listen, m_stop[0], m_stop[1]})
        if (fd >= 0)
            ::close(fd);
}

QString TRawServer::Url(const QString& path) const
{
    return LoopbackUrl(m_port, path);
}

std::string TRawServer::RequestLine() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requestLine;
}

std::string TRawServer::Request() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_request;
}

void TRawServer::Run()
{
    for (;;) {
        pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN))
            return;
        const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        ++m_connections;
        Serve(client);
        // Closing the sending side first lets the client read all that was sent.
        ::shutdown(client, SHUT_WR);
        ::close(client);
    }
}

void TRawServer::Serve(int client)
{
    std::string request;
    char buffer[4096];
    // The garbage answer goes out also to a client that sends nothing (a browser's spare
    // connection); the others wait for a whole request or the end of the server.
    const int waitMs = m_mode == Mode::Garbage ? 1000 : -1;
    while (request.find("\r\n\r\n") == std::string::npos) {
        pollfd fds[2] = {{client, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, waitMs);
        if (ready < 0 || (fds[1].revents & POLLIN))
            return;
        if (ready == 0)
            break;
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) {
            if (m_mode == Mode::Garbage)
                break;
            return;
        }
        request.append(buffer, size_t(got));
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requestLine = request.substr(0, request.find("\r\n"));
        m_request = request.substr(0, request.find("\r\n\r\n") + 4);
    }
    auto send = [client](const std::string& bytes) {
        ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    };
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: 1000\r\n\r\n";
    switch (m_mode) {
    case Mode::Respond:
        send(m_response);
        return;
    case Mode::DropMidBody:
        send(head + std::string(500, 'd'));
        return;
    case Mode::Garbage: {
        static const char prefix[] = "\x00\x17\xff\xfe garbage \x01\x02\x03 <html> not http\r\n\r\n";
        static const QByteArray garbage = QByteArray(prefix, sizeof prefix - 1) + MakeBytes(2000, 7);
        send(garbage.toStdString());
        return;
    }
    case Mode::Stall: {
        send(head + std::string(100, 's'));
        pollfd stop = {m_stop[0], POLLIN, 0};
        ::poll(&stop, 1, -1);
        return;
    }
    }
}


int UnusedLoopbackPort()
{
    int port = 0;
    const int fd = BindLoopback(&port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

// Under ThreadSanitizer: the loopback HTTP server comes from Debian's uninstrumented
// libcpp-httplib, whose own threads TSan cannot follow; reports from inside it are not ours.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libcpp-httplib.so\nrace:libcpp-httplib.so\n";
}
