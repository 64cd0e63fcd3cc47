#pragma once
// Loopback servers for the download worker tests: an HTTP server (cpp-httplib) with the routes
// the tests need, and a raw TCP server for what HTTP libraries will not do (stalling, dropping
// the connection mid-body, acting as a proxy that only records the request line).

#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib { class Server; }

/** Routes: /ok.bin (the body of Body()), /404, /500, /302 (to /ok.bin), /basic and /digest
 *  (user "user", password "pass"), /headers (records the request headers), "/a b.jpg". */
class TTestHttpServer
{
public:
    TTestHttpServer();
    ~TTestHttpServer();
    int Port() const { return m_port; }
    QString Url(const QString& path) const;
    static const std::string& Body();

    int Hits(const std::string& path) const;
    /** The Authorization header of every request to /basic and /digest, "" when absent. */
    std::vector<std::string> Authorizations() const;
    /** A request header of the last request to /headers. */
    std::string LastHeader(const std::string& name) const;

private:
    void Record(const std::string& path, const std::string& authorization);

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_paths;
    std::vector<std::string> m_authorizations;
    std::vector<std::pair<std::string, std::string>> m_headers;
};

/** A TCP server on 127.0.0.1 that reads one request per connection and then follows a script. */
class TRawServer
{
public:
    enum class Mode {
        Respond,      // sends Response and closes
        DropMidBody,  // announces 1000 bytes, sends 500 and closes
        Stall,        // announces 1000 bytes, sends 100 and then sends nothing until stopped
    };
    TRawServer(Mode mode, std::string response = {});
    ~TRawServer();
    int Port() const { return m_port; }
    /** The first line of the last request received ("" before any). */
    std::string RequestLine() const;
    /** The last request's line and headers as received, up to and including the blank line. */
    std::string Request() const;
    int Connections() const { return m_connections.load(); }

private:
    void Run();
    void Serve(int client);

    Mode m_mode;
    std::string m_response;
    int m_listen = -1;
    int m_stop[2] = {-1, -1};
    int m_port = 0;
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::string m_requestLine;
    std::string m_request;
    std::thread m_thread;
};
