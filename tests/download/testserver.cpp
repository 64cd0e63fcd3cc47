#include "testserver.h"

#include <QCryptographicHash>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <map>

namespace {

std::string Md5(const std::string& text)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Md5).toHex().toStdString();
}

/** The key="value" and key=value pairs of a Digest Authorization header. */
std::map<std::string, std::string> DigestFields(const std::string& header)
{
    std::map<std::string, std::string> fields;
    size_t i = header.find(' ');
    while (i != std::string::npos && i < header.size()) {
        while (i < header.size() && (header[i] == ' ' || header[i] == ','))
            ++i;
        const size_t eq = header.find('=', i);
        if (eq == std::string::npos)
            break;
        const std::string key = header.substr(i, eq - i);
        std::string value;
        size_t end;
        if (eq + 1 < header.size() && header[eq + 1] == '"') {
            end = header.find('"', eq + 2);
            if (end == std::string::npos)
                break;
            value = header.substr(eq + 2, end - eq - 2);
            ++end;
        } else {
            end = header.find(',', eq + 1);
            value = header.substr(eq + 1, end == std::string::npos ? std::string::npos : end - eq - 1);
        }
        fields[key] = value;
        i = end;
    }
    return fields;
}

const char* const Realm = "pagemint";
const char* const Nonce = "5f0e2b9c";

} // namespace

const std::string& TTestHttpServer::Body()
{
    static const std::string body = [] {
        std::string text;
        for (int i = 0; i < 100000; ++i)
            text += char((i * 7 + i / 256) & 0xFF); // binary, zero bytes included
        return text;
    }();
    return body;
}

TTestHttpServer::TTestHttpServer() : m_server(std::make_unique<httplib::Server>())
{
    httplib::Server& server = *m_server;
    server.Get("/ok.bin", [this](const httplib::Request& req, httplib::Response& res) {
        Record(req.path, "");
        res.set_content(Body(), "application/octet-stream");
    });
    server.Get("/a b.jpg", [this](const httplib::Request& req, httplib::Response& res) {
        Record(req.path, "");
        res.set_content("spaced", "image/jpeg");
    });
    server.Get("/404", [this](const httplib::Request& req, httplib::Response& res) {
        Record(req.path, "");
        res.status = 404;
        res.set_content("not here", "text/html");
    });
    server.Get("/500", [this](const httplib::Request& req, httplib::Response& res) {
        Record(req.path, "");
        res.status = 500;
        res.set_content("broken", "text/html");
    });
    server.Get("/302", [this](const httplib::Request& req, httplib::Response& res) {
        Record(req.path, "");
        res.status = 302;
        res.set_header("Location", "/ok.bin");
        res.set_content("moved", "text/html");
    });
    server.Get("/headers", [this](const httplib::Request& req, httplib::Response& res) {
        Record(req.path, "");
        std::lock_guard<std::mutex> lock(m_mutex);
        m_headers.assign(req.headers.begin(), req.headers.end());
        res.set_content("headers", "text/plain");
    });
    server.Get("/basic", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string authorization = req.get_header_value("Authorization");
        Record(req.path, authorization);
        if (authorization == "Basic " + QByteArray("user:pass").toBase64().toStdString()) {
            res.set_content("basic body", "text/plain");
            return;
        }
        res.status = 401;
        res.set_header("WWW-Authenticate", std::string("Basic realm=\"") + Realm + "\"");
        res.set_content("who are you", "text/html");
    });
    server.Get("/basic-password-only", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string authorization = req.get_header_value("Authorization");
        Record(req.path, authorization);
        if (authorization == "Basic " + QByteArray(":pass").toBase64().toStdString()) {
            res.set_content("password only", "text/plain");
            return;
        }
        res.status = 401;
        res.set_header("WWW-Authenticate", std::string("Basic realm=\"") + Realm + "\"");
    });
    server.Get("/digest", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string authorization = req.get_header_value("Authorization");
        Record(req.path, authorization);
        if (authorization.rfind("Digest ", 0) == 0) {
            auto f = DigestFields(authorization);
            const std::string ha1 = Md5("user:" + std::string(Realm) + ":pass");
            const std::string ha2 = Md5("GET:" + f["uri"]);
            const std::string expected =
                Md5(ha1 + ":" + Nonce + ":" + f["nc"] + ":" + f["cnonce"] + ":" + f["qop"] + ":" + ha2);
            if (f["username"] == "user" && f["realm"] == Realm && f["nonce"] == Nonce && f["response"] == expected) {
                res.set_content("digest body", "text/plain");
                return;
            }
        }
        res.status = 401;
        res.set_header("WWW-Authenticate", std::string("Digest realm=\"") + Realm + "\", qop=\"auth\", nonce=\""
                                               + Nonce + "\", algorithm=MD5");
        res.set_content("who are you", "text/html");
    });
    m_port = server.bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::yield();
}

TTestHttpServer::~TTestHttpServer()
{
    m_server->stop();
    m_thread.join();
}

QString TTestHttpServer::Url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

void TTestHttpServer::Record(const std::string& path, const std::string& authorization)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_paths.push_back(path);
    if (path == "/basic" || path == "/digest" || path == "/basic-password-only")
        m_authorizations.push_back(authorization);
}

int TTestHttpServer::Hits(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(std::count(m_paths.begin(), m_paths.end(), path));
}

std::vector<std::string> TTestHttpServer::Authorizations() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_authorizations;
}

std::string TTestHttpServer::LastHeader(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& [key, value] : m_headers)
        if (QByteArray::fromStdString(key).toLower() == QByteArray::fromStdString(name).toLower())
            return value;
    return {};
}

TRawServer::TRawServer(Mode mode, std::string response) : m_mode(mode), m_response(std::move(response))
{
    if (::pipe(m_stop) != 0)
        return;
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(m_listen, 16) != 0
        || ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    m_port = ntohs(address.sin_port);
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
        ::close(client);
    }
}

void TRawServer::Serve(int client)
{
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
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
    case Mode::Stall: {
        send(head + std::string(100, 's'));
        pollfd stop = {m_stop[0], POLLIN, 0};
        ::poll(&stop, 1, -1);
        return;
    }
    }
}

// Under ThreadSanitizer: the loopback HTTP server comes from Debian's uninstrumented
// libcpp-httplib, whose own threads TSan cannot follow; reports from inside it are not ours.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libcpp-httplib.so\nrace:libcpp-httplib.so\n";
}
